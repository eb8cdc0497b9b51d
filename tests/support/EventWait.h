// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Waiting in tests whose server and clients share the test's thread: the event loop runs while
// waiting, never past the deadline.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

// True once `done` holds; false when `ms` milliseconds passed first.
inline bool WaitUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <map>
#include <memory>

// Counts how often the main thread's event loop woke up and how many timer events it delivered, and
// writes the counts to a file when the program ends. Only when the environment variable
// AZELMON_COUNT_WAKEUPS names that file: a check of the program's idle cost that counts rather than
// times, so a busy machine or a test's clock cannot make it pass or fail.
//
// A wake-up is one return of the event dispatcher from its wait (QAbstractEventDispatcher::awake,
// nested event loops included); a timer firing is one QEvent::Timer delivered on the main thread,
// QTimer and QObject::startTimer alike. The file holds "wakeups N", "timers N", "paints N" and
// "seconds S" lines, then "timer KIND N" lines, the firings by kind of timer (its class, its parent's
// and, for a QTimer, its interval), and "paint WIDGET N" lines, the paint events by widget (object
// name, else class), most first in each.
class WakeupCount : public QObject {
  public:
    // Null when AZELMON_COUNT_WAKEUPS is unset or empty. Needs the application object.
    static std::unique_ptr<WakeupCount> FromEnvironment();

    explicit WakeupCount(const QString& path);
    ~WakeupCount() override;
    WakeupCount(const WakeupCount&) = delete;
    WakeupCount& operator=(const WakeupCount&) = delete;

    long long Wakeups() const { return wakeups_; }
    long long TimerFirings() const { return timers_; }
    long long Paints() const { return paints_; }
    // The text the file gets.
    QString Report() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    static QString KindOf(const QObject* receiver);

    QString path_;
    QElapsedTimer running_;
    long long wakeups_ = 0;
    long long timers_ = 0;
    long long paints_ = 0;
    std::map<QString, long long> byKind_;
    std::map<QString, long long> paintsByWidget_;
};

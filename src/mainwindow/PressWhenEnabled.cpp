// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/PressWhenEnabled.h"

#include <QAbstractButton>
#include <QEvent>
#include <QTimer>

PressWhenEnabled::PressWhenEnabled(QAbstractButton* button) : QObject(button), button_(button) {
    button->installEventFilter(this);
    PressIfEnabled();
}

bool PressWhenEnabled::eventFilter(QObject* watched, QEvent* event) {
    if (watched == button_ && event->type() == QEvent::EnabledChange)
        PressIfEnabled();
    return false;
}

void PressWhenEnabled::PressIfEnabled() {
    if (pressed_ || !button_ || !button_->isEnabled())
        return;
    pressed_ = true;
    button_->removeEventFilter(this);
    // From the event loop, not from inside whatever enabled the button.
    QTimer::singleShot(0, button_.data(), [button = button_] {
        if (button && button->isEnabled())
            button->click();
    });
}

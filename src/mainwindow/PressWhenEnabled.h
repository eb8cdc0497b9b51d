// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

class QAbstractButton;

// Clicks a button once, as soon as it is enabled (at once when it is already). For unattended runs:
// with AZELMON_START_AUTOMATIC=1 the program presses "自動" when the start-up return has enabled it,
// so a check of the built program under the offscreen platform, which takes no input, can track.
class PressWhenEnabled : public QObject {
  public:
    explicit PressWhenEnabled(QAbstractButton* button);
    bool Pressed() const { return pressed_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void PressIfEnabled();

    QPointer<QAbstractButton> button_;
    bool pressed_ = false;
};

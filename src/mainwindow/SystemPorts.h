// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Clock.h"
#include "common/HelpViewer.h"
#include "common/MessageSink.h"
#include "common/SoundPlayer.h"
#include "common/Waiter.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <memory>

class QWidget;
class QSoundEffect;
class QTextBrowser;

// The real backends of the ports that need nothing but Qt.

class SystemClock : public Clock {
  public:
    SystemClock() { started_.start(); }
    std::int64_t MonotonicMs() const override { return started_.elapsed(); }
    QDateTime LocalNow() const override { return QDateTime::currentDateTime(); }
    QDateTime UtcNow() const override { return QDateTime::currentDateTimeUtc(); }

  private:
    QElapsedTimer started_;
};

class EventLoopWaiter : public Waiter {
  public:
    void Sleep(int milliseconds) override;
};

// Modal box with one OK button and the program's title.
class MessageBoxSink : public MessageSink {
  public:
    void setParent(QWidget* parent) { parent_ = parent; }
    void ShowMessage(const QString& text) override;
    bool AskYesNo(const QString& text) override;

  private:
    QPointer<QWidget> parent_;
};

class EffectSoundPlayer : public SoundPlayer {
  public:
    EffectSoundPlayer();
    ~EffectSoundPlayer() override;
    void PlayAsync(const QString& fileName) override;

  private:
    std::unique_ptr<QSoundEffect> effect_;
};

class DesktopBrowser : public Browser {
  public:
    bool OpenAddress(const QString& address) override;
};

// The program's title, as message boxes carry it.
QString ProgramTitle();

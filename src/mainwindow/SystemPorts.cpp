// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/SystemPorts.h"

#include "skymap/MapPicture.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QSoundEffect>
#include <QThread>
#include <QTimer>
#include <QUrl>

QString ProgramTitle() {
    return QStringLiteral("アゼルモンv1.21");
}

void EventLoopWaiter::Sleep(int milliseconds) {
    if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void MessageBoxSink::ShowMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, ProgramTitle(), text, QMessageBox::Ok, parent_.data());
    // Enter and Escape both close it; a screen reader reads the text as the box's description.
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.setAccessibleName(ProgramTitle());
    box.setAccessibleDescription(text);
    box.exec();
}

bool MessageBoxSink::AskYesNo(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, ProgramTitle(), text, QMessageBox::Yes | QMessageBox::No,
                    parent_.data());
    // No is the answer that changes nothing, so Enter alone does not take the other.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    box.setAccessibleName(ProgramTitle());
    box.setAccessibleDescription(text);
    return box.exec() == QMessageBox::Yes;
}

EffectSoundPlayer::EffectSoundPlayer() : effect_(std::make_unique<QSoundEffect>()) {}
EffectSoundPlayer::~EffectSoundPlayer() = default;

void EffectSoundPlayer::PlayAsync(const QString& fileName) {
    // The current directory first, then the installed data folders.
    QFileInfo file(fileName);
    for (const QString& folder : InstalledDataFolders()) {
        if (file.exists())
            break;
        file = QFileInfo(folder + QLatin1Char('/') + fileName);
    }
    if (!file.exists()) {
        QApplication::beep();
        return;
    }
    // A new cue replaces one still playing.
    effect_->stop();
    effect_->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    effect_->play();
}

bool DesktopBrowser::OpenAddress(const QString& address) {
    return QDesktopServices::openUrl(QUrl(address));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ProfileFile.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

// Watches the settings file and the element files it names, for whatever serves or plans from them
// (azelmon-tracker, azelmon's pass plan). A change that alters the [TRACKER] choice,
// the [STATION] location or an element file's contents is reported once, half a second after the writes
// settle; the settings as read then are settings(), so that whoever reloads takes the same reading
// the change was found in. Files are rewritten by rename, which ends a file watch, so the folders are watched
// as well and the watch is renewed after each change.
class SettingsWatch : public QObject {
    Q_OBJECT
  public:
    explicit SettingsWatch(QString iniPath, QObject* parent = nullptr);

    // The settings file as read when the watch began or when it last reported a change.
    const ProfileDocument& settings() const { return settings_; }

  signals:
    void Changed();

  private:
    static QString Fingerprint(const ProfileDocument& settings);
    void Rewatch(const ProfileDocument& settings);

    QString iniPath_;
    ProfileDocument settings_;
    QString fingerprint_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

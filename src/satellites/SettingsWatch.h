// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

// Watches the settings file and the element files it names, for whatever serves or plans from them
// (azelmon-tracker, azelmon's pass plan). A change that alters the [TRACKER] choice,
// the [STATION] location or an element file's contents is reported once, half a second after the writes
// settle. Files are rewritten by rename, which ends a file watch, so the folders are watched as well and the
// watch is renewed after each change.
class SettingsWatch : public QObject {
    Q_OBJECT
  public:
    explicit SettingsWatch(QString iniPath, QObject* parent = nullptr);

  signals:
    void Changed();

  private:
    QString Fingerprint() const;
    void Rewatch();

    QString iniPath_;
    QString fingerprint_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

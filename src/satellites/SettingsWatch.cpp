// SPDX-License-Identifier: GPL-3.0-or-later
#include "satellites/SettingsWatch.h"

#include "config/ProfileFile.h"
#include "satellites/TrackerSettings.h"

#include <QDateTime>
#include <QFileInfo>

SettingsWatch::SettingsWatch(QString iniPath, QObject* parent)
    : QObject(parent), iniPath_(QFileInfo(iniPath).absoluteFilePath()) {
    settle_.setSingleShot(true);
    settle_.setInterval(500);
    fingerprint_ = Fingerprint();
    Rewatch();
    auto touched = [this] {
        Rewatch();
        settle_.start();
    };
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, touched);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, touched);
    connect(&settle_, &QTimer::timeout, this, [this] {
        const QString now = Fingerprint();
        if (now == fingerprint_)
            return;
        fingerprint_ = now;
        emit Changed();
    });
}

QString SettingsWatch::Fingerprint() const {
    // What the tracker serves depends on these three values and the files' contents; any other key,
    // and the temporary files of a rewrite, do not count.
    const QString files = GetINIValue(QStringLiteral("TLE"), TrackerSection, iniPath_);
    QString print = files + QLatin1Char('\n') +
                    GetWholeINIValue(QStringLiteral("SATELLITE"), TrackerSection, iniPath_) +
                    QLatin1Char('\n') + GetINIValue(StationLocationKey, StationSection, iniPath_);
    for (const QString& file : SplitList(files == QLatin1String("ERROR") ? QString() : files)) {
        const QFileInfo info(file);
        print += QStringLiteral("\n%1 %2 %3")
                     .arg(file)
                     .arg(info.exists() ? info.size() : -1)
                     .arg(info.exists() ? info.lastModified().toMSecsSinceEpoch() : 0);
    }
    return print;
}

void SettingsWatch::Rewatch() {
    QStringList paths{iniPath_, QFileInfo(iniPath_).absolutePath()};
    const QString files = GetINIValue(QStringLiteral("TLE"), TrackerSection, iniPath_);
    for (const QString& file : SplitList(files == QLatin1String("ERROR") ? QString() : files))
        paths << QFileInfo(file).absoluteFilePath() << QFileInfo(file).absolutePath();
    paths.removeDuplicates();
    QStringList missing;
    const QStringList watched = watcher_.files() + watcher_.directories();
    for (const QString& path : paths)
        if (!watched.contains(path) && QFileInfo::exists(path))
            missing << path;
    if (!missing.isEmpty())
        watcher_.addPaths(missing);
}

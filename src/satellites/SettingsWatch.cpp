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
    settings_ = ProfileDocument::Read(iniPath_);
    fingerprint_ = Fingerprint(settings_);
    Rewatch(settings_);
    auto touched = [this] {
        Rewatch(ProfileDocument::Read(iniPath_));
        settle_.start();
    };
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, touched);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, touched);
    connect(&settle_, &QTimer::timeout, this, [this] {
        ProfileDocument settings = ProfileDocument::Read(iniPath_);
        const QString now = Fingerprint(settings);
        if (now == fingerprint_)
            return;
        fingerprint_ = now;
        settings_ = std::move(settings);
        emit Changed();
    });
}

QString SettingsWatch::Fingerprint(const ProfileDocument& settings) {
    // What the tracker serves depends on these three values and the files' contents; any other key,
    // and the temporary files of a rewrite, do not count. A missing key and an empty one count apart.
    const auto text = [](const std::optional<QString>& value) {
        return value ? QLatin1Char('=') + *value : QString();
    };
    const std::optional<QString> files = settings.Value(QStringLiteral("TLE"), TrackerSection);
    QString print = text(files) + QLatin1Char('\n') +
                    text(settings.WholeValue(QStringLiteral("SATELLITE"), TrackerSection)) +
                    QLatin1Char('\n') + text(settings.Value(StationLocationKey, StationSection));
    for (const QString& file : SplitList(files.value_or(QString()))) {
        const QFileInfo info(file);
        print += QStringLiteral("\n%1 %2 %3")
                     .arg(file)
                     .arg(info.exists() ? info.size() : -1)
                     .arg(info.exists() ? info.lastModified().toMSecsSinceEpoch() : 0);
    }
    return print;
}

void SettingsWatch::Rewatch(const ProfileDocument& settings) {
    QStringList paths{iniPath_, QFileInfo(iniPath_).absolutePath()};
    for (const QString& file :
         SplitList(settings.Value(QStringLiteral("TLE"), TrackerSection).value_or(QString())))
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

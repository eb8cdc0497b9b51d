// SPDX-License-Identifier: GPL-3.0-or-later
#include "SatelliteSetup.h"

#include "config/ProfileFile.h"
#include "orbit/Frames.h"
#include "satellites/SatelliteCatalogue.h"
#include "satellites/TrackerSettings.h"
#include "tracking/StationSetting.h"

#include <QDir>
#include <QFileInfo>

SatelliteSetup LoadSatellites(const QStringList& files, const QStringList& wanted, const QDateTime& nowUtc,
                              std::set<long>* warned, Missing missing) {
    SatelliteSetup setup;
    const bool leaveOut = missing == Missing::LeaveOut;
    std::vector<orbit::ElementSet> all;
    for (const QString& file : files) {
        const orbit::ElementFile read = orbit::ReadElementFile(file.toStdString());
        if (!read.opened) {
            if (leaveOut) {
                setup.notes << QStringLiteral("cannot read element file %1; its sets are left out").arg(file);
                continue;
            }
            setup.error = QStringLiteral("cannot read element file %1").arg(file);
            return setup;
        }
        for (const auto& problem : read.problems)
            setup.notes << QString::fromStdString(problem.ToString());
        if (read.sets.empty())
            setup.notes << QStringLiteral("%1: no element sets in the file").arg(file);
        all.insert(all.end(), read.sets.begin(), read.sets.end());
    }
    for (const QString& name : wanted) {
        const auto found = std::find_if(all.begin(), all.end(),
                                        [&](const orbit::ElementSet& s) { return NamesSet(name, s); });
        if (found == all.end() && leaveOut) {
            setup.notes << QStringLiteral("no satellite \"%1\" in %2; left out")
                               .arg(name, files.join(QStringLiteral(", ")));
            continue;
        }
        if (found == all.end()) {
            setup.error =
                QStringLiteral("no satellite \"%1\" in %2").arg(name, files.join(QStringLiteral(", ")));
            return setup;
        }
        setup.chosen.push_back(*found);
    }
    if (wanted.isEmpty() && !all.empty())
        setup.chosen.push_back(all.front());
    if (!files.isEmpty() && all.empty() && !leaveOut) {
        setup.error = QStringLiteral("no usable element set in %1").arg(files.join(QStringLiteral(", ")));
        return setup;
    }
    for (const auto& set : setup.chosen) {
        const double age = AgeDays(set, nowUtc);
        if (age > StaleAgeDays && (!warned || warned->insert(set.catalogueNumber).second))
            setup.notes << QStringLiteral("warning: the elements of %1 are %2 days old; positions drift by "
                                          "kilometres a day, fetch fresh ones (azelmon-tracker --update)")
                               .arg(QString::fromStdString(set.name))
                               .arg(age, 0, 'f', 0);
    }
    return setup;
}

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

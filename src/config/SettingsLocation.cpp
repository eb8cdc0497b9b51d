// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const QString FileName = QStringLiteral("rotorcfg.ini");

// A new user's file, so there is one to edit: comments only and the section of the station's location.
// Every key missing from it takes its default. Plain ASCII, which CP932 holds unchanged.
constexpr char StarterFile[] =
    "; azelmon settings. The settings dialog (menu 'settings' -> 'calibration') and the satellite\r\n"
    "; dialog (-> 'satellites') write their keys here; a key that is missing takes its default.\r\n"
    "; By hand: [BOARD_MAP] for a Modbus module laid out otherwise, [TRACKING] for close pass\r\n"
    "; following, [TRACKER] for element files and download addresses (see the README).\r\n"
    "[STATION]\r\n"
    "; LOCATION=PM95vq   or   LOCATION=35.68,139.77,40   (degrees north, east; metres)\r\n";

} // namespace

QString SettingsFilePath() {
    return SettingsFilePathFor(QCoreApplication::applicationDirPath());
}

QString SettingsFilePathFor(const QString& programDir) {
    const QString overrideDir = qEnvironmentVariable("AZELMON_CONFIG_DIR");
    if (!overrideDir.isEmpty()) {
        QDir().mkpath(overrideDir);
        return QDir(overrideDir).filePath(FileName);
    }
    // The program's own folder serves a program unpacked or built by hand. An installed one (share/azelmon
    // beside its bin folder) keeps settings per user, even when the folder is writable, as /usr/bin is
    // for root.
    const bool installed = QFileInfo::exists(programDir + QStringLiteral("/../share/azelmon"));
    if (!programDir.isEmpty() && !installed && QFileInfo(programDir).isWritable()) {
        return QDir(programDir).filePath(FileName);
    }
    const QString configDir =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/azelmon");
    QDir().mkpath(configDir);
    const QString path = QDir(configDir).filePath(FileName);
    if (!QFileInfo::exists(path)) {
        QSaveFile starter(path);
        if (starter.open(QIODevice::WriteOnly) &&
            starter.write(StarterFile) == qint64(sizeof StarterFile - 1))
            starter.commit();
    }
    return path;
}

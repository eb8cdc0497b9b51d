#include "config/SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString FileName = QStringLiteral("rotorcfg.ini");
}

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
    return QDir(configDir).filePath(FileName);
}

#include "config/SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString FileName = QStringLiteral("rotorcfg.ini");
}

QString SettingsFilePath() {
    const QString overrideDir = qEnvironmentVariable("AZELMON_CONFIG_DIR");
    if (!overrideDir.isEmpty()) {
        QDir().mkpath(overrideDir);
        return QDir(overrideDir).filePath(FileName);
    }
    const QString programDir = QCoreApplication::applicationDirPath();
    if (!programDir.isEmpty() && QFileInfo(programDir).isWritable()) {
        return QDir(programDir).filePath(FileName);
    }
    const QString configDir =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/azelmon");
    QDir().mkpath(configDir);
    return QDir(configDir).filePath(FileName);
}

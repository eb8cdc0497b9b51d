// SPDX-License-Identifier: GPL-3.0-or-later
#include "skymap/MapPicture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

std::optional<QImage> LoadMapPicture(const QStringList& fallbackFolders) {
    QStringList candidates{QDir::current().filePath(MapPictureFileName)};
    for (const QString& folder : fallbackFolders)
        candidates << QDir(folder).filePath(MapPictureFileName);
    for (const QString& path : candidates) {
        if (!QFileInfo(path).isFile())
            continue;
        QImage image(path);
        if (!image.isNull())
            return image;
    }
    return std::nullopt;
}

QStringList InstalledDataFolders() {
    QStringList folders{QStringLiteral(AZELMON_DATA_DIR)};
    if (QCoreApplication::instance())
        folders << QDir(QCoreApplication::applicationDirPath())
                       .absoluteFilePath(QStringLiteral("../share/azelmon"));
    return folders;
}

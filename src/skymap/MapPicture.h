// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QStringList>
#include <optional>

// File name of the map's background picture.
inline const QString MapPictureFileName = QStringLiteral("cntmap.bmp");

// Loads "cntmap.bmp" from the current directory, else from the first of the given folders that has a
// readable copy. Nothing found or nothing readable gives no image; the caller tells the user once and
// lets the map use its plain background.
std::optional<QImage> LoadMapPicture(const QStringList& fallbackFolders);

// Where an installed program keeps its read-only data: the data folder chosen at build time, and the
// share/azelmon folder beside the executable's bin folder (a relocated install).
QStringList InstalledDataFolders();

#pragma once

#include "orbit/Frames.h"

#include <QString>
#include <optional>

// The station's place, shared by azelmon (--link rotctld works out the Sun, the Moon and Mars for
// it) and by azelmon-tracker: section "STATION", key "LOCATION" of the settings file, written as
// "LAT,LON" or "LAT,LON,HEIGHT" (degrees north and east, metres) or as a Maidenhead locator
// ("PM95vq").
inline const QString StationSection = QStringLiteral("STATION");
inline const QString StationLocationKey = QStringLiteral("LOCATION");

// "LAT,LON[,HEIGHT]" or a locator; `problem` says what is wrong when nothing comes back.
std::optional<orbit::Geodetic> ParseStationLocation(const QString& text, QString* problem = nullptr);

// The setting of the file; nothing when it is missing or unreadable (then `problem` is set when the
// key is there but wrong).
std::optional<orbit::Geodetic> ReadStationLocation(const QString& iniPath, QString* problem = nullptr);

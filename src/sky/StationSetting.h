// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "orbit/Frames.h"
#include "satellites/TrackerSettings.h"

#include <QString>
#include <optional>

class ProfileDocument;

// The station's place, shared by azelmon (--link rotctld works out the Sun, the Moon and Mars for
// it) and by azelmon-tracker: section "STATION", key "LOCATION" of the settings file, written as
// "LAT,LON" or "LAT,LON,HEIGHT" (degrees north and east, metres) or as a Maidenhead locator
// ("PM95vq").
// (StationSection and StationLocationKey are named beside the tracker's own keys.)

// Where azelmon and the tracker reckon the station to be while the setting is missing: Tokyo.
inline constexpr orbit::Geodetic DefaultStationLocation{35.68, 139.77, 0};

// "LAT,LON[,HEIGHT]" or a locator; `problem` says what is wrong when nothing comes back.
std::optional<orbit::Geodetic> ParseStationLocation(const QString& text, QString* problem = nullptr);

// The setting of the file; nothing when it is missing or unreadable (then `problem` is set when the
// key is there but wrong).
std::optional<orbit::Geodetic> ReadStationLocation(const QString& iniPath, QString* problem = nullptr);
// The same from the settings as read; iniPath names the file in `problem`.
std::optional<orbit::Geodetic> ReadStationLocation(const ProfileDocument& settings, const QString& iniPath,
                                                   QString* problem = nullptr);
// The location's text as written, empty when the key is missing.
QString StationLocationText(const ProfileDocument& settings);

// The location field of the satellite dialog, checked as the user types. Full-width digits, commas
// and signs (as a Japanese input method gives them) count as their plain forms; `value` is the text
// to store. A blank field is allowed: the default location then stays in force.
struct LocationInput {
    enum State { Blank, Good, Bad } state = Blank;
    QString value;
    std::optional<orbit::Geodetic> place;
    QString text; // in Japanese: the place understood, the default in force, or what is wrong
};
LocationInput CheckLocationInput(const QString& typed);

// A place as the user reads it: "北緯 35.6875° 東経 139.7917° 高さ 40 m".
QString PlaceText(const orbit::Geodetic& place);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The azimuth rotator's start point, setting HKITEN of section HOUI: the text "1" is the south start
// point (南), any other text the north one (北), exactly as the settings dialog shows it. Every reader
// of the setting decides through this one rule, so a hand-edited value cannot make the map, the
// boxes and the movement disagree.
inline bool IsSouthStartPoint(const QString& azimuthStartPoint) {
    return azimuthStartPoint == QLatin1String("1");
}

// Half-turn between the compass frame and a rotator whose start point is south:
// a - 180 when a < 0 or a >= 180, otherwise a + 180.
inline double HalfTurn(double azimuth) {
    if (azimuth < 0 || azimuth >= 180)
        return azimuth - 180;
    return azimuth + 180;
}

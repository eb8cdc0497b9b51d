// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The name azelmon's own tracker serves in the satellite boxes while no element set or satellite is
// configured. Its position is a placeholder below the horizon: nothing may follow it.
inline const QString NoSatelliteName = QStringLiteral("衛星未設定");

inline bool IsNoSatelliteTarget(const QString& targetName) {
    return targetName.trimmed() == NoSatelliteName;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/MainState.h"
#include "config/ProfileFile.h"

#include <QString>
#include <QStringList>
#include <optional>

// Section TRACKING of the settings file: the pass-following options (see common/TrackingOptions.h).
//   LEAD=1                 lead and a follow-up that keeps up
//   PREPOSITION=1          turn to the rise point before a pass rises
//   PREPOSITION_SECONDS=120  how long before (10..1800)
//   AZ_TRAVEL=450          the azimuth rotator's travel end past the operating range (360..540;
//                          360 = none)
//   EL_TRAVEL=180          the elevation rotator's travel end (90..180; 90 = none)
// A missing key leaves its option off. A value that cannot be used leaves it off too and is named
// in the returned messages.
QStringList ReadTrackingSettings(TrackingOptions& options, const ProfileDocument& settings);
QStringList ReadTrackingSettings(TrackingOptions& options, const QString& iniPath);

// Whether the calibration can read a rotator's travel past its operating range. The converter turns
// 0..5 V into the counts 0..1023, and the calibration turns volts into degrees along the straight line
// through its two points (the voltage captured at the range's minimum and at its maximum). Past 5 V the
// count stays at 1023, so the angle at 5 V (give or take one count) is the last one azelmon can read:
// a 450-degree rotator calibrated with 5 V at 360 degrees would read 360 all the way to 450.
struct AxisCalibration {
    double voltAtMin = 0; // HVOLT0 / VVOLT0
    double voltAtMax = 0; // HVOLT360 / VVOLT90
    double rangeMin = 0, rangeMax = 0;
};

enum class TravelAxis { Azimuth, Elevation };

// Why `travel` (AZ_TRAVEL or EL_TRAVEL, degrees) cannot be read with this calibration, and what to
// capture instead; nothing when it can, when no travel past the range is set, or when the calibration
// does not rise at all (the measurement refuses that one itself).
std::optional<QString> UnreadableTravel(TravelAxis axis, double travel, const AxisCalibration& calibration);

// At start-up, after both readings: a travel the calibration cannot read is left off (the operating
// range is then the travel, as without the key) and named with what to capture.
QStringList RefuseUnreadableTravel(TrackingOptions& options, const MainState& state);

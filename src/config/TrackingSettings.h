// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/MainState.h"

#include <QString>
#include <QStringList>

// Section TRACKING of the settings file: the pass-following options (see common/TrackingOptions.h).
//   LEAD=1                 lead and a follow-up that keeps up
//   PREPOSITION=1          turn to the rise point before a pass rises
//   PREPOSITION_SECONDS=120  how long before (10..1800)
//   AZ_TRAVEL=450          the azimuth rotator's travel end past the operating range (360..540;
//                          360 = none)
//   EL_TRAVEL=180          the elevation rotator's travel end (90..180; 90 = none)
// A missing key leaves its option off. A value that cannot be used leaves it off too and is named
// in the returned messages.
QStringList ReadTrackingSettings(TrackingOptions& options, const QString& iniPath);

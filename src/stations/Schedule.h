// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stations/StationFile.h"

#include <QDateTime>
#include <QList>
#include <cstdint>
#include <optional>

struct MainState;

// Daily windows of scheduled operation and aiming at a station. Plain functions over the state.

// Index when `now` lies in the window start..end (minutes of the day, both ends included), else -1.
// A window whose end is before its start runs across midnight; start = end never matches.
std::int16_t InScheduleWindow(int now, int start, int end, std::int16_t index);

// Whole minutes since local midnight: 10:29:59 is 629.
int MinuteOfDay(const QDateTime& localTime);

// Minutes of the day of an HH:MM text (characters 1-2 hours, 4-5 minutes); nullopt when the text is
// no valid time (see IsBadTime).
std::optional<int> ScheduleMinute(const QString& time);

// The window of a station, or nullopt when it has none: a start of "--:--", and also a start or end
// that is no valid time (only a hand-edited file holds one).
struct ScheduleWindow {
    int start, end;
};
std::optional<ScheduleWindow> StationWindow(const StationRecord& station);

// First station in list order whose window contains `now`; -1 when none.
int FindScheduledStation(const QList<StationRecord>& stations, int now);

// Points the manual target at the station: PointedAzimuth/PointedElevation from the leading numbers
// of its texts, the azimuth turned into the rotator frame with a south start point, and the mark
// position at the station's compass direction on the north-up map.
void AimAtStation(MainState& state, const StationRecord& station);

// True when a scheduled entry names the present tracking target (exact comparison): the schedule
// then starts automatic tracking instead of a fixed direction.
bool ScheduleStartsTracking(const StationRecord& station, const QString& targetName);

// SPDX-License-Identifier: GPL-3.0-or-later
#include "stations/Schedule.h"

#include "common/MainState.h"
#include "common/NumberText.h"
#include "common/StartPoint.h"
#include "skymap/SkyProjection.h"
#include "stations/EditorChecks.h"

std::int16_t InScheduleWindow(int now, int start, int end, std::int16_t index) {
    if (start < end && start <= now && now <= end)
        return index;
    if (end < start && (now >= start || now <= end))
        return index;
    return -1;
}

int MinuteOfDay(const QDateTime& localTime) {
    const QTime t = localTime.time();
    return t.hour() * 60 + t.minute();
}

std::optional<int> ScheduleMinute(const QString& time) {
    if (IsBadTime(time))
        return std::nullopt;
    return time.mid(0, 2).trimmed().toInt() * 60 + time.mid(3, 2).trimmed().toInt();
}

std::optional<ScheduleWindow> StationWindow(const StationRecord& station) {
    if (station.startTime == NoScheduleTime)
        return std::nullopt;
    const std::optional<int> start = ScheduleMinute(station.startTime);
    const std::optional<int> end = ScheduleMinute(station.endTime);
    if (!start || !end)
        return std::nullopt;
    return ScheduleWindow{*start, *end};
}

int FindScheduledStation(const QList<StationRecord>& stations, int now) {
    for (qsizetype i = 0; i < stations.size(); ++i) {
        const std::optional<ScheduleWindow> w = StationWindow(stations.at(i));
        if (!w)
            continue;
        if (InScheduleWindow(now, w->start, w->end, static_cast<std::int16_t>(i)) >= 0)
            return static_cast<int>(i);
    }
    return -1;
}

void AimAtStation(MainState& state, const StationRecord& station) {
    const bool south = IsSouthStartPoint(state.AzimuthStartPoint);
    state.PointedAzimuth = LeadingNumber(station.azimuth);
    if (south)
        state.PointedAzimuth = HalfTurn(state.PointedAzimuth);
    state.PointedElevation = LeadingNumber(station.elevation);
    const double x = SkyPlotX(state.PointedAzimuth, state.PointedElevation);
    const double y = SkyPlotY(state.PointedAzimuth, state.PointedElevation);
    // The rotator angle of a south start point is half a turn from the compass: mirror the mark back.
    state.PointMarkX = south ? state.MapCentreX - x : state.MapCentreX + x;
    state.PointMarkY = south ? state.MapCentreY - y : state.MapCentreY + y;
}

bool ScheduleStartsTracking(const StationRecord& station, const QString& targetName) {
    return station.name == targetName;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracking/RotctldMainState.h"

#include "common/MainState.h"
#include "common/NumberText.h"
#include "common/StartPoint.h"
#include "rotator/AngleMeasurement.h"

RotctldMainState::RotctldMainState(const MainState& state, std::function<int()> stop, QString info)
    : state_(state), stop_(std::move(stop)), info_(std::move(info)) {}

AntennaDirection RotctldMainState::MapDirection(const MainState& s) {
    const PointingDirection d = MapPointingDirection(s);
    return {d.azimuth, d.elevation};
}

AntennaDirection RotctldMainState::PresentDirection() const {
    return MapDirection(state_);
}

AntennaLimits RotctldMainState::OperatingRange() const {
    AntennaLimits limits;
    limits.minAzimuth = state_.module.AzimuthRangeMin;
    limits.maxAzimuth = state_.module.AzimuthRangeMax;
    limits.minElevation = state_.module.ElevationRangeMin;
    limits.maxElevation = state_.module.ElevationRangeMax;
    // Rotator angle r points at compass r - 180 from the south start point: one contiguous range.
    if (IsSouthStartPoint(state_.AzimuthStartPoint)) {
        limits.minAzimuth -= 180;
        limits.maxAzimuth -= 180;
    }
    return limits;
}

int RotctldMainState::Stop() {
    return stop_ ? stop_() : HamlibError::NotAvailable;
}

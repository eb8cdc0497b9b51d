#include "tracking/RotctldMainState.h"

#include "common/MainState.h"
#include "common/NumberText.h"
#include "skymap/SkyProjection.h"

RotctldMainState::RotctldMainState(const MainState& state, std::function<int()> stop, QString info)
    : state_(state), stop_(std::move(stop)), info_(std::move(info)) {}

AntennaDirection RotctldMainState::MapDirection(const MainState& s) {
    double azimuth = s.PresentAzimuth - s.AzimuthCorrection - s.AzimuthTempCorrection;
    if (azimuth > 360)
        azimuth -= 360;
    else if (azimuth < 0)
        azimuth += 360;
    double elevation = s.PresentElevation - s.ElevationCorrection - s.ElevationTempCorrection;
    if (elevation > 90)
        elevation = 90;
    else if (elevation < 0)
        elevation = 0;
    if (LeadingNumber(s.AzimuthStartPoint) == 1)
        azimuth = HalfTurn(azimuth);
    return {azimuth, elevation};
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
    if (LeadingNumber(state_.AzimuthStartPoint) == 1) {
        limits.minAzimuth -= 180;
        limits.maxAzimuth -= 180;
    }
    return limits;
}

int RotctldMainState::Stop() {
    return stop_ ? stop_() : HamlibError::NotAvailable;
}

#include "orbit/Observation.h"

#include <cmath>

namespace orbit {

ObservationResult Observe(const Sgp4& model, const Geodetic& observer, const JulianDate& time) {
    ObservationResult result;
    const double minutes = model.MinutesSinceEpoch(time.whole, time.fraction);
    const Sgp4Result state = model.Propagate(minutes);
    if (!state.ok()) {
        result.error = state.error;
        return result;
    }
    SatelliteObservation& o = result.observation;
    o.earthFixed = TemeToEarthFixed(state.state, time);
    o.look = Look(observer, o.earthFixed);
    o.meanAnomaly = state.state.meanAnomaly * 180 / 3.14159265358979323846;

    // Revolutions since the epoch from the mean motion and its published first derivative (which
    // the format gives halved), started from the epoch's place past the ascending node.
    const ElementSet& e = model.Elements();
    const double days = minutes / 1440;
    const double sinceNode = std::fmod(e.meanAnomaly + e.argumentOfPerigee, 360.0) / 360.0;
    const double turns = sinceNode + e.meanMotion * days + e.meanMotionDot * days * days;
    o.revolution = e.revolutionAtEpoch + static_cast<long>(std::floor(turns));
    return result;
}

bool DecayWatch::FailedBy(const Sgp4& model, double minutes) {
    if (failedAt_ && minutes >= *failedAt_)
        return true;
    for (; !failedAt_ && checkedUntil_ + 1 <= minutes; checkedUntil_ += 1)
        if (!model.Propagate(checkedUntil_ + 1).ok())
            failedAt_ = checkedUntil_ + 1;
    if (failedAt_ && minutes >= *failedAt_)
        return true;
    return !model.Propagate(minutes).ok();
}

double ElevationAt(const Sgp4& model, const Geodetic& observer, const JulianDate& time) {
    const ObservationResult result = Observe(model, observer, time);
    return result.ok() ? result.observation.look.elevation : -90;
}

} // namespace orbit

// SPDX-License-Identifier: GPL-3.0-or-later
#include "orbit/Observation.h"

#include <algorithm>
#include <cmath>

namespace orbit {

ObservationResult Observe(const Sgp4& model, const Geodetic& observer, const JulianDate& time, double dut1) {
    ObservationResult result;
    const double minutes = model.MinutesSinceEpoch(time.whole, time.fraction);
    const Sgp4Result state = model.Propagate(minutes);
    if (!state.ok()) {
        result.error = state.error;
        return result;
    }
    SatelliteObservation& o = result.observation;
    o.earthFixed = TemeToEarthFixed(state.state, time, dut1);
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

namespace {

// Osculating perigee height above the model's Earth and semi-major axis, km, of a state.
struct Shape {
    double perigeeKm, axisKm;
};

Shape ShapeOf(const TemeState& s) {
    const Vector3 r = s.position, v = s.velocity;
    const double radius = std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z);
    const double speed2 = v.x * v.x + v.y * v.y + v.z * v.z;
    const double energy = speed2 / 2 - wgs72::Mu / radius;
    const Vector3 h{r.y * v.z - r.z * v.y, r.z * v.x - r.x * v.z, r.x * v.y - r.y * v.x};
    const double h2 = h.x * h.x + h.y * h.y + h.z * h.z;
    const double e = std::sqrt(std::max(0.0, 1 + 2 * energy * h2 / (wgs72::Mu * wgs72::Mu)));
    const double perigee = h2 / wgs72::Mu / (1 + e);
    const double axis = energy < 0 ? -wgs72::Mu / (2 * energy) : 1e9;
    return {perigee - wgs72::RadiusKm, axis};
}

// The osculating perigee swings by some ten kilometres within a revolution (the Earth's
// flattening); one this close to the surface (km) may reach it between two samples.
constexpr double LowPerigee = 25;
// Between two samples an intact orbit's osculating perigee and axis move by far less (the axis of a
// high orbit, pulled by the Moon and the Sun, by under a hundredth); more means the orbit sank fast
// or the model's orbit collapsed in between.
constexpr double Jump = 60;

// Minutes the satellite needs at least to fall from where it is to the surface: its height against
// its speed towards the centre and twice its radial acceleration with a margin for the
// perturbations, at most a sixth of a low orbit, at least a minute.
double MinutesToTheGround(const TemeState& s) {
    const Vector3 r = s.position, v = s.velocity;
    const double radius = std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z);
    const double radial = (r.x * v.x + r.y * v.y + r.z * v.z) / radius;
    const double tangential2 = std::max(0.0, v.x * v.x + v.y * v.y + v.z * v.z - radial * radial);
    const double acceleration =
        2 * std::fabs(tangential2 / radius - wgs72::Mu / (radius * radius)) + 2e-5; // km/s^2
    const double height = std::max(0.0, radius - wgs72::RadiusKm);
    const double seconds =
        (std::sqrt(radial * radial + 2 * acceleration * height) - std::fabs(radial)) / acceleration;
    return std::clamp(seconds / 60, 1.0, 15.0);
}

} // namespace

bool DecayWatch::FailedBy(const Sgp4& model, double minutes) {
    if (failedAt_ && minutes >= *failedAt_)
        return true;
    if (minutes > checkedUntil_ && !failedAt_)
        Extend(model, minutes);
    if (failedAt_ && minutes >= *failedAt_)
        return true;
    return !model.Propagate(minutes).ok();
}

void DecayWatch::Extend(const Sgp4& model, double until) {
    if (!started_) {
        started_ = true;
        const Sgp4Result epoch = model.Propagate(0);
        if (!epoch.ok()) {
            failedAt_ = 0;
            return;
        }
        const Shape shape = ShapeOf(epoch.state);
        perigeeKm_ = shape.perigeeKm;
        axisKm_ = shape.axisKm;
    }
    constexpr double Step = 720;
    while (!failedAt_ && checkedUntil_ < until) {
        const double next = std::min(until, checkedUntil_ + Step);
        const Sgp4Result result = model.Propagate(next);
        if (!result.ok()) {
            Walk(model, checkedUntil_, next);
            if (!failedAt_)
                failedAt_ = next;
            return;
        }
        const Shape shape = ShapeOf(result.state);
        if (std::min(perigeeKm_, shape.perigeeKm) < LowPerigee ||
            std::fabs(shape.perigeeKm - perigeeKm_) > Jump ||
            std::fabs(shape.axisKm - axisKm_) > std::max(Jump, axisKm_ / 100))
            Walk(model, checkedUntil_, next);
        checkedUntil_ = next;
        perigeeKm_ = shape.perigeeKm;
        axisKm_ = shape.axisKm;
    }
}

void DecayWatch::Walk(const Sgp4& model, double from, double to) {
    double t = from;
    double step = 1; // nothing known at the start
    while (t < to) {
        t = std::min(to, t + step);
        const Sgp4Result result = model.Propagate(t);
        if (!result.ok()) {
            failedAt_ = t;
            return;
        }
        step = MinutesToTheGround(result.state);
    }
}

double ElevationAt(const Sgp4& model, const Geodetic& observer, const JulianDate& time) {
    const ObservationResult result = Observe(model, observer, time);
    return result.ok() ? result.observation.look.elevation : -90;
}

} // namespace orbit

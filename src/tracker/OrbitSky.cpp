// SPDX-License-Identifier: GPL-3.0-or-later
#include "OrbitSky.h"

#include "common/NoSatellite.h"
#include "orbit/Observation.h"
#include "orbit/Passes.h"

OrbitSky::OrbitSky(const std::vector<orbit::ElementSet>& satellites, orbit::Geodetic observer, double dut1)
    : observer_(observer), dut1_(dut1), bodies_(observer.latitude, observer.longitude, observer.height) {
    bodies_.SetDut1(dut1);
    for (const auto& set : satellites)
        candidates_.push_back({orbit::Sgp4(set), std::nullopt, 0, {}});
}

std::size_t OrbitSky::Choose(const orbit::JulianDate& time,
                             const std::vector<orbit::ObservationResult>& now) {
    for (std::size_t i = 0; i < now.size(); ++i)
        if (now[i].ok() && now[i].observation.look.elevation >= 0)
            return i;
    // None is up: the next to rise. A rise time is searched once and kept until it has passed, so
    // the search runs about once a pass, not once a second.
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < candidates_.size(); ++i) {
        Candidate& c = candidates_[i];
        const bool stale = c.rise ? c.rise->Value() < time.Value() : time.Value() >= c.riseValidUntil;
        if (stale) {
            c.rise = orbit::NextRise(c.model, observer_, time, 2, &c.decay);
            c.riseValidUntil = time.Value() + 0.5;
        }
        if (c.rise && (!best || c.rise->Value() < candidates_[*best].rise->Value()))
            best = i;
    }
    return best.value_or(0);
}

SkySnapshot OrbitSky::At(const QDateTime& utc) {
    const auto time = orbit::JulianDate::FromUnixMilliseconds(utc.toMSecsSinceEpoch());
    SkySnapshot snapshot;
    snapshot.modifiedJulianDate = time.ModifiedJulianDate();
    snapshot.bodies = bodies_.At(utc);
    if (candidates_.empty()) {
        snapshot.satelliteName = ::NoSatelliteName; // azelmon refuses to follow it
        SatelliteValues nowhere;
        nowhere.elevation = -90;
        snapshot.satellite = nowhere;
        return snapshot;
    }
    std::vector<orbit::ObservationResult> now;
    now.reserve(candidates_.size());
    for (auto& c : candidates_) {
        // A set that has failed since its epoch stays failed, whatever the model says later.
        if (c.decay.FailedBy(c.model, c.model.MinutesSinceEpoch(time.whole, time.fraction)))
            now.push_back({orbit::Sgp4Error::Decayed, {}});
        else
            now.push_back(orbit::Observe(c.model, observer_, time, dut1_));
    }
    const std::size_t chosen = Choose(time, now);
    const auto& set = candidates_[chosen].model.Elements();
    snapshot.satelliteName = QString::fromStdString(set.name);
    const orbit::ObservationResult& result = now[chosen];
    if (!result.ok()) {
        snapshot.satelliteProblem =
            QStringLiteral("%1: no position at this moment (%2)")
                .arg(snapshot.satelliteName, QString::fromUtf8(orbit::Describe(result.error)));
        return snapshot;
    }
    const auto& o = result.observation;
    SatelliteValues v;
    v.azimuth = o.look.azimuth;
    v.elevation = o.look.elevation;
    v.rangeMetres = o.look.range;
    v.rangeRate = o.look.rangeRate;
    v.meanAnomaly = o.meanAnomaly;
    v.revolution = o.revolution;
    v.x = o.earthFixed.position.x;
    v.y = o.earthFixed.position.y;
    v.z = o.earthFixed.position.z;
    snapshot.satellite = v;
    return snapshot;
}

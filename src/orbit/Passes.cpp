// SPDX-License-Identifier: GPL-3.0-or-later
#include "orbit/Passes.h"

#include "orbit/Observation.h"

#include <algorithm>
#include <cmath>

namespace orbit {

namespace {

// Scan step: about a five-hundredth of an orbit, between 10 s and 2 min, so even a low pass of a
// low satellite spans several steps.
double ScanStep(const Sgp4& model) {
    const double periodSeconds = 86400 / model.Elements().meanMotion;
    return std::clamp(periodSeconds / 500, 10.0, 120.0);
}

// Horizon crossing between a (elevation sign as at a) and a + span seconds, by bisection.
JulianDate Crossing(const Sgp4& model, const Geodetic& observer, JulianDate a, double span) {
    const bool upAtA = ElevationAt(model, observer, a) >= 0;
    double low = 0, high = span;
    while (high - low > 0.01) {
        const double mid = (low + high) / 2;
        if ((ElevationAt(model, observer, a.PlusSeconds(mid)) >= 0) == upAtA)
            low = mid;
        else
            high = mid;
    }
    return a.PlusSeconds((low + high) / 2);
}

// Highest point between a and a + span seconds by golden-section search (the elevation rises and
// falls once in the span).
JulianDate Peak(const Sgp4& model, const Geodetic& observer, JulianDate a, double span) {
    const double r = (std::sqrt(5.0) - 1) / 2;
    double low = 0, high = span;
    double x1 = high - r * (high - low), x2 = low + r * (high - low);
    double f1 = ElevationAt(model, observer, a.PlusSeconds(x1));
    double f2 = ElevationAt(model, observer, a.PlusSeconds(x2));
    while (high - low > 0.01) {
        if (f1 < f2) {
            low = x1;
            x1 = x2;
            f1 = f2;
            x2 = low + r * (high - low);
            f2 = ElevationAt(model, observer, a.PlusSeconds(x2));
        } else {
            high = x2;
            x2 = x1;
            f2 = f1;
            x1 = high - r * (high - low);
            f1 = ElevationAt(model, observer, a.PlusSeconds(x1));
        }
    }
    return a.PlusSeconds((low + high) / 2);
}

// Highest point of a whole pass, whatever its shape: a long pass of an eccentric orbit may rise,
// dip and rise again, its second summit the higher. The pass is sampled at the scan step, and the
// highest sample's neighbourhood searched to 10 ms.
JulianDate Culmination(const Sgp4& model, const Geodetic& observer, JulianDate aos, double span,
                       double step) {
    double best = span / 2, bestElevation = -91;
    for (double t = 0; t <= span; t += step) {
        const double e = ElevationAt(model, observer, aos.PlusSeconds(t));
        if (e > bestElevation) {
            best = t;
            bestElevation = e;
        }
    }
    const double low = std::max(0.0, best - step), high = std::min(span, best + step);
    return Peak(model, observer, aos.PlusSeconds(low), high - low);
}

double SecondsBetween(const JulianDate& a, const JulianDate& b) {
    return ((b.whole - a.whole) + (b.fraction - a.fraction)) * 86400;
}

double AzimuthAt(const Sgp4& model, const Geodetic& observer, const JulianDate& t) {
    const auto o = Observe(model, observer, t);
    return o.ok() ? o.observation.look.azimuth : 0;
}

} // namespace

PassSearch NextPasses(const Sgp4& model, const Geodetic& observer, const JulianDate& from, int count,
                      double days, DecayWatch* watch) {
    PassSearch search;
    const double step = ScanStep(model);
    const double limit = days * 86400;
    std::optional<JulianDate> aos;
    double t = 0;
    bool up = ElevationAt(model, observer, from) >= 0;
    bool everUp = up, everDown = !up;
    if (up) {
        // The pass in progress: walk back to its rise, at most a day.
        double back = 0;
        while (back > -86400 && ElevationAt(model, observer, from.PlusSeconds(back)) >= 0)
            back -= step;
        if (back > -86400)
            aos = Crossing(model, observer, from.PlusSeconds(back), step);
    }
    DecayWatch own;
    DecayWatch& decay = watch ? *watch : own;
    while (static_cast<int>(search.passes.size()) < count && t < limit) {
        const double next = t + step;
        const JulianDate at = from.PlusSeconds(next);
        if (decay.FailedBy(model, model.MinutesSinceEpoch(at.whole, at.fraction))) {
            search.decayed = true;
            break;
        }
        const bool nowUp = ElevationAt(model, observer, from.PlusSeconds(next)) >= 0;
        everUp = everUp || nowUp;
        everDown = everDown || !nowUp;
        if (nowUp && !up) {
            aos = Crossing(model, observer, from.PlusSeconds(t), step);
        } else if (up && !nowUp && aos) {
            Pass pass;
            pass.aos = *aos;
            pass.los = Crossing(model, observer, from.PlusSeconds(t), step);
            pass.culmination =
                Culmination(model, observer, pass.aos, SecondsBetween(pass.aos, pass.los), step);
            pass.aosAzimuth = AzimuthAt(model, observer, pass.aos.PlusSeconds(0.01));
            pass.losAzimuth = AzimuthAt(model, observer, pass.los.PlusSeconds(-0.01));
            pass.maxElevation = ElevationAt(model, observer, pass.culmination);
            search.passes.push_back(pass);
            aos.reset();
        }
        up = nowUp;
        t = next;
    }
    search.alwaysUp = search.passes.empty() && everUp && !everDown && !search.decayed;
    search.neverUp = search.passes.empty() && !everUp;
    return search;
}

std::optional<JulianDate> NextRise(const Sgp4& model, const Geodetic& observer, const JulianDate& from,
                                   double days, DecayWatch* watch) {
    if (ElevationAt(model, observer, from) >= 0)
        return from;
    const double step = ScanStep(model);
    DecayWatch own;
    DecayWatch& decay = watch ? *watch : own;
    for (double t = 0; t < days * 86400; t += step) {
        const JulianDate at = from.PlusSeconds(t + step);
        if (decay.FailedBy(model, model.MinutesSinceEpoch(at.whole, at.fraction)))
            return std::nullopt;
        if (ElevationAt(model, observer, from.PlusSeconds(t + step)) >= 0)
            return Crossing(model, observer, from.PlusSeconds(t), step);
    }
    return std::nullopt;
}

} // namespace orbit

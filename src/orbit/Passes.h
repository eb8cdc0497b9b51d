// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "orbit/Frames.h"
#include "orbit/Observation.h"
#include "orbit/Sgp4.h"

#include <optional>
#include <vector>

namespace orbit {

// One pass over the station: rise (AOS), highest point and set (LOS).
struct Pass {
    JulianDate aos, culmination, los;
    double aosAzimuth = 0, losAzimuth = 0; // degrees
    double maxElevation = 0;               // degrees
};

struct PassSearch {
    std::vector<Pass> passes;
    bool alwaysUp = false; // above the horizon all through the search (a geostationary satellite)
    bool neverUp = false;  // never rises within the search
    bool decayed = false;  // the search ended where the model fails (the satellite has decayed)
};

// The next `count` passes from `from`, including the one in progress (whose AOS lies before
// `from`). Searches at most `days` days ahead. Crossings are found to 10 ms, the highest point of
// each pass (the highest of all, when a long pass has two summits) to about 10 ms.
// A caller that asks again and again for the same satellite passes its own `watch`, so the check
// for a decay since the epoch is not repeated.
PassSearch NextPasses(const Sgp4& model, const Geodetic& observer, const JulianDate& from, int count,
                      double days = 30, DecayWatch* watch = nullptr);

// The first moment at or after `from` (within `days`) at which the satellite is above the horizon;
// `from` itself when it is up already. Nothing when it never rises.
std::optional<JulianDate> NextRise(const Sgp4& model, const Geodetic& observer, const JulianDate& from,
                                   double days = 2, DecayWatch* watch = nullptr);

} // namespace orbit

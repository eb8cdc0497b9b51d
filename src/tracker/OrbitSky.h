// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SkySource.h"
#include "orbit/Frames.h"
#include "orbit/Observation.h"
#include "orbit/Sgp4.h"

#include <vector>

// The real sky: satellites from element sets through SGP4/SDP4, and the Sun, the Moon and Mars,
// for one observer. With several satellites the first (in the given order) that is above the
// horizon is served; when none is, the one that rises next. With none at all, an entry that says
// no satellite is configured, far below the horizon.
class OrbitSky : public SkySource {
  public:
    // dut1 = UT1 - UTC, seconds (0 when not known): the Earth's turn under the satellites and the sky.
    OrbitSky(const std::vector<orbit::ElementSet>& satellites, orbit::Geodetic observer, double dut1 = 0);
    SkySnapshot At(const QDateTime& utc) override;

  private:
    struct Candidate {
        orbit::Sgp4 model;
        // Next rise as last worked out, and until when that answer holds.
        std::optional<orbit::JulianDate> rise;
        double riseValidUntil = 0; // Julian date
        orbit::DecayWatch decay;
    };
    std::size_t Choose(const orbit::JulianDate& time, const std::vector<orbit::ObservationResult>& now);

    std::vector<Candidate> candidates_;
    orbit::Geodetic observer_;
    double dut1_;
    SkyBodiesCache bodies_;
};

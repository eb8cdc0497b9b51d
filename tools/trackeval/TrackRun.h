// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/TrackingOptions.h"
#include "orbit/Passes.h"

#include <string>
#include <vector>

// One pass followed by automatic tracking on the in-process simulated board (rotator physics,
// azimuth 6 degrees/s, elevation 3 degrees/s) in virtual time: the tracking cycle's stand-in takes
// the satellite from the orbit library every second, the positioning steps run on their timers, and
// the antenna's true angles are compared with the satellite every 100 ms while it is up.
struct RunSetup {
    std::string label;
    TrackingOptions options;
    bool southStart = false;
    double startAzimuth = 0, startElevation = 0; // rotator angles where the antenna parks
    double startBeforeAos = 150;                 // seconds of automatic tracking before AOS
    bool trace = false;                          // every sample to stderr
};

struct ErrorSample {
    double secondsFromAos;
    double error; // degrees of great circle between antenna and satellite
};

struct RunResult {
    std::vector<ErrorSample> samples;
    double median = 0, p95 = 0, max = 0;
    double culminationP95 = 0, culminationMax = 0; // of the 200 s around the culmination
    // The smallest largest error the plan's track permits an azimuth of 6 degrees/s (with the
    // elevation pointing nearest): what following the plan could reach at best.
    double bound = 0;
    double withinTolerance = 0;  // share of samples within 1.5 degrees
    double longestOver10 = 0;    // seconds, the longest stretch with more than 10 degrees of error
    double azimuthTravelled = 0; // degrees the azimuth rotator turned from AOS to LOS
    double switchOnsPerMinute = 0;
    bool planned = false, flipped = false;
};

RunResult RunPass(const orbit::Sgp4& model, const orbit::Geodetic& observer, const orbit::Pass& pass,
                  const RunSetup& setup);

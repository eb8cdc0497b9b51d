// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/RotatorPhysics.h"

#include <algorithm>
#include <cmath>

RotatorPhysics::RotatorPhysics(const Settings& settings) : settings_(settings), random_(settings.seed) {
    SetAngles(settings.startAzimuth, settings.startElevation);
}

void RotatorPhysics::SetRelay(int bit, bool on) {
    if (bit >= 4 && bit <= 7)
        relays_[bit - 4] = on;
}

bool RotatorPhysics::Relay(int bit) const {
    return bit >= 4 && bit <= 7 && relays_[bit - 4];
}

void RotatorPhysics::SetAngles(double azimuth, double elevation) {
    azimuth_ = std::clamp(azimuth, settings_.azimuthStopMin, settings_.azimuthStopMax);
    elevation_ = std::clamp(elevation, settings_.elevationStopMin, settings_.elevationStopMax);
}

void RotatorPhysics::Advance(std::int64_t milliseconds) {
    if (milliseconds <= 0)
        return;
    const double seconds = static_cast<double>(milliseconds) / 1000.0;
    const int azimuthDirection = int(relays_[0]) - int(relays_[1]);
    const int elevationDirection = int(relays_[2]) - int(relays_[3]);
    // Constant speed between relay changes, so the step is exact however long it is.
    SetAngles(azimuth_ + azimuthDirection * settings_.azimuthSpeed * seconds,
              elevation_ + elevationDirection * settings_.elevationSpeed * seconds);
}

double RotatorPhysics::Volts(int channel) const {
    const bool az = channel == 0;
    const double a0 = az ? settings_.azimuthAngle0 : settings_.elevationAngle0;
    const double a1 = az ? settings_.azimuthAngle1 : settings_.elevationAngle1;
    const double v0 = az ? settings_.azimuthVolt0 : settings_.elevationVolt0;
    const double v1 = az ? settings_.azimuthVolt1 : settings_.elevationVolt1;
    const double angle = az ? azimuth_ : elevation_;
    const double volts = a1 == a0 ? v0 : v0 + (angle - a0) * (v1 - v0) / (a1 - a0);
    return std::clamp(volts, 0.0, 5.0);
}

int RotatorPhysics::Count(int channel) {
    double count = Volts(channel) * 1023.0 / 5.0;
    if (settings_.noiseCounts > 0)
        count += settings_.noiseCounts * noise_(random_);
    return std::clamp(static_cast<int>(std::lround(count)), 0, 1023);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/RemoteTarget.h"

#include <cmath>

void RemoteTarget::Set(double azimuth, double elevation) {
    double a = std::fmod(azimuth, 360.0);
    if (a < 0)
        a += 360;
    azimuth_ = a == 0 ? 0.0 : a; // never "-0"
    elevation_ = elevation;
    ++updates_;
}

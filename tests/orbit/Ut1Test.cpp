// SPDX-License-Identifier: GPL-3.0-or-later
#include "orbit/ElementSet.h"
#include "orbit/Observation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

double AngleDifference(double a, double b) {
    return std::fabs(std::remainder(a - b, 360.0));
}

// UT1 - UTC turns the Earth under the orbit: what an observer sees with a given DUT1 is what an
// observer that much further east (by the Earth's turn in that time) sees without it. And over a
// high pass of a low satellite 0.1 s of it moves the direction by up to about 0.0065 degrees.
TEST(Ut1, Dut1TurnsTheEarthUnderTheOrbit) {
    const auto set =
        orbit::ParseElementLines("1 90001U 98067A   26340.50000000  .00012000  00000-0  21000-3 0  9999",
                                 "2 90001  51.6400 121.5000 0004500  85.0000 275.1000 15.50000000123450");
    ASSERT_TRUE(set);
    const orbit::Sgp4 model(*set);
    const orbit::JulianDate epoch{set->EpochJulianWhole(), set->EpochJulianFraction()};
    const orbit::Geodetic observer{35.68, 139.77, 40};
    constexpr double TurnPerSecond = 1.00273781191135448 * 360 / 86400; // degrees of longitude
    for (const double dut1 : {-0.9, -0.25, 0.1, 0.9}) {
        SCOPED_TRACE(dut1);
        orbit::Geodetic east = observer;
        east.longitude += TurnPerSecond * dut1;
        for (int minute = 0; minute < 1440; minute += 7) {
            const auto t = epoch.PlusSeconds(minute * 60);
            const auto turned = orbit::Observe(model, observer, t, dut1);
            const auto moved = orbit::Observe(model, east, t);
            ASSERT_TRUE(turned.ok() && moved.ok());
            EXPECT_LT(AngleDifference(turned.observation.look.azimuth, moved.observation.look.azimuth), 1e-5);
            EXPECT_NEAR(turned.observation.look.elevation, moved.observation.look.elevation, 1e-5);
        }
    }
    // The size of the effect: the largest shift over the day's passes for a tenth of a second.
    double largest = 0;
    for (int second = 0; second < 86400; second += 5) {
        const auto t = epoch.PlusSeconds(second);
        const auto a = orbit::Observe(model, observer, t);
        if (!a.ok() || a.observation.look.elevation < 0)
            continue;
        const auto b = orbit::Observe(model, observer, t, 0.1);
        const double el = a.observation.look.elevation * 3.14159265358979 / 180;
        largest = std::max(
            largest,
            std::hypot(AngleDifference(a.observation.look.azimuth, b.observation.look.azimuth) * std::cos(el),
                       a.observation.look.elevation - b.observation.look.elevation));
    }
    EXPECT_GT(largest, 0.004);
    EXPECT_LT(largest, 0.0075);
    std::printf("largest shift for 0.1 s of UT1 - UTC over a day: %.4f degrees\n", largest);
}

} // namespace

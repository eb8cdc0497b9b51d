// SPDX-License-Identifier: GPL-3.0-or-later
#include "skymap/SkyProjection.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// Azimuths outside 0..360 land on the centre; elevations are not limited. A click on a clickable row's
// point gives its angles back.
TEST(SkyPlot, QuadrantsRangeEndsAndClicksBack) {
    const double r30 = 2200.0 / 3, r60 = 1100.0 / 3, h = std::sqrt(0.5);
    const struct {
        const char* name;
        double azimuth, elevation, x, y;
        bool clickable;
    } rows[] = {
        // clang-format off
        {"north", 0, 0, 0, -1100, false},
        {"north again", 360, 0, 0, -1100, true},
        {"just below 0", -0.1, 0, 0, 0, false},
        {"just above 360", 360.1, 0, 0, 0, false},
        {"zenith", 270, 90, 0, 0, true},
        {"north-east", 30, 60, r60 * 0.5, -r60 * std::cos(MapPi / 6), true},
        {"south-east", 135, 30, r30 * h, r30 * h, true},
        {"south-west", 225, 60, -r60 * h, r60 * h, true},
        {"north-west", 300, 30, -r30 * std::sin(MapPi / 3), -r30 * 0.5, true},
        {"below horizon", 360, -10, 0, -1100 * 100.0 / 90, true},
        {"above zenith is mirrored", 0, 100, 0, 1100 * 10.0 / 90, false},
        // clang-format on
    };
    for (const auto& row : rows) {
        EXPECT_NEAR(SkyPlotX(row.azimuth, row.elevation), row.x, 1e-6) << row.name;
        EXPECT_NEAR(SkyPlotY(row.azimuth, row.elevation), row.y, 1e-6) << row.name;
        if (row.clickable) {
            EXPECT_NEAR(ClickAzimuth(1380 + row.x, 1350 + row.y), row.azimuth, 1e-6) << row.name;
            EXPECT_NEAR(ClickElevation(1380 + row.x, 1350 + row.y), row.elevation, 1e-6) << row.name;
        }
    }
}

TEST(HalfTurn, BothFrames) {
    const struct { double in, out; } rows[] = {{179.9, 359.9}, {180, 0}, {-1, -181}};
    for (const auto& row : rows)
        EXPECT_NEAR(HalfTurn(row.in), row.out, 1e-9) << row.in;
}

} // namespace

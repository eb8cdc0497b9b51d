#include "skymap/SkyProjection.h"
#include "skymap/SkyMapMarks.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// Each quadrant is closed at its upper end; azimuths outside 0..360 land on the centre.
TEST(SkyPlot, QuadrantBoundsAndOffRangeAzimuths) {
    const double r30 = 2200.0 / 3, r60 = 1100.0 / 3, h = std::sqrt(0.5), d = 0.5 * MapPi / 180;
    const struct {
        const char* name;
        double azimuth, elevation, x, y;
    } rows[] = {
        // clang-format off
        {"north", 0, 0, 0, -1100}, {"east", 90, 0, 1100, 0}, {"south", 180, 0, 0, 1100},
        {"west", 270, 0, -1100, 0}, {"north again", 360, 0, 0, -1100}, {"zenith", 217, 90, 0, 0},
        {"just below 0", -0.1, 0, 0, 0}, {"just above 360", 360.1, 0, 0, 0}, {"far outside", 720, 45, 0, 0},
        {"south-east", 135, 30, r30 * h, r30 * h}, {"south-west", 225, 60, -r60 * h, r60 * h},
        {"north-west", 300, 30, -r30 * std::sin(MapPi / 3), -r30 * 0.5},
        {"north-east", 30, 60, r60 * 0.5, -r60 * std::cos(MapPi / 6)},
        {"just past east", 90.5, 0, 1100 * std::cos(d), 1100 * std::sin(d)},
        {"below horizon", 0, -10, 0, -1100 * 100.0 / 90},
        {"above zenith is mirrored", 0, 100, 0, 1100 * 10.0 / 90},
        // clang-format on
    };
    for (const auto& row : rows) {
        EXPECT_NEAR(SkyPlotX(row.azimuth, row.elevation), row.x, 1e-6) << row.name;
        EXPECT_NEAR(SkyPlotY(row.azimuth, row.elevation), row.y, 1e-6) << row.name;
    }
}

TEST(HalfTurn, BothFrames) {
    const struct {
        double in, out;
    } rows[] = {{0, 180}, {90, 270}, {179.9, 359.9}, {180, 0}, {359, 179}, {360, 180}, {-1, -181}};
    for (const auto& row : rows)
        EXPECT_NEAR(HalfTurn(row.in), row.out, 1e-9) << row.in;
}

TEST(Click, AzimuthAndElevationInEveryQuadrant) {
    const double e = 90 - std::sqrt(2.0) * 100 * 90 / 1100;
    const struct {
        const char* name;
        double x, y;
        bool south;
        double azimuth, elevation;
    } rows[] = {
        // clang-format off
        {"top of horizon", 1380, 250, false, 360, 0}, {"top, south start", 1380, 250, true, 180, 0},
        {"east", 2480, 1350, false, 90, 0}, {"south", 1380, 2450, false, 180, 0},
        {"west", 280, 1350, false, 270, 0}, {"centre", 1380, 1350, false, 270, 90},
        {"east, south start", 2480, 1350, true, 270, 0}, {"west, south start", 280, 1350, true, 90, 0},
        {"north-east", 1480, 1250, false, 45, e}, {"south-east", 1480, 1450, false, 135, e},
        {"south-west", 1280, 1450, false, 225, e}, {"north-west", 1280, 1250, false, 315, e},
        {"outside the horizon", 1380 + 1210, 1350, false, 90, -9},
        // clang-format on
    };
    for (const auto& row : rows) {
        EXPECT_NEAR(ClickAzimuth(row.x, row.y, row.south), row.azimuth, 1e-9) << row.name;
        EXPECT_NEAR(ClickElevation(row.x, row.y), row.elevation, 1e-9) << row.name;
    }
    // Straight up is exactly 360, else a range ending at 360 would refuse the northern point.
    EXPECT_EQ(ClickAzimuth(1380, 250), 360.0);
    EXPECT_EQ(ClickAzimuth(1380, 1349), 360.0);
}

TEST(Click, PixelToAnglesAndBackWithinOnePixel) {
    // Snap projected points onto a pixel the way a click reports them, and project the click's angles.
    for (int az = 0; az <= 360; az += 7) {
        for (int el = 0; el <= 90; el += 10) {
            const QPointF p = SkyMapPoint(az, el);
            const double clickX = std::floor(p.x() / 15) * 15, clickY = std::floor(p.y() / 15) * 15;
            const QPointF back = SkyMapPoint(ClickAzimuth(clickX, clickY), ClickElevation(clickX, clickY));
            EXPECT_LE(std::abs(back.x() - clickX), 1e-6) << az << " " << el;
            EXPECT_LE(std::abs(back.y() - clickY), 1e-6) << az << " " << el;
            EXPECT_LT(std::abs(back.x() - p.x()), 15) << az << " " << el;
            EXPECT_LT(std::abs(back.y() - p.y()), 15) << az << " " << el;
        }
    }
}

} // namespace

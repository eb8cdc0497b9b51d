#include "skymap/SkyProjection.h"
#include "skymap/SkyMapMarks.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr double kEps = 1e-6;

struct PlotRow {
    const char* what;
    double azimuth, elevation, x, y;
};

class SkyPlotTest : public ::testing::TestWithParam<PlotRow> {};

TEST_P(SkyPlotTest, OffsetsFromCentre) {
    const PlotRow& row = GetParam();
    EXPECT_NEAR(SkyPlotX(row.azimuth, row.elevation), row.x, kEps) << row.what;
    EXPECT_NEAR(SkyPlotY(row.azimuth, row.elevation), row.y, kEps) << row.what;
}

const double r30 = 2200.0 / 3, r60 = 1100.0 / 3, rMinus10 = 100 * 1100.0 / 90, r100 = -10 * 1100.0 / 90;

INSTANTIATE_TEST_SUITE_P(
    Rows, SkyPlotTest,
    ::testing::Values(PlotRow{"north", 0, 0, 0, -1100}, PlotRow{"east", 90, 0, 1100, 0},
                      PlotRow{"south", 180, 0, 0, 1100}, PlotRow{"west", 270, 0, -1100, 0},
                      PlotRow{"north again", 360, 0, 0, -1100}, PlotRow{"zenith", 0, 90, 0, 0},
                      PlotRow{"zenith any azimuth", 217, 90, 0, 0}, PlotRow{"just below 0", -0.1, 0, 0, 0},
                      PlotRow{"just above 360", 360.1, 0, 0, 0}, PlotRow{"far outside", 720, 45, 0, 0},
                      PlotRow{"south-east", 135, 30, r30* std::sqrt(0.5), r30* std::sqrt(0.5)},
                      PlotRow{"south-west", 225, 60, -r60* std::sqrt(0.5), r60* std::sqrt(0.5)},
                      PlotRow{"north-west", 300, 30, -r30* std::sin(MapPi / 3), -r30 * 0.5},
                      PlotRow{"north-east", 30, 60, r60 * 0.5, -r60* std::cos(MapPi / 6)},
                      PlotRow{"below horizon", 0, -10, 0, -rMinus10},
                      PlotRow{"above zenith is mirrored", 0, 100, 0, -r100},
                      PlotRow{"just past east", 90.5, 0, 1100 * std::cos(0.5 * MapPi / 180),
                              1100 * std::sin(0.5 * MapPi / 180)}));

TEST(ElevationRadius, KnownRings) {
    EXPECT_DOUBLE_EQ(ElevationRadius(0), 1100);
    EXPECT_NEAR(ElevationRadius(30), 733.333333, 1e-5);
    EXPECT_NEAR(ElevationRadius(60), 366.666667, 1e-5);
    EXPECT_DOUBLE_EQ(ElevationRadius(90), 0);
    EXPECT_NEAR(ElevationRadius(-10), 1222.2222, 1e-4);
}

TEST(HalfTurn, BothFrames) {
    const struct {
        double in, out;
    } rows[] = {{0, 180}, {90, 270}, {179.9, 359.9}, {180, 0}, {359, 179}, {360, 180}, {-1, -181}};
    for (const auto& row : rows)
        EXPECT_NEAR(HalfTurn(row.in), row.out, 1e-9) << row.in;
}

TEST(ArcTan2, QuadrantsAndAxes) {
    const double pi = 4 * std::atan(1.0);
    const struct {
        double x, y, angle;
    } rows[] = {{1, 0, 0},           {1, 1, pi / 4},
                {-1, 1, 3 * pi / 4}, {-1, -1, -3 * pi / 4},
                {1, -1, -pi / 4},    {-1, 0, pi},
                {0, 2, pi / 2},      {0, -2, -pi / 2},
                {0, 0, 0},           {3, 4, std::atan2(4.0, 3.0)}};
    for (const auto& row : rows)
        EXPECT_NEAR(ArcTan2(row.x, row.y), row.angle, 1e-12) << row.x << "," << row.y;
}

struct ClickRow {
    const char* what;
    double x, y;
    bool south;
    double azimuth, elevation;
};

class ClickTest : public ::testing::TestWithParam<ClickRow> {};

TEST_P(ClickTest, AzimuthAndElevation) {
    const ClickRow& row = GetParam();
    EXPECT_NEAR(ClickAzimuth(row.x, row.y, row.south), row.azimuth, 1e-9) << row.what;
    EXPECT_NEAR(ClickElevation(row.x, row.y), row.elevation, 1e-9) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ClickTest,
    ::testing::Values(ClickRow{"top of horizon", 1380, 250, false, 360, 0},
                      ClickRow{"top, south start", 1380, 250, true, 180, 0},
                      ClickRow{"east", 2480, 1350, false, 90, 0},
                      ClickRow{"south", 1380, 2450, false, 180, 0},
                      ClickRow{"west", 280, 1350, false, 270, 0},
                      ClickRow{"centre", 1380, 1350, false, 270, 90},
                      ClickRow{"east, south start", 2480, 1350, true, 270, 0},
                      ClickRow{"west, south start", 280, 1350, true, 90, 0},
                      ClickRow{"north-east", 1480, 1250, false, 45, 90 - std::sqrt(2.0) * 100 * 90 / 1100},
                      ClickRow{"south-east", 1480, 1450, false, 135, 90 - std::sqrt(2.0) * 100 * 90 / 1100},
                      ClickRow{"south-west", 1280, 1450, false, 225, 90 - std::sqrt(2.0) * 100 * 90 / 1100},
                      ClickRow{"north-west", 1280, 1250, false, 315, 90 - std::sqrt(2.0) * 100 * 90 / 1100},
                      ClickRow{"outside the horizon", 1380 + 1210, 1350, false, 90, -9}));

TEST(ClickAzimuth, StraightUpIsExactly360) {
    // A range ending at 360 must take the northern point.
    EXPECT_EQ(ClickAzimuth(1380, 250), 360.0);
    EXPECT_EQ(ClickAzimuth(1380, 1349), 360.0);
}

TEST(ClickRoundTrip, PixelToAnglesAndBackWithinOnePixel) {
    // Take every 7th azimuth and every 10th elevation, snap the projected point onto a pixel the way a
    // click would report it, and project the angles of that click again.
    for (int az = 0; az <= 360; az += 7) {
        for (int el = 0; el <= 90; el += 10) {
            const QPointF p = SkyMapPoint(az, el);
            const double clickX = std::floor(p.x() / 15) * 15;
            const double clickY = std::floor(p.y() / 15) * 15;
            const QPointF back = SkyMapPoint(ClickAzimuth(clickX, clickY), ClickElevation(clickX, clickY));
            EXPECT_LE(std::abs(back.x() - clickX), 1e-6) << az << " " << el;
            EXPECT_LE(std::abs(back.y() - clickY), 1e-6) << az << " " << el;
            EXPECT_LT(std::abs(back.x() - p.x()), 15) << az << " " << el;
            EXPECT_LT(std::abs(back.y() - p.y()), 15) << az << " " << el;
        }
    }
}

} // namespace

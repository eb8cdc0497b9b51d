#include "MapTestSupport.h"
#include "support/FakePorts.h"

#include "common/MainState.h"
#include "skymap/PointingByMouse.h"
#include "skymap/SkyProjection.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

struct ClickCase {
    const char* what = "";
    std::int16_t mode = 0;
    QString dialogOpen = QStringLiteral("0");
    QString startPoint = QStringLiteral("0");
    double eMin = 0, eMax = 90, aMin = 0, aMax = 360;
    double x = 0, y = 0;
    QStringList messages;
    std::optional<double> azimuth; // recorded pointed azimuth, if the click is accepted
    double elevation = 0;
};

class MouseDownTest : public ::testing::TestWithParam<ClickCase> {};

TEST_P(MouseDownTest, StepsAndMessages) {
    const ClickCase& c = GetParam();
    MainState state;
    state.OperatingMode = c.mode;
    state.module.SettingsDialogOpen = c.dialogOpen;
    state.AzimuthStartPoint = c.startPoint;
    state.module.ElevationRangeMin = c.eMin;
    state.module.ElevationRangeMax = c.eMax;
    state.module.AzimuthRangeMin = c.aMin;
    state.module.AzimuthRangeMax = c.aMax;
    // An earlier pointed position, which a refused click must keep.
    state.PointMarkX = 1111;
    state.PointMarkY = 999;
    state.PointedAzimuth = 12;
    state.PointedElevation = 34;
    state.PointMarkShown = 1;

    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    painter.DrawSkyMap(c.eMin, c.eMax, c.aMin, c.aMax, c.startPoint != "0");
    painter.DrawAntennaMark(2000, 700);
    const QImage before = layer.copy();

    RecordingMessages messages;
    Picture1_MouseDown(state, messages, painter, c.x, c.y);
    EXPECT_EQ(messages.texts, c.messages) << c.what;

    const bool refusedEarly = c.dialogOpen == "1" || c.mode != 0;
    if (refusedEarly)
        EXPECT_EQ(layer, before) << c.what << ": the map must stay as it was";
    else
        EXPECT_TRUE(SameColour(ColourAt(painter, layer, {2000, 700}), MapColour::AllowedBlue))
            << c.what << ": the antenna mark must be cleared away";

    if (c.azimuth) {
        EXPECT_NEAR(state.PointedAzimuth, *c.azimuth, 1e-9) << c.what;
        EXPECT_NEAR(state.PointedElevation, c.elevation, 1e-9) << c.what;
        EXPECT_EQ(state.PointMarkX, c.x);
        EXPECT_EQ(state.PointMarkY, c.y);
        EXPECT_EQ(state.PointMarkShown, 1);
        EXPECT_TRUE(SameColour(ColourAt(painter, layer, {c.x, c.y}), MapColour::Yellow)) << c.what;
    } else {
        EXPECT_EQ(state.PointedAzimuth, 12) << c.what;
        EXPECT_EQ(state.PointedElevation, 34) << c.what;
        EXPECT_EQ(state.PointMarkX, 1111) << c.what;
        EXPECT_EQ(state.PointMarkY, 999) << c.what;
        EXPECT_EQ(state.PointMarkShown, 1) << c.what;
    }
}

const QString kAz = AzimuthForbiddenText;
const QString kEl = ElevationForbiddenText;
const double kNorthEastEl = 90 - std::sqrt(2.0) * 400 * 90 / 1100;

ClickCase Case(const char* what) {
    ClickCase c;
    c.what = what;
    return c;
}
ClickCase With(ClickCase c, auto&& change) {
    change(c);
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, MouseDownTest,
    ::testing::Values(
        With(Case("settings dialog open: ignored"),
             [](ClickCase& c) { c.dialogOpen = "1", c.x = 1780, c.y = 950; }),
        With(Case("automatic tracking running"),
             [](ClickCase& c) { c.mode = 2, c.x = 1780, c.y = 950, c.messages = {AutoTrackingRunningText}; }),
        With(Case("manual operation running"),
             [](ClickCase& c) { c.mode = 1, c.x = 1780, c.y = 950, c.messages = {ManualRunningText}; }),
        With(Case("full range, north-east"),
             [](ClickCase& c) { c.x = 1780, c.y = 950, c.azimuth = 45, c.elevation = kNorthEastEl; }),
        With(Case("full range, outside the horizon is accepted"),
             [](ClickCase& c) { c.x = 1380 + 1210, c.y = 1350, c.azimuth = 90, c.elevation = -9; }),
        With(Case("full range, centre"),
             [](ClickCase& c) { c.x = 1380, c.y = 1350, c.azimuth = 270, c.elevation = 90; }),
        With(Case("azimuth 10..350: north refused"),
             [](ClickCase& c) { c.aMin = 10, c.aMax = 350, c.x = 1380, c.y = 250, c.messages = {kAz}; }),
        With(Case("azimuth 10..350: east accepted"),
             [](ClickCase& c) {
                 c.aMin = 10, c.aMax = 350, c.x = 2480, c.y = 1350, c.azimuth = 90, c.elevation = 0;
             }),
        With(Case("azimuth 10..360: north accepted"),
             [](ClickCase& c) {
                 c.aMin = 10, c.aMax = 360, c.x = 1380, c.y = 250, c.azimuth = 360, c.elevation = 0;
             }),
        With(Case("south start, 10..350: north is rotator 180 and accepted"),
             [](ClickCase& c) {
                 c.startPoint = "1", c.aMin = 10, c.aMax = 350, c.x = 1380, c.y = 250, c.azimuth = 180,
                 c.elevation = 0;
             }),
        With(Case("south start, 10..350: south is refused"),
             [](ClickCase& c) {
                 c.startPoint = "1", c.aMin = 10, c.aMax = 350, c.x = 1380, c.y = 2300, c.messages = {kAz};
             }),
        With(Case("south start, full range: no turn check, azimuth in rotator frame"),
             [](ClickCase& c) {
                 c.startPoint = "1", c.x = 2480, c.y = 1350, c.azimuth = 270, c.elevation = 0;
             }),
        With(Case("elevation 10..90: low click refused"),
             [](ClickCase& c) { c.eMin = 10, c.x = 1380, c.y = 300, c.messages = {kEl}; }),
        With(Case("elevation 0..80: zenith refused"),
             [](ClickCase& c) { c.eMax = 80, c.x = 1380, c.y = 1350, c.messages = {kEl}; }),
        With(Case("elevation 10..90: outside the horizon refused"),
             [](ClickCase& c) { c.eMin = 10, c.x = 2590, c.y = 1350, c.messages = {kEl}; }),
        With(Case("both ranges: azimuth refused first"),
             [](ClickCase& c) {
                 c.eMin = 10, c.aMin = 10, c.aMax = 350, c.x = 1380, c.y = 300, c.messages = {kAz};
             }),
        With(Case("both ranges: accepted inside"), [](ClickCase& c) {
            c.eMin = 10, c.eMax = 80, c.aMin = 10, c.aMax = 350, c.x = 1780, c.y = 950, c.azimuth = 45,
            c.elevation = kNorthEastEl;
        })));

TEST(MouseDown, LaterClickReplacesThePointedPosition) {
    MainState state;
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    RecordingMessages messages;
    Picture1_MouseDown(state, messages, painter, 1780, 950);
    Picture1_MouseDown(state, messages, painter, 980, 1750);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_NEAR(state.PointedAzimuth, 225, 1e-9);
    EXPECT_EQ(state.PointMarkX, 980);
    // Only the latest mark is on the map.
    EXPECT_TRUE(SameColour(ColourAt(painter, layer, {980, 1750}), MapColour::Yellow));
    EXPECT_TRUE(SameColour(ColourAt(painter, layer, {1780, 950}), MapColour::AllowedBlue));
}

} // namespace

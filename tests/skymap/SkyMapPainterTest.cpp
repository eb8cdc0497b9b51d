// SPDX-License-Identifier: GPL-3.0-or-later
#include "MapTestSupport.h"

#include "common/MainState.h"
#include "skymap/SkyProjection.h"
#include "support/ScenarioForTests.h"

#include <gtest/gtest.h>

namespace {

// Probes keep away from the rings (elevations 30, 60), the cross (azimuths 0, 90, 180, 270) and the
// edges of the regions, so antialiasing does not matter.
TEST(DrawSkyMap, ForbiddenRegionsAreRedAndTheRestBlue) {
    struct Probe {
        double azimuth, elevation;
        bool red;
    };
    const struct {
        const char* name;
        double eMin, eMax, aMin, aMax;
        bool south;
        std::vector<Probe> probes;
    } rows[] = {
        // clang-format off
        // South start: the rotator's 0..180 lies west; a maximum of 0 ends the sector at east.
        {"full range", 0, 90, 0, 360, false, {{45, 5, 0}, {200, 45, 0}, {315, 85, 0}}},
        {"el 10..90", 10, 90, 0, 360, false, {{225, 8, 1}, {45, 12, 0}, {225, 85, 0}}},
        {"el 10..80", 10, 80, 0, 360, false, {{45, 3, 1}, {45, 86, 1}, {45, 45, 0}}},
        {"az 10..350", 0, 90, 10, 350, false, {{5, 45, 1}, {355, 45, 1}, {15, 45, 0}, {345, 45, 0}}},
        {"az 10..350, south", 0, 90, 10, 350, true, {{175, 45, 1}, {185, 45, 1}, {195, 45, 0}, {5, 45, 0}}},
        {"az 0..180, south", 0, 90, 0, 180, true, {{225, 45, 0}, {315, 45, 0}, {45, 45, 1}, {135, 45, 1}}},
        {"az 30..0", 0, 90, 30, 0, false, {{45, 45, 0}, {20, 45, 1}, {300, 45, 1}, {135, 45, 1}}},
        // clang-format on
    };
    for (const auto& row : rows) {
        QImage layer = EmptyMapLayer();
        SkyMapPainter painter(layer);
        painter.Clear();
        painter.DrawSkyMap(row.eMin, row.eMax, row.aMin, row.aMax, row.south);
        for (const Probe& probe : row.probes) {
            const QColor c = ColourAtSky(painter, layer, probe.azimuth, probe.elevation);
            EXPECT_TRUE(SameColour(c, probe.red ? MapColour::Forbidden : MapColour::AllowedBlue))
                << row.name << ": az " << probe.azimuth << " el " << probe.elevation << " got "
                << c.name().toStdString();
        }
        // Outside the horizon the layer stays transparent, so the background picture shows there.
        EXPECT_EQ(ColourAtSky(painter, layer, 45, -15).alpha(), 0) << row.name;
    }
}

TEST(DrawSkyMap, CachedOverlayMatchesAFreshOneFollowsTheRangeAndLeavesThePenState) {
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    painter.Clear();
    painter.DrawSkyMap(10, 90, 10, 350, false);
    const QImage first = layer.copy();
    painter.DrawAntennaMark(1500, 900);
    painter.SetDrawWidth(1);
    painter.SetFillSolid(true);
    painter.Clear();
    painter.DrawSkyMap(10, 90, 10, 350, false);
    EXPECT_EQ(layer, first);
    // The marks that follow get 5-pixel unfilled outlines, from the cache as from a fresh drawing.
    EXPECT_EQ(painter.DrawWidth(), 5);
    EXPECT_FALSE(painter.FillSolid());

    painter.Clear();
    painter.DrawSkyMap(0, 90, 0, 360, false);
    EXPECT_TRUE(SameColour(ColourAtSky(painter, layer, 5, 45), MapColour::AllowedBlue));
}

// The map places the antenna where the rotator's direction lands: zenith at the centre, north up, east
// right, the horizon 1100 twips out.
TEST(DrawSkyMap, AntennaPointingLandsWhereTheDirectionProjects) {
    const struct {
        double azimuth, elevation, x, y;
    } rows[] = {
        {0, 90, 1380, 1350},
        {0, 0, 1380, 250},
        {135, 0, 1380 + 1100 * std::sqrt(0.5), 1350 + 1100 * std::sqrt(0.5)},
        {180, 30, 1380, 1350 + 1100 * 60 / 90.0},
        {270, 45, 1380 - 550, 1350},
    };
    for (const auto& row : rows) {
        QImage pointed = EmptyMapLayer(), marked = EmptyMapLayer();
        SkyMapPainter byDirection(pointed), byTwips(marked);
        byDirection.DrawAntennaPointing(row.azimuth, row.elevation);
        byTwips.DrawAntennaMark(row.x, row.y);
        // The map's pi is not the machine's: a point on a pixel's border may land on the next pixel. A mark
        // in the wrong place differs in hundreds.
        int differing = 0;
        for (int y = 0; y < pointed.height(); ++y)
            for (int x = 0; x < pointed.width(); ++x)
                differing += pointed.pixel(x, y) != marked.pixel(x, y);
        EXPECT_LE(differing, 20) << "az " << row.azimuth << " el " << row.elevation;
    }
}

// The widget shows a frame again only when its fingerprint changed: a frame that looks different must
// never keep the fingerprint of the one before, and an overlay from the cache counts like a fresh one.
TEST(DrawSkyMap, FrameSignatureChangesWithWhatIsSeen) {
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    struct Frame {
        double eMin = 0, aMin = 0;
        double antennaX = 1500, antennaY = 900;
        QColor body = MapColour::Sun;
        bool targetTwice = false;
        bool markedAgain = false; // a positioning step's reading redraws the unmoved antenna and bodies
    };
    auto draw = [&](const Frame& f) {
        painter.Clear();
        painter.DrawSkyMap(f.eMin, 90, f.aMin, 360, false);
        painter.DrawTargetMark(1000, 1000);
        painter.DrawAntennaMark(f.antennaX, f.antennaY);
        if (f.targetTwice)
            painter.DrawTargetMark(1000, 1000);
        painter.DrawBodyMark(2000, 1200, f.body);
        if (f.markedAgain) {
            painter.DrawAntennaMark(f.antennaX, f.antennaY);
            painter.DrawBodyMark(2000, 1200, f.body);
        }
        return painter.FrameSignature();
    };
    const std::uint64_t first = draw({}); // the overlay drawn afresh, then kept
    const struct {
        const char* name;
        Frame frame;
        bool same;
    } rows[] = {
        {"the same frame, overlay from the cache", {}, true},
        {"antenna moved a fifteenth of a pixel", {.antennaX = 1501}, true},
        {"antenna moved one pixel", {.antennaX = 1515}, false},
        {"antenna moved one pixel down", {.antennaY = 915}, false},
        {"another body colour", {.body = MapColour::Moon}, false},
        {"elevation range", {.eMin = 10}, false},
        {"azimuth range", {.aMin = 10}, false},
        {"target drawn again over the antenna", {.targetTwice = true}, false},
        {"antenna and body drawn again where they were", {.markedAgain = true}, true},
    };
    for (const auto& row : rows) {
        const QImage before = layer.copy();
        const std::uint64_t signature = draw(row.frame);
        EXPECT_EQ(signature == first, row.same) << row.name;
        if (!row.same) {
            EXPECT_NE(layer, before) << row.name << ": the picture did change";
        }
    }
}

TEST(CelestialMarks, BodiesLandAtTheirCompassDirections) {
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    MainState state;
    auto drawOnFreshMap = [&](void (*draw)(SkyMapPainter&, const MainState&)) {
        painter.Clear();
        painter.DrawSkyMap(0, 90, 0, 360, false);
        draw(painter, state);
    };
    auto bodyAt = [&](double az, double el, const QColor& colour) {
        return SameColour(ColourAtSky(painter, layer, az, el, 3), colour);
    };
    // The target's azimuth is in the rotator frame; only the Sun, the Moon and Mars are marked.
    state.AzimuthStartPoint = QStringLiteral("1");
    SetOwned(state.TargetName, QStringLiteral("月"));
    SetOwned(state.TargetAzimuth, 100);
    SetOwned(state.TargetElevation, 45);
    drawOnFreshMap(DrawCelestialMarks);
    EXPECT_TRUE(bodyAt(280, 45, MapColour::Moon));
    EXPECT_TRUE(bodyAt(100, 45, MapColour::AllowedBlue));
    SetOwned(state.TargetName, QStringLiteral("ISS"));
    drawOnFreshMap(DrawCelestialMarks);
    EXPECT_TRUE(bodyAt(280, 45, MapColour::AllowedBlue));

    // Switched-on bodies come from their data boxes. With a south start point the tracking cycle has
    // rewritten the selected target's box into the rotator frame (compass 135 -> 315); others are compass.
    SetOwned(state.TargetName, QStringLiteral("太陽"));
    const char* boxes[] = {"315", "45", "225", "45", "", "", "315.0", "-10.0"}; // Sun, Moon, -, Mars
    for (int i = 0; i < 8; ++i)
        state.DataBox[12 + i] = QString::fromLatin1(boxes[i]);
    state.ShowSun = state.ShowMars = true;
    drawOnFreshMap(DrawSunMoonMars);
    EXPECT_TRUE(bodyAt(135, 45, MapColour::Sun));
    EXPECT_TRUE(bodyAt(315, 45, MapColour::AllowedBlue));
    EXPECT_TRUE(bodyAt(225, 45, MapColour::AllowedBlue)); // the Moon is off
    EXPECT_TRUE(bodyAt(315, -10, MapColour::MarsShown));  // below the horizon: drawn outside it
}

} // namespace

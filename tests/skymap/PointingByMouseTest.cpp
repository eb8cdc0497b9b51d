// SPDX-License-Identifier: GPL-3.0-or-later
#include "MapTestSupport.h"
#include "support/FakePorts.h"

#include "common/MainState.h"
#include "skymap/PointingByMouse.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

TEST(MouseDown, PointsInsideTheRangesAndRefusesWithAMessage) {
    constexpr std::optional<double> refused;
    const QString az = AzimuthForbiddenText, el = ElevationForbiddenText;
    const QString tracking = AutoTrackingRunningText, manual = ManualRunningText;
    const struct {
        const char* name;
        RunMode mode;
        bool dialogOpen, south;
        double eMin, eMax, aMin, aMax, x, y;
        QString message;
        std::optional<double> azimuth; // recorded when the click is accepted
        double elevation;
    } rows[] = {
        // clang-format off
        {"settings dialog open: ignored", RunMode::Stopped, true, false, 0, 90, 0, 360, 1780, 950, {}, refused, 0},
        {"automatic tracking running", RunMode::Automatic, false, false, 0, 90, 0, 360, 1780, 950, tracking, refused, 0},
        {"manual operation running", RunMode::Manual, false, false, 0, 90, 0, 360, 1780, 950, manual, refused, 0},
        {"full range, outside the horizon", RunMode::Stopped, false, false, 0, 90, 0, 360, 2590, 1350, {}, 90, -9},
        {"azimuth 10..350: north refused", RunMode::Stopped, false, false, 0, 90, 10, 350, 1380, 250, az, refused, 0},
        {"azimuth 10..360: north accepted", RunMode::Stopped, false, false, 0, 90, 10, 360, 1380, 250, {}, 360, 0},
        {"south start 10..350: north is 180", RunMode::Stopped, false, true, 0, 90, 10, 350, 1380, 250, {}, 180, 0},
        {"elevation 10..90: low click refused", RunMode::Stopped, false, false, 10, 90, 0, 360, 1380, 300, el, refused, 0},
        {"elevation 0..80: zenith refused", RunMode::Stopped, false, false, 0, 80, 0, 360, 1380, 1350, el, refused, 0},
        {"both ranges: azimuth refused first", RunMode::Stopped, false, false, 10, 90, 10, 350, 1380, 300, az, refused, 0},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MainState state;
        state.OperatingMode = row.mode;
        state.module.SettingsDialogOpen = row.dialogOpen ? QStringLiteral("1") : QStringLiteral("0");
        state.AzimuthStartPoint = row.south ? QStringLiteral("1") : QStringLiteral("0");
        state.module.ElevationRangeMin = row.eMin;
        state.module.ElevationRangeMax = row.eMax;
        state.module.AzimuthRangeMin = row.aMin;
        state.module.AzimuthRangeMax = row.aMax;
        state.PointMarkX = 1111;
        state.PointMarkY = 999;
        state.PointedAzimuth = 12;
        state.PointedElevation = 34;
        state.PointMarkShown = 1;

        QImage layer = EmptyMapLayer();
        SkyMapPainter painter(layer);
        painter.DrawAntennaMark(2000, 700);
        const QImage before = layer.copy();

        RecordingMessages messages;
        Picture1_MouseDown(state, messages, painter, row.x, row.y);
        EXPECT_EQ(messages.texts, row.message.isEmpty() ? QStringList() : QStringList{row.message});

        const bool accepted = row.azimuth.has_value();
        EXPECT_NEAR(state.PointedAzimuth, accepted ? *row.azimuth : 12, 1e-9);
        EXPECT_NEAR(state.PointedElevation, accepted ? row.elevation : 34, 1e-9);
        EXPECT_EQ(state.PointMarkX, accepted ? row.x : 1111);
        EXPECT_EQ(state.PointMarkY, accepted ? row.y : 999);
        EXPECT_EQ(state.PointMarkShown, 1);
        if (row.dialogOpen || row.mode != RunMode::Stopped) {
            EXPECT_EQ(layer, before) << "the map must stay as it was";
            continue;
        }
        // Redrawn from the state's ranges without the antenna mark; an accepted click marked under the mouse.
        QImage expected = EmptyMapLayer();
        SkyMapPainter reference(expected);
        reference.DrawSkyMap(row.eMin, row.eMax, row.aMin, row.aMax, row.south);
        if (accepted) {
            reference.DrawPointedMark(row.x, row.y, PointedMarkKind::RangeCheck);
            EXPECT_TRUE(SameColour(ColourAt(painter, layer, {row.x, row.y}), MapColour::Yellow));
        }
        EXPECT_EQ(layer, expected);
    }
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracking/TrackingRules.h"
#include "common/MainState.h"
#include "links/DataLinkWatch.h"
#include "tracking/VisibilityCue.h"

#include <QTimeZone>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(TrackingRules, TargetAngleTextAndHorizon) {
    EXPECT_EQ(TargetAngleText(-5.2), "-5.20");
    // Above the horizon needs both numbers at least zero.
    const std::tuple<double, double, bool> horizon[] = {
        {0, 0, true}, {10, -0.1, false}, {-1, 10, false}, {10, NaN, false}, {NaN, 5, false},
    };
    for (const auto& [az, el, up] : horizon)
        EXPECT_EQ(AboveHorizon(az, el), up) << az << " " << el;
}

TEST(TrackingRules, InformationBoxesFromRawValues) {
    // Text18 never linked (Calsat32) has no leading number; the revolution (Text8) stays as received.
    const std::map<int, std::pair<const char*, const char*>> rows{
        {5, {"1234567", "1234.6"}}, {6, {"-2346", "-2.35"}},   {7, {"123.456", "123.5"}},
        {8, {"45678", "45678"}},    {13, {"-12.96", "-13.0"}}, {15, {" 7.05km", "7.1"}},
        {18, {"Text18", "0.0"}},
    };
    MainState state;
    for (const auto& [box, row] : rows)
        state.DataBox[box] = QString::fromLatin1(row.first);
    FormatInformationBoxes(state.DataBox);
    for (const auto& [box, row] : rows)
        EXPECT_EQ(state.DataBox[box], QString::fromLatin1(row.second)) << "Text" << box;
}

TEST(TrackingRules, RangeSideCountsTheToleranceInside) {
    struct Row {
        double present, tolerance, min, max;
        RangeSide side;
    };
    const Row rows[] = {
        {361.5, 1.5, 0, 360, RangeSide::Inside},
        {361.6, 1.5, 0, 360, RangeSide::Above},
        {-1.5, 1.5, 0, 360, RangeSide::Inside},
        {-2, 1.5, 0, 360, RangeSide::Below},
    };
    for (const Row& r : rows)
        EXPECT_EQ(AxisRangeSide(r.present, r.tolerance, r.min, r.max), r.side) << r.present;
}

// The local clock is called JST only where it is UTC+9; a UTC machine must not show two clocks
// one of which claims to be JST.
TEST(TrackingRules, LocalClockNamesItsOwnZone) {
    const struct {
        QTimeZone zone;
        const char* label;
    } rows[] = {
        {QTimeZone("Asia/Tokyo"), "(JST)"},
        {QTimeZone(9 * 3600), "(JST)"},
        {QTimeZone::utc(), "(UTC)"},
        {QTimeZone("Europe/Berlin"), "(CET)"},
        {QTimeZone(5 * 3600 + 1800), "(+05:30)"},
        {QTimeZone(-(3 * 3600 + 1800)), "(-03:30)"},
    };
    for (const auto& row : rows) {
        const QDateTime t(QDate(2026, 12, 8), QTime(5, 6, 7), row.zone);
        EXPECT_EQ(LocalClockText(t), QStringLiteral("2026/12/08 5:06:07") + QLatin1String(row.label))
            << row.zone.id().toStdString();
    }
}

TEST(VisibilityCue, RiseAndSetFromTwoElevations) {
    struct Row {
        bool on;
        double elevation, previous;
        const char* file;
    };
    const Row rows[] = {
        {true, 0.0, -0.4, "sound2.wav"}, {true, -5, -4, ""},           {false, 0.0, -0.4, ""},
        {true, NaN, 2, "sound3.wav"},    {true, 2, NaN, "sound2.wav"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(VisibilityCueFile(r.on, r.elevation, r.previous), QString::fromLatin1(r.file))
            << r.on << " " << r.elevation << " " << r.previous;
}

// A silent server: shown once, retried only every few seconds, stale after a few seconds, and
// announced again when it answers.
TEST(DataLinkWatch, SilenceAndReturn) {
    DataLinkWatch watch;
    struct Step {
        std::int64_t now;
        bool asks;     // ShouldRequest before the step
        bool answered; // outcome when asked
        DataLinkWatch::Change change;
        bool stale;
    };
    using C = DataLinkWatch::Change;
    const Step steps[] = {
        {1000, true, true, C::None, false},   {2000, true, false, C::Lost, false},
        {3000, false, false, C::None, false}, {6000, false, false, C::None, true},
        {7000, true, false, C::None, true},   {12000, true, true, C::Restored, false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.now);
        EXPECT_EQ(watch.ShouldRequest(s.now), s.asks);
        if (s.asks) {
            EXPECT_EQ(watch.Record(s.now, s.answered), s.change);
        }
        EXPECT_EQ(watch.DataStale(s.now), s.stale);
    }
}

} // namespace

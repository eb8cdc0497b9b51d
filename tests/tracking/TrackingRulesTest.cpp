#include "tracking/TrackingRules.h"
#include "common/MainState.h"
#include "support/FakePorts.h"
#include "tracking/DataLinkWatch.h"
#include "tracking/VisibilityCue.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(TrackingRules, TargetAnglesTakeTwoDecimalsAndNoGrouping) {
    const std::pair<double, const char*> rows[] = {
        {123.456, "123.46"}, {12.3, "12.30"},     {-5.2, "-5.20"},         {0, "0.00"},
        {0.004, "0.00"},     {359.995, "360.00"}, {12345.678, "12345.68"}, {-0.5, "-0.50"},
    };
    for (const auto& [value, text] : rows)
        EXPECT_EQ(TargetAngleText(value), QString::fromLatin1(text)) << value;
}

TEST(TrackingRules, AboveHorizonNeedsBothNumbersAtLeastZero) {
    struct Row {
        double az, el;
        bool up;
    };
    const Row rows[] = {{123.4, 12.3, true}, {0, 0, true},    {10, -0.1, false}, {-1, 10, false},
                        {10, NaN, false},    {NaN, 5, false}, {-181, -3, false}};
    for (const Row& r : rows)
        EXPECT_EQ(AboveHorizon(r.az, r.el), r.up) << r.az << " " << r.el;
}

TEST(TrackingRules, InformationBoxesFromRawValues) {
    MainState state;
    auto& b = state.DataBox;
    b[5] = "1234567";
    b[6] = "-2346";
    b[7] = "123.456";
    b[8] = "45678";
    b[12] = "250.04";
    b[13] = "-12.96";
    b[14] = "abc";
    b[15] = " 7.05km";
    b[18] = "Text18"; // never linked (Calsat32): no leading number
    b[19] = "1e2";
    FormatInformationBoxes(b);
    EXPECT_EQ(b[5], "1234.6");
    EXPECT_EQ(b[6], "-2.35");
    EXPECT_EQ(b[7], "123.5");
    EXPECT_EQ(b[8], "45678"); // the revolution number is left as received
    EXPECT_EQ(b[12], "250.0");
    EXPECT_EQ(b[13], "-13.0");
    EXPECT_EQ(b[14], "0.0");
    EXPECT_EQ(b[15], "7.1");
    EXPECT_EQ(b[18], "0.0");
    EXPECT_EQ(b[19], "100.0");
}

TEST(TrackingRules, TargetOfEachOption) {
    MainState state;
    state.DataBox[1] = "ISS";
    struct Row {
        int option;
        const char* name;
        int az, el;
    };
    const Row rows[] = {{1, "ISS", 3, 4}, {2, "太陽", 12, 13}, {3, "月", 14, 15}, {4, "火星", 18, 19}};
    for (const Row& r : rows) {
        const auto choice = TargetOfOption(r.option, state);
        ASSERT_TRUE(choice);
        EXPECT_EQ(choice->name, QString::fromUtf8(r.name));
        EXPECT_EQ(choice->azimuthBox, r.az);
        EXPECT_EQ(choice->elevationBox, r.el);
    }
    EXPECT_FALSE(TargetOfOption(0, state));
}

TEST(TrackingRules, RangeSideCountsTheToleranceInside) {
    struct Row {
        double present, tolerance, min, max;
        RangeSide side;
    };
    const Row rows[] = {
        {365, 1.5, 0, 360, RangeSide::Above},   {361.5, 1.5, 0, 360, RangeSide::Inside},
        {361.6, 1.5, 0, 360, RangeSide::Above}, {-1.5, 1.5, 0, 360, RangeSide::Inside},
        {-2, 1.5, 0, 360, RangeSide::Below},    {45, 1, 10, 80, RangeSide::Inside},
        {5, 1, 10, 80, RangeSide::Below},       {85, 1, 10, 80, RangeSide::Above},
    };
    for (const Row& r : rows)
        EXPECT_EQ(AxisRangeSide(r.present, r.tolerance, r.min, r.max), r.side) << r.present;
}

TEST(TrackingRules, ClockTexts) {
    const QDateTime local(QDate(2026, 12, 7), QTime(21, 5, 9));
    EXPECT_EQ(LocalClockText(local), "2026/12/07 21:05:09(JST)");
    EXPECT_EQ(UtcClockText(local.addSecs(-9 * 3600)), "2026/12/07 12:05:09(UTC)");
}

TEST(VisibilityCue, RiseAndSetFromTwoElevations) {
    struct Row {
        bool on;
        double elevation, previous;
        const char* file;
    };
    const Row rows[] = {
        {true, 0.0, -0.4, "sound2.wav"},
        {true, -0.2, 3.1, "sound3.wav"},
        {true, 5, 4, ""},
        {true, -5, -4, ""},
        {false, 0.0, -0.4, ""},
        {false, -0.2, 3.1, ""},
        {true, 10, -1, "sound2.wav"},
        {true, NaN, 2, "sound3.wav"},
        {true, 2, NaN, "sound2.wav"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(VisibilityCueFile(r.on, r.elevation, r.previous), QString::fromLatin1(r.file))
            << r.on << " " << r.elevation << " " << r.previous;

    MainState state;
    RecordingSound sound;
    state.SoundCuesOn = 1;
    state.TargetElevation = 0;
    state.PreviousTargetElevation = -0.4;
    PlayVisibilityCue(state, sound);
    EXPECT_EQ(sound.played, QStringList{"sound2.wav"});
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
        {1000, true, true, C::None, false},      {2000, true, false, C::Lost, false},
        {3000, false, false, C::None, false},    {6000, false, false, C::None, true},
        {7000, true, false, C::None, true},      {8000, false, false, C::None, true},
        {12000, true, true, C::Restored, false}, {13000, true, true, C::None, false},
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

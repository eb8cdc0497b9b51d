// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's value, time and name checks, and the schedule built on the times.
#include "stations/EditorChecks.h"
#include "stations/Schedule.h"

#include "common/MainState.h"
#include "skymap/SkyProjection.h"
#include "support/FakePorts.h"

#include <gtest/gtest.h>
#include <utility>

namespace {

TEST(IsBadTime, Table) {
    const std::pair<const char*, bool> rows[] = {{"23:59", false}, {" 9:30", false}, {"12:30:45", false},
                                                 {"9:30", true},   {"24:00", true},  {"12:60", true},
                                                 {"", true},       {"12-30", true},  {"12:", true}};
    for (const auto& [text, bad] : rows)
        EXPECT_EQ(IsBadTime(QString::fromUtf8(text)), bad) << text;
}

TEST(CheckValueText, CodesAndNormalisedText) {
    struct Row {
        const char *text, *min, *max;
        int code;
        const char* after;
    };
    // Blank input, range refusals and the other normalisations are reached through the editor's add.
    const Row rows[] = {{"360", "0", "360", 0, "360"},
                        {"0", "0", "90", 0, "0"},
                        {"-0.1", "0", "360", -3, "-.1"},
                        {"abc", "0", "360", -2, "abc"},
                        {"", "", "360", -2, ""}}; // no minimum: an empty text is no number, not "missing"
    for (const Row& r : rows) {
        RecordingMessages messages;
        QString text = QString::fromUtf8(r.text);
        EXPECT_EQ(CheckValueText(text, QString::fromUtf8(r.min), QString::fromUtf8(r.max), messages), r.code)
            << r.text;
        EXPECT_EQ(text, QString::fromUtf8(r.after)) << r.text;
        EXPECT_TRUE(messages.texts.isEmpty()) << r.text;
    }
}

TEST(NameProblem, RefusesWhatWouldSplitOrCannotBeWritten) {
    const std::pair<const char*, bool> rows[] = {
        {"ＮＨＫ第一", true}, {"say \"hi\"", false}, {"emoji 😀", false}};
    for (const auto& [name, fine] : rows)
        EXPECT_EQ(NameProblem(QString::fromUtf8(name)).isEmpty(), fine) << name;
}

int Hm(int h, int m) {
    return h * 60 + m;
}

TEST(InScheduleWindow, WindowsAndBounds) {
    struct Row {
        int now, start, end;
        bool inside;
    };
    const Row rows[] = {
        {Hm(22, 0), Hm(22, 0), Hm(2, 0), true},  {Hm(2, 0), Hm(22, 0), Hm(2, 0), true},
        {Hm(2, 1), Hm(22, 0), Hm(2, 0), false},  {Hm(12, 0), Hm(22, 0), Hm(2, 0), false},
        {Hm(6, 0), Hm(6, 0), Hm(6, 0), false},   {Hm(6, 0), Hm(6, 0), Hm(7, 30), true},
        {Hm(7, 30), Hm(6, 0), Hm(7, 30), true},  {Hm(7, 31), Hm(6, 0), Hm(7, 30), false},
        {Hm(5, 59), Hm(6, 0), Hm(7, 30), false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(InScheduleWindow(r.now, r.start, r.end, 7), r.inside ? 7 : -1)
            << r.now << " in " << r.start << ".." << r.end;
}

TEST(MinuteOfDay, RoundsDown) {
    EXPECT_EQ(MinuteOfDay(QDateTime(QDate(2026, 1, 1), QTime(10, 29, 59))), 629);
    EXPECT_EQ(MinuteOfDay(QDateTime(QDate(2026, 1, 1), QTime(23, 59, 59, 999))), 1439);
}

TEST(FindScheduledStation, FirstInListWinsAndBadTimesMeanNoSchedule) {
    const QList<StationRecord> stations{
        {"1", "1", "half", "06:30", "--:--"},
        {"1", "1", "junk", "", "08:00"},
        {"1", "1", "first", "06:00", "08:00"},
        {"1", "1", "second", "07:00", "09:00"},
    };
    const std::pair<int, int> rows[] = {{Hm(7, 30), 2}, {Hm(6, 45), 2}, {Hm(5, 0), -1}};
    for (const auto& [now, index] : rows)
        EXPECT_EQ(FindScheduledStation(stations, now), index) << now;
}

TEST(AimAtStation, NorthAndSouthStartPoints) {
    MainState state;
    AimAtStation(state, {"30", "10", "S", "", ""});
    EXPECT_DOUBLE_EQ(state.PointedAzimuth, 30);
    EXPECT_DOUBLE_EQ(state.PointedElevation, 10);
    const double northX = state.PointMarkX, northY = state.PointMarkY;
    EXPECT_DOUBLE_EQ(northX, 1380 + SkyPlotX(30, 10));
    EXPECT_DOUBLE_EQ(northY, 1350 + SkyPlotY(30, 10));

    state.AzimuthStartPoint = QStringLiteral("1");
    AimAtStation(state, {"30", "10", "S", "", ""});
    EXPECT_DOUBLE_EQ(state.PointedAzimuth, 210);
    // Marked at the compass direction, as with the north start point.
    EXPECT_NEAR(state.PointMarkX, northX, 1e-6);
    EXPECT_NEAR(state.PointMarkY, northY, 1e-6);

    state.AzimuthStartPoint = QStringLiteral("0");
    AimAtStation(state, {"east", "12.5deg", "S", "", ""});
    EXPECT_DOUBLE_EQ(state.PointedAzimuth, 0);
    EXPECT_DOUBLE_EQ(state.PointedElevation, 12.5);
}

TEST(ScheduleStartsTracking, ExactName) {
    EXPECT_TRUE(ScheduleStartsTracking({"0", "0", "ISS", "", ""}, QStringLiteral("ISS")));
    EXPECT_FALSE(ScheduleStartsTracking({"0", "0", "iss", "", ""}, QStringLiteral("ISS")));
    EXPECT_FALSE(ScheduleStartsTracking({"0", "0", "ISS ", "", ""}, QStringLiteral("ISS")));
}

} // namespace

#include "stations/Schedule.h"

#include "common/MainState.h"
#include "skymap/SkyProjection.h"

#include <gtest/gtest.h>

namespace {

int Hm(int h, int m) {
    return h * 60 + m;
}

TEST(InScheduleWindow, WindowsAndBounds) {
    struct Row {
        int now, start, end;
        bool inside;
    };
    const Row rows[] = {
        {Hm(23, 30), Hm(22, 0), Hm(2, 0), true}, {Hm(1, 15), Hm(22, 0), Hm(2, 0), true},
        {Hm(12, 0), Hm(22, 0), Hm(2, 0), false}, {Hm(2, 0), Hm(22, 0), Hm(2, 0), true},
        {Hm(22, 0), Hm(22, 0), Hm(2, 0), true},  {Hm(2, 1), Hm(22, 0), Hm(2, 0), false},
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
    EXPECT_EQ(MinuteOfDay(QDateTime(QDate(2026, 1, 1), QTime(0, 0))), 0);
}

TEST(FindScheduledStation, FirstInListWinsAndBadTimesMeanNoSchedule) {
    const QList<StationRecord> stations{
        {"1", "1", "none", "--:--", "--:--"},   {"1", "1", "half", "06:30", "--:--"},
        {"1", "1", "junk", "", "08:00"},        {"1", "1", "first", "06:00", "08:00"},
        {"1", "1", "second", "07:00", "09:00"}, {"1", "1", "night", "22:00", "02:00"},
    };
    struct Row {
        int now, index;
    };
    const Row rows[] = {{Hm(7, 30), 3}, {Hm(8, 30), 4}, {Hm(6, 45), 3},
                        {Hm(5, 0), -1}, {Hm(0, 0), 5},  {Hm(12, 0), -1}};
    for (const Row& r : rows)
        EXPECT_EQ(FindScheduledStation(stations, r.now), r.index) << r.now;
    EXPECT_EQ(FindScheduledStation({}, Hm(7, 0)), -1);
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

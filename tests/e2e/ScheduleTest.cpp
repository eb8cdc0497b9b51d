// SPDX-License-Identifier: GPL-3.0-or-later
// The daily schedule: a station whose window is open now is turned to, and an entry named after the
// tracked satellite starts automatic tracking; 中止 ends either with every relay off.
#include "E2eSupport.h"
#include "mainwindow/StationsController.h"

#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct Entry {
    const char* name;
    const char* station; // azimuth,elevation,name (the window around now is added)
    const char* boardAz;
    const char* boardEl;
    RunMode mode; // the operation the schedule starts: manual to a fixed direction, or automatic tracking
    double azimuth, elevation;
};

class Schedule : public ::testing::TestWithParam<Entry> {
  protected:
    Program p;
};

TEST_P(Schedule, TurnsToTheEntryOpenNowAndAbortStopsIt) {
    const Entry& e = GetParam();
    // Window from a minute ago to ten minutes ahead, local time; a closed entry before it must be passed
    // over.
    const QDateTime now = QDateTime::currentDateTime();
    const QString open = now.addSecs(-60).toString(QStringLiteral("HH:mm")) + QLatin1Char(',') +
                         now.addSecs(600).toString(QStringLiteral("HH:mm"));
    const QString closed = now.addSecs(3600).toString(QStringLiteral("HH:mm")) + QLatin1Char(',') +
                           now.addSecs(4200).toString(QStringLiteral("HH:mm"));
    QFile csv(p.dir.filePath(QStringLiteral("azelmon.csv")));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly | QIODevice::Truncate));
    csv.write(("10,10,CLOSED," + closed + "\r\n" + QString::fromLatin1(e.station) + "," + open + "\r\n")
                  .toLatin1());
    csv.close();

    ASSERT_TRUE(p.StartBus());
    // The satellite near 196° / 5° (two minutes into its pass).
    ASSERT_TRUE(p.StartServer({QStringLiteral("--epoch"), QStringLiteral("2026-01-01T00:00:00Z"),
                               QStringLiteral("--time"), QStringLiteral("2026-01-01T00:02:00Z")}));
    ASSERT_TRUE(p.StartBoard({QStringLiteral("--az"), QLatin1String(e.boardAz), QStringLiteral("--el"),
                              QLatin1String(e.boardEl)}));
    p.WriteSettings();
    ASSERT_TRUE(p.Launch());
    ASSERT_TRUE(p.WaitUntilReady());
    ASSERT_EQ(p.window->Combo1->count(), 2);

    QTest::mouseClick(p.window->Command6, Qt::LeftButton);
    EXPECT_EQ(p.window->Timer4->interval(), 15000);
    p.window->stations().Timer4_Timer(); // the schedule's tick, rather than waiting 15 s for it
    ASSERT_TRUE(WaitFor([&] { return p.window->state().OperatingMode == e.mode; }, 5000))
        << static_cast<int>(p.window->state().OperatingMode) << " "
        << p.messages.texts.join(QLatin1Char('/')).toStdString();
    EXPECT_EQ(p.window->Combo1->currentIndex(), 1);
    ASSERT_TRUE(WaitFor(
        [&] {
            return std::abs(p.ShownAzimuth() - e.azimuth) < 3 &&
                   std::abs(p.ShownElevation() - e.elevation) < 3;
        },
        20000))
        << p.ShownAzimuth() << "/" << p.ShownElevation() << " " << p.board.Output().toStdString();
    EXPECT_TRUE(p.board.Output().contains(QStringLiteral("relay 4 1")));

    QTest::mouseClick(p.window->Command4, Qt::LeftButton);
    EXPECT_TRUE(WaitFor(
        [this] { return p.board.AllCoilsOff() && p.window->state().OperatingMode == RunMode::Stopped; },
        3000));
    EXPECT_EQ(p.window->state().ScheduleRunning, 0);
    EXPECT_TRUE(p.window->Command6->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Entries, Schedule,
    ::testing::Values(Entry{"Station", "205,18,JA1SCHED", "195", "10", RunMode::Manual, 205, 18},
                      Entry{"SatelliteByName", "0,0,ISS", "186", "0", RunMode::Automatic, 196.4, 5.4}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowFixture.h"
#include "rotator/RotatorControl.h"
#include "skymap/SkyProjection.h"
#include "tracking/PassRecord.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTest>

namespace {

const QColor Yellow(255, 255, 0);
const QColor Cyan(0, 255, 255);

QColor TextColour(const QWidget* w) {
    return w->palette().color(qobject_cast<const QLabel*>(w) ? QPalette::WindowText : QPalette::Text);
}

using Tracking = WindowFixture;

TEST_F(Tracking, StartUpSwitchesRelaysOffThenShowsTheTarget) {
    Form1& w = Start();
    // Start-up writes every relay off on the board; the first cycle's range check both axes once more,
    // no mark before normal operation.
    const std::vector<RecordingBoard::Write> off = {{6, 4, 0}, {6, 5, 0}, {6, 6, 0}, {6, 7, 0}};
    EXPECT_EQ(world.board.writes, off);
    const auto first = Tick();
    EXPECT_TRUE(first.refreshed);
    EXPECT_FALSE(first.targetMarkDrawn);
    std::vector<RecordingBoard::Write> twice = off;
    twice.insert(twice.end(), off.begin(), off.end());
    EXPECT_EQ(world.board.writes, twice);
    EXPECT_TRUE(ButtonsReady());

    const struct {
        double az, el;
        const char *lblAz, *lblEl;
        bool visible;
    } rows[] = {
        {200, -5.2, "200.00", "-5.20", false},
        {123.456, 12.3, "123.46", "12.30", true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.az);
        world.link.servers[QStringLiteral("ORBI|EXTRN")][QStringLiteral("TEXT2")] = QString::number(r.az);
        world.link.servers[QStringLiteral("ORBI|EXTRN")][QStringLiteral("TEXT3")] = QString::number(r.el);
        const std::size_t readsBefore = world.board.reads.size();
        const auto report = Tick();
        EXPECT_EQ(w.lblAz->text(), r.lblAz);
        EXPECT_EQ(w.lblEl->text(), r.lblEl);
        EXPECT_EQ(w.Text[3]->text(), QString::number(r.az));
        const QColor colour = r.visible ? Yellow : Cyan;
        for (QWidget* box :
             std::initializer_list<QWidget*>{w.lblAz, w.lblEl, w.Text[1], w.Text[17], w.Text[5], w.Text[8]})
            EXPECT_EQ(TextColour(box), colour) << box->objectName().toStdString();
        EXPECT_EQ(report.targetMarkDrawn, r.visible);
        EXPECT_GT(world.board.reads.size(), readsBefore); // the antenna is measured either way
        if (r.visible) {
            EXPECT_NEAR(report.targetPoint.x(), SkyPlotX(r.az, r.el) + 1380, 1e-9);
            EXPECT_NEAR(report.targetPoint.y(), SkyPlotY(r.az, r.el) + 1350, 1e-9);
        }
        EXPECT_EQ(w.state().TargetAzimuth, r.az);
    }
    // Sun and Moon pair by pair: the Sun up, the Moon down.
    for (int box : {12, 13, 14, 15})
        EXPECT_EQ(TextColour(w.Text[box]), box < 14 ? Yellow : Cyan) << box;
    // Range divided by ten, range rate rounded, frequency in MHz; kept, not divided again, in a silence.
    world.link.servers.clear();
    EXPECT_FALSE(Tick().refreshed);
    EXPECT_EQ(world.status.left, TrackingCycle::LostText("ORBI"));
    EXPECT_EQ(w.Text[5]->text(), "1234.6");
    EXPECT_EQ(w.Text[6]->text(), "-2.35");
    EXPECT_EQ(w.Text[7]->text(), "123.5");
    EXPECT_EQ(w.lblAz->text(), "123.46");
}

// While tracking, only the tracked target's option and 中止 stay usable; 中止 gives everything back.
TEST_F(Tracking, AutomaticLocksTheOtherChoicesUntilAbort) {
    Form1& w = Start();
    Tick();
    Tick();
    w.Option3->click();
    w.Option1->click();
    w.Command3->click();
    EXPECT_EQ(w.state().OperatingMode, RunMode::Automatic);
    EXPECT_EQ(world.board.Level(4), 1); // right turn towards 123.46
    EXPECT_EQ(world.board.Level(6), 1); // up towards 12.3
    EXPECT_TRUE(w.Command4->isEnabled());
    EXPECT_FALSE(w.Command2->isEnabled());
    EXPECT_TRUE(w.Option1->isEnabled());
    EXPECT_FALSE(w.Option2->isEnabled());
    EXPECT_FALSE(w.Option4->isEnabled());
    EXPECT_FALSE(w.menuset->isEnabled());
    // Two cycles followed, the antenna off its end stop.
    world.board.counts[0] = world.board.counts[1] = 20;
    Tick();
    Tick();
    EXPECT_EQ(w.state().OperatingMode, RunMode::Automatic) << qPrintable(world.status.left);

    w.Command4->click();
    EXPECT_EQ(w.state().AbortRequested, 1);
    EXPECT_TRUE(ButtonsReady());
    EXPECT_TRUE(w.Option4->isEnabled());
    EXPECT_TRUE(w.menuset->isEnabled());
    w.rotator().Timer2_Timer();
    EXPECT_TRUE(world.board.AllRelaysOff());
    EXPECT_EQ(w.state().OperatingMode, RunMode::Stopped);
    // The two cycles followed are on record once the next cycle finds the mode over.
    EXPECT_TRUE(ListPassRecords(dir.path()).isEmpty());
    Tick();
    const QStringList records = ListPassRecords(dir.path());
    ASSERT_EQ(records.size(), 1);
    const auto record = ReadPassRecord(dir.filePath(records.front()));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->satellite, "ISS");
    EXPECT_EQ(record->samples.size(), 2u);
}

using Stations = WindowFixture;

// A damaged list is told once, with what could be read still offered and nothing chosen.
TEST_F(Stations, ADamagedListIsToldOnce) {
    WriteFile(QStringLiteral("azelmon.csv"), "30,10,A,--:--,--:--\r\n1,2\r\n3,4,C,,\r\n");
    Form1& w = Make();
    w.stations().LoadStationList();
    EXPECT_EQ(w.Combo1->count(), 2);
    EXPECT_EQ(w.Combo1->currentIndex(), -1);
    ASSERT_EQ(world.messages.texts.size(), 1);
    EXPECT_TRUE(world.messages.texts[0].contains(QStringLiteral("2行目")));
}

TEST_F(Stations, MoveButtonsWithoutATargetOnlyAsk) {
    WriteFile(QStringLiteral("azelmon.csv"), "30,10,A,--:--,--:--\r\n");
    const std::pair<QPushButton * Form1::*, QString> rows[] = {
        {&Form1::Command2, QStringLiteral("アンテナの移動位置を指定してください")},
        {&Form1::Command5, QStringLiteral("無線局が選択されていません")},
    };
    for (const auto& [button, message] : rows) {
        Form1& w = Start();
        Tick();
        world.messages.texts.clear();
        const std::size_t writes = world.board.writes.size();
        QTest::mouseClick(w.*button, Qt::LeftButton);
        EXPECT_EQ(world.messages.texts, QStringList{message});
        EXPECT_EQ(w.state().OperatingMode, RunMode::Stopped);
        EXPECT_TRUE(ButtonsReady());
        EXPECT_TRUE(w.menuset->isEnabled());
        EXPECT_EQ(w.stations().SelectedStationIndex, -1);
        EXPECT_EQ(world.board.writes.size(), writes);
    }
}

// An empty list gives the buttons back and keeps the schedule; a filled one starts the station due.
TEST_F(Stations, ScheduleTickWithNoStationOneDueAndNoneDue) {
    Form1& w = Start();
    Tick();
    QTest::mouseClick(w.Command6, Qt::LeftButton);
    EXPECT_EQ(w.state().ScheduleRunning, 1);
    EXPECT_FALSE(w.Option1->isEnabled());
    EXPECT_FALSE(w.Command5->isEnabled());
    w.stations().Timer4_Timer();
    EXPECT_FALSE(w.Command4->isEnabled());
    EXPECT_TRUE(w.Command5->isEnabled());
    EXPECT_EQ(w.state().ScheduleRunning, 1);

    WriteFile(QStringLiteral("azelmon.csv"), "10,10,early,06:00,07:00\r\n30,10,evening,20:30,22:00\r\n");
    w.stations().LoadStationList();
    EXPECT_EQ(w.state().OperatingMode, RunMode::Stopped) << "nothing moves before the tick";
    w.stations().Timer4_Timer();
    EXPECT_EQ(w.Combo1->currentIndex(), 1);
    EXPECT_EQ(w.state().OperatingMode, RunMode::Manual);
    EXPECT_DOUBLE_EQ(w.state().PointedAzimuth, 30);
    EXPECT_EQ(world.board.Level(4), 1);

    // 03:00: the running operation goes on.
    world.clock.Advance(6 * 3600 * 1000);
    w.stations().Timer4_Timer();
    EXPECT_EQ(w.Combo1->currentIndex(), -1);
    EXPECT_EQ(w.state().OperatingMode, RunMode::Manual);
}

} // namespace

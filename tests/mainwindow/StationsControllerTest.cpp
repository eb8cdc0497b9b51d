#include "mainwindow/StationsController.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QMenu>
#include <QRadioButton>
#include <QTest>

namespace {

// The main window with a station list of its own and the buttons free; the clock stands at 21:00 local time.
struct Stations : WindowFixture {
    Form1& MakeWith(const QByteArray& csv) {
        const QString csvPath = dir.filePath(QStringLiteral("azelmon.csv"));
        {
            QFile f(csvPath);
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(csv);
        }
        Form1& w = Make();
        MainState& s = w.state();
        s.AzimuthMotorText = s.ElevationMotorText = QStringLiteral("1");
        s.PresentAzimuth = 0;
        s.PresentElevation = 0;
        w.stations().setStationFilePath(csvPath);
        w.stations().LoadStationList();
        for (QPushButton* b : {w.Command2, w.Command3, w.Command5, w.Command6})
            b->setEnabled(true);
        w.Command4->setEnabled(false);
        return w;
    }
};

// A damaged list is told once, with what could be read still offered and nothing chosen.
TEST_F(Stations, ADamagedListIsToldOnce) {
    Form1& w = MakeWith("30,10,A,--:--,--:--\r\n1,2\r\n3,4,C,,\r\n");
    EXPECT_EQ(w.Combo1->count(), 1);
    EXPECT_EQ(w.Combo1->currentIndex(), -1);
    ASSERT_EQ(world.messages.texts.size(), 1);
    EXPECT_TRUE(world.messages.texts[0].contains(QStringLiteral("2行目")));
}

TEST_F(Stations, StationButtonWithoutAChoiceOnlyAsks) {
    Form1& w = MakeWith("30,10,A,--:--,--:--\r\n");
    QTest::mouseClick(w.Command5, Qt::LeftButton);
    EXPECT_EQ(world.messages.texts, QStringList{QStringLiteral("無線局が選択されていません")});
    EXPECT_EQ(w.state().OperatingMode, 0);
    EXPECT_TRUE(w.Command2->isEnabled());
    EXPECT_EQ(w.stations().SelectedStationIndex, -1);
    EXPECT_TRUE(world.board.writes.empty());
}

// From the south start point the station's 30 degrees are 210 on the rotator.
TEST_F(Stations, StationButtonDrivesToTheChosenStation) {
    Form1& w = MakeWith("30,10,A,--:--,--:--\r\n");
    w.state().AzimuthStartPoint = QStringLiteral("1");
    w.Combo1->setCurrentIndex(0);
    QTest::mouseClick(w.Command5, Qt::LeftButton);
    const MainState& s = w.state();
    EXPECT_EQ(s.OperatingMode, 1);
    EXPECT_EQ(s.PointMarkShown, 1);
    EXPECT_DOUBLE_EQ(s.PointedAzimuth, 210);
    EXPECT_DOUBLE_EQ(s.PointedElevation, 10);
    EXPECT_EQ(world.board.Level(4), 1) << "right turn";
    EXPECT_EQ(world.board.Level(6), 1) << "up";
    EXPECT_TRUE(w.Command4->isEnabled());
    EXPECT_FALSE(w.Command6->isEnabled());
    EXPECT_FALSE(w.menuset->isEnabled());
    EXPECT_TRUE(world.messages.texts.isEmpty());
}

TEST_F(Stations, ScheduleTickStartsTheStationDue) {
    // 21:00: the second and third windows (the third past midnight) both hold it; the list order decides.
    Form1& w = MakeWith("10,10,early,06:00,07:00\r\n"
                        "30,10,evening,20:30,22:00\r\n"
                        "50,10,night,20:00,02:00\r\n");
    QTest::mouseClick(w.Command6, Qt::LeftButton);
    EXPECT_EQ(w.state().ScheduleRunning, 1);
    EXPECT_FALSE(w.Option1->isEnabled());
    EXPECT_FALSE(w.Command5->isEnabled());
    EXPECT_EQ(w.state().OperatingMode, 0) << "nothing moves before the tick";

    w.stations().Timer4_Timer();
    EXPECT_EQ(w.Combo1->currentIndex(), 1);
    EXPECT_EQ(w.state().OperatingMode, 1);
    EXPECT_DOUBLE_EQ(w.state().PointedAzimuth, 30);
    EXPECT_EQ(world.board.Level(4), 1);

    // 03:00: outside every window the selection is cleared and the running operation goes on.
    world.clock.Advance(6 * 3600 * 1000);
    w.stations().Timer4_Timer();
    EXPECT_EQ(w.Combo1->currentIndex(), -1);
    EXPECT_EQ(w.state().OperatingMode, 1);
}

TEST_F(Stations, EmptyScheduleGivesTheButtonsBack) {
    Form1& w = MakeWith("");
    QTest::mouseClick(w.Command6, Qt::LeftButton);
    w.stations().Timer4_Timer();
    EXPECT_FALSE(w.Command4->isEnabled());
    EXPECT_TRUE(w.Command5->isEnabled());
    EXPECT_EQ(w.state().ScheduleRunning, 1);
}

} // namespace

#include "mainwindow/StationsController.h"
#include "common/TextFile.h"
#include "mainwindow/Form1.h"
#include "rotator/RotatorControl.h"
#include "stations/Form4.h"
#include "support/FakePorts.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A main window on fakes with a station list of its own; the clock stands at 21:00 local time.
struct StationsWindowFixture : ::testing::Test {
    QTemporaryDir dir;
    FakeWorld world;
    std::unique_ptr<Form1> window;
    QList<int> endCodes;

    QString csvPath() const { return dir.filePath(QStringLiteral("azelmon.csv")); }

    Form1& Make(const QByteArray& csv) {
        {
            QFile f(csvPath());
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(csv);
        }
        window = std::make_unique<Form1>(world.ports(), dir.filePath(QStringLiteral("rotorcfg.ini")));
        window->setEndHandler([this](int code) { endCodes << code; });
        MainState& s = window->state();
        s.AzimuthMotorText = s.ElevationMotorText = QStringLiteral("1");
        s.PresentAzimuth = 0;
        s.PresentElevation = 0;
        window->stations().setStationFilePath(csvPath());
        window->stations().LoadStationList();
        for (QPushButton* b : {window->Command2, window->Command3, window->Command5, window->Command6})
            b->setEnabled(true);
        window->Command4->setEnabled(false);
        return *window;
    }
};

TEST_F(StationsWindowFixture, StationListFillsTheChooser) {
    Form1& w = Make(EncodeCp932(QStringLiteral("30,10,JA1 局,--:--,--:--\r\n5,5,Y,,\r\n")).value());
    ASSERT_EQ(w.Combo1->count(), 2);
    EXPECT_EQ(w.Combo1->itemText(0), QStringLiteral("030.0  10.0  JA1 局"));
    EXPECT_EQ(w.Combo1->currentIndex(), -1);
    EXPECT_TRUE(w.stations().Stations().at(1).startTime.isEmpty());
}

TEST_F(StationsWindowFixture, ADamagedListIsToldOnce) {
    Make("30,10,A,--:--,--:--\r\n1,2\r\n3,4,C,,\r\n");
    EXPECT_EQ(window->Combo1->count(), 1);
    ASSERT_EQ(world.messages.texts.size(), 1);
    EXPECT_TRUE(world.messages.texts[0].contains(QStringLiteral("2行目")));
}

TEST_F(StationsWindowFixture, StationButtonWithoutAChoice) {
    Form1& w = Make("30,10,A,--:--,--:--\r\n");
    QTest::mouseClick(w.Command5, Qt::LeftButton);
    EXPECT_EQ(world.messages.texts, QStringList{QStringLiteral("無線局が選択されていません")});
    EXPECT_EQ(w.state().OperatingMode, 0);
    EXPECT_TRUE(w.Command2->isEnabled());
    EXPECT_EQ(w.stations().SelectedStationIndex, -1);
}

TEST_F(StationsWindowFixture, StationButtonDrivesToTheStation) {
    struct Row {
        const char* startPoint;
        double rotatorAzimuth;
    };
    for (const Row& r : {Row{"0", 30}, Row{"1", 210}}) {
        Form1& w = Make("30,10,A,--:--,--:--\r\n");
        w.state().AzimuthStartPoint = QString::fromLatin1(r.startPoint);
        w.Combo1->setCurrentIndex(0);
        QTest::mouseClick(w.Command5, Qt::LeftButton);
        const MainState& s = w.state();
        EXPECT_EQ(s.OperatingMode, 1);
        EXPECT_EQ(s.PointMarkShown, 1);
        EXPECT_DOUBLE_EQ(s.PointedAzimuth, r.rotatorAzimuth);
        EXPECT_DOUBLE_EQ(s.PointedElevation, 10);
        EXPECT_EQ(world.board.Level(4), 1) << "right turn";
        EXPECT_EQ(world.board.Level(6), 1) << "up";
        EXPECT_TRUE(w.Command4->isEnabled());
        EXPECT_FALSE(w.Command6->isEnabled());
        EXPECT_FALSE(w.menuset->isEnabled());
        EXPECT_TRUE(world.messages.texts.isEmpty());
    }
}

TEST_F(StationsWindowFixture, ScheduleTickStartsTheStationDue) {
    // 21:00: the second and third windows both hold it; the second comes first in the list.
    Form1& w = Make("10,10,early,06:00,07:00\r\n"
                    "30,10,evening,20:30,22:00\r\n"
                    "50,10,night,20:00,02:00\r\n");
    QTest::mouseClick(w.Command6, Qt::LeftButton);
    EXPECT_EQ(w.state().ScheduleRunning, 1);
    EXPECT_FALSE(w.Option1->isEnabled());
    EXPECT_FALSE(w.Command5->isEnabled());
    EXPECT_EQ(w.state().OperatingMode, 0) << "nothing moves before the tick";
    EXPECT_EQ(w.Combo1->palette().color(QPalette::Button), QColor(128, 255, 128));

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

    w.stations().ClearScheduleDisplay();
    EXPECT_EQ(w.Combo1->palette().color(QPalette::Button), QColor(Qt::white));
}

TEST_F(StationsWindowFixture, ScheduledNameOfTheTargetStartsTracking) {
    Form1& w = Make("30,10,ISS,20:59,21:01\r\n");
    w.state().TargetName = QStringLiteral("ISS");
    w.Option1->setChecked(true);
    QTest::mouseClick(w.Command6, Qt::LeftButton);
    w.stations().Timer4_Timer();
    EXPECT_EQ(w.state().OperatingMode, 2);
    EXPECT_EQ(w.state().PointMarkShown, 0);
    EXPECT_TRUE(w.Option1->isEnabled());
    EXPECT_FALSE(w.Option2->isEnabled());
}

TEST_F(StationsWindowFixture, EmptyListGivesTheButtonsBack) {
    Form1& w = Make("");
    QTest::mouseClick(w.Command6, Qt::LeftButton);
    w.stations().Timer4_Timer();
    EXPECT_FALSE(w.Command4->isEnabled());
    EXPECT_TRUE(w.Command5->isEnabled());
    EXPECT_EQ(w.state().ScheduleRunning, 1);
}

TEST_F(StationsWindowFixture, EditorChangeSwitchesRelaysOffThenDemandsRestart) {
    Form1& w = Make("30,10,A,--:--,--:--\r\n");
    w.menukyoku->trigger();
    Form4* editor = w.stations().Editor();
    ASSERT_NE(editor, nullptr);
    w.menukyoku->trigger();
    EXPECT_EQ(w.stations().Editor(), editor) << "one editor at a time";

    QTest::mouseClick(editor->Command1, Qt::LeftButton); // refused (empty), still a change
    world.messages.texts.clear();
    int levelAtMessage = -1;
    world.messages.onShow = [&](const QString&) { levelAtMessage = world.board.Level(4); };
    w.rotator().relays.TurnRight();
    ASSERT_EQ(world.board.Level(4), 1);
    QTest::mouseClick(editor->Command3, Qt::LeftButton);
    EXPECT_EQ(levelAtMessage, 0);
    EXPECT_EQ(world.messages.texts, QStringList{EditorRestartMessage});
    EXPECT_EQ(endCodes, QList<int>{0});
}

} // namespace

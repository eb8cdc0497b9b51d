// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program as a user meets it, in this process: the main window on boardsim over loopback
// Modbus TCP and on azelmon-tracker over a private D-Bus, driven through its widgets in real time.
#include "E2eSupport.h"
#include "rotator/RotatorControl.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct WholeProgram : ::testing::Test {
    Program p;

    void Start(const QStringList& boardArguments, const QByteArray& settings = {},
               const QStringList& serverArguments = {}) {
        ASSERT_TRUE(p.StartBus());
        ASSERT_TRUE(p.StartServer(serverArguments)) << p.server.errors().toStdString();
        ASSERT_TRUE(p.StartBoard(boardArguments));
        p.WriteSettings(settings);
        ASSERT_TRUE(p.Launch());
    }

    void Click(QPushButton* button) {
        ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }

    bool AnyRelayOn() {
        const auto coils = p.board.Coils();
        return coils && (*coils)[0] + (*coils)[1] + (*coils)[2] + (*coils)[3] > 0;
    }

    bool ManualFinished() {
        return p.window->state().OperatingMode == RunMode::Stopped && !p.window->Command4->isEnabled() &&
               p.window->Command2->isEnabled();
    }

    // A manual move from where the board starts to the clicked point, running when this returns.
    void StartManualMove(double azimuth, double elevation) {
        ASSERT_TRUE(p.WaitUntilReady());
        p.ClickMap(azimuth, elevation);
        ASSERT_EQ(p.window->state().PointMarkShown, 1)
            << p.messages.texts.join(QLatin1Char('/')).toStdString();
        Click(p.window->Command2);
        ASSERT_TRUE(WaitFor([this] { return AnyRelayOn(); }, 5000)) << p.board.Output().toStdString();
    }
};

TEST_F(WholeProgram, StartsOutsideItsRangeReturnsIntoItThenEnablesTheButtons) {
    Start({QStringLiteral("--az"), QStringLiteral("10"), QStringLiteral("--el"), QStringLiteral("10")},
          // Calibrated at the range's ends on boardsim's potentiometer (0..5 V over 0..360 degrees).
          "[HPOSITION]\r\nH-RANGE=20,340\r\nHVOLT0=0.2778\r\nHVOLT360=4.7222\r\n");
    EXPECT_FALSE(p.window->Command2->isEnabled());
    EXPECT_FALSE(p.window->Command3->isEnabled());
    ASSERT_TRUE(p.WaitUntilReady(15000)) << p.board.Output().toStdString();
    const QString output = p.board.Output();
    EXPECT_TRUE(output.contains(QStringLiteral("relay 4 1"))) << output.toStdString(); // turned right
    EXPECT_FALSE(output.contains(QStringLiteral("relay 5 1")));
    EXPECT_TRUE(p.board.AllCoilsOff());
    // The return stops once the antenna is within the tolerance of the range's edge; how far it coasts
    // beyond that depends on how quickly the relay is switched off, which a slow build stretches.
    EXPECT_GE(p.ShownAzimuth(), 20 - p.window->state().AzimuthTolerance - 0.5);
    EXPECT_LT(p.ShownAzimuth(), 40.0);
    EXPECT_TRUE(p.window->Command5->isEnabled());
    EXPECT_TRUE(p.window->Command6->isEnabled());
    EXPECT_TRUE(p.messages.texts.isEmpty()) << p.messages.texts.join(QLatin1Char('/')).toStdString();
}

// A module that answers only after a few seconds, the antenna beyond the top of its range: until the
// first good readings nothing is switched (the window's 0° is not a reading), then the return turns left
// from what it read. Right and up, the ways the unread 0° would have asked for, never go on.
TEST_F(WholeProgram, ABoardAnsweringLateNeverDrivesAnAxisItHasNotRead) {
    Start({QStringLiteral("--az"), QStringLiteral("350"), QStringLiteral("--el"), QStringLiteral("10"),
           QStringLiteral("--silent-after"), QStringLiteral("0"), QStringLiteral("--silent-for"),
           QStringLiteral("3")},
          "[HPOSITION]\r\nH-RANGE=20,340\r\nHVOLT0=0.2778\r\nHVOLT360=4.7222\r\n");
    ASSERT_TRUE(p.WaitUntilReady(25000)) << p.board.Output().toStdString() << p.StatusText().toStdString();
    const QString output = p.board.Output();
    EXPECT_TRUE(output.contains(QStringLiteral("relay 5 1"))) << output.toStdString(); // left, into range
    EXPECT_FALSE(output.contains(QStringLiteral("relay 4 1"))) << output.toStdString();
    EXPECT_FALSE(output.contains(QStringLiteral("relay 6 1"))) << output.toStdString();
    EXPECT_TRUE(p.board.AllCoilsOff());
    EXPECT_LE(p.ShownAzimuth(), 340 + p.window->state().AzimuthTolerance + 0.5);
    EXPECT_GT(p.ShownAzimuth(), 320.0);
}

TEST_F(WholeProgram, MapClickAndManualApproachThePointAndFinish) {
    Start({QStringLiteral("--az"), QStringLiteral("100"), QStringLiteral("--el"), QStringLiteral("10")});
    StartManualMove(112, 22);
    EXPECT_TRUE(p.window->Command4->isEnabled());
    EXPECT_FALSE(p.window->Command3->isEnabled());
    ASSERT_TRUE(WaitFor([this] { return ManualFinished(); }, 30000)) << p.board.Output().toStdString();
    EXPECT_TRUE(p.board.AllCoilsOff());
    // The move ends only when both axes are inside their tolerance: where the antenna came to rest
    // (boardsim's angles at the last relay change) is within the tolerance plus one converter step
    // of the clicked point.
    const MainState& s = p.window->state();
    const QString output = p.board.Output();
    const auto rest = LastRelayAngles(output);
    ASSERT_TRUE(rest) << output.toStdString();
    EXPECT_NEAR(rest->first, s.PointedAzimuth, s.AzimuthTolerance + 360.0 / 1023) << output.toStdString();
    EXPECT_NEAR(rest->second, s.PointedElevation, s.ElevationTolerance + 90.0 / 511.5)
        << output.toStdString();
    EXPECT_NEAR(p.ShownAzimuth(), s.PointedAzimuth, s.AzimuthTolerance) << p.StatusText().toStdString();
    EXPECT_NEAR(p.ShownElevation(), s.PointedElevation, s.ElevationTolerance);
    EXPECT_TRUE(output.contains(QStringLiteral("relay 4 1"))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("relay 6 1"))) << output.toStdString();
    EXPECT_FALSE(output.contains(QStringLiteral("relay 5 1"))); // never the wrong way
    EXPECT_FALSE(output.contains(QStringLiteral("relay 7 1")));
}

// Every way out switches all four relays off on the board, even in the middle of a move.
struct ExitPath {
    const char* name;
    void (*leave)(Form1&);
};

class EveryExit : public WholeProgram, public ::testing::WithParamInterface<ExitPath> {};

TEST_P(EveryExit, LeavesAllFourRelaysOff) {
    Start({QStringLiteral("--az"), QStringLiteral("100"), QStringLiteral("--el"), QStringLiteral("10")});
    StartManualMove(200, 40); // long enough to be under way when the window goes
    GetParam().leave(*p.window);
    EXPECT_TRUE(p.window->HasEnded());
    EXPECT_EQ(p.endCodes, QList<int>{0});
    EXPECT_TRUE(p.board.AllCoilsOff()) << p.board.Output().toStdString();
    EXPECT_FALSE(p.window->Timer1->isActive());
}

INSTANTIATE_TEST_SUITE_P(
    Paths, EveryExit,
    ::testing::Values(ExitPath{"ExitButton", [](Form1& w) { QTest::mouseClick(w.Command1, Qt::LeftButton); }},
                      ExitPath{"CloseBox", [](Form1& w) { w.close(); }},
                      ExitPath{"FileMenuClose", [](Form1& w) { w.menucls->trigger(); }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

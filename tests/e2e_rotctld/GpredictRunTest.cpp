// SPDX-License-Identifier: GPL-3.0-or-later
// A client plays gpredict against the endpoint of a main window that tracks automatically on the
// simulated board: a "P" once a second along a pass and a "p" after each. The window runs in
// virtual time (its timers driven by hand); the client talks over a real loopback socket.
#include "links/RemoteTarget.h"
#include "links/RemoteTargetLink.h"
#include "links/RotctldServer.h"
#include "mainwindow/Form1.h"
#include "mainwindow/TrackingController.h"
#include "rotator/RotatorControl.h"
#include "rotator/SimulatedBoard.h"
#include "support/EventWait.h"
#include "support/FakePorts.h"
#include "support/StepPhases.h"
#include "tracking/RotctldMainState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>

namespace {

double AzimuthGap(double a, double b) {
    const double d = std::fmod(std::abs(a - b), 360.0);
    return std::min(d, 360 - d);
}

class GpredictRunTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    FakeWorld world;
    RotatorPhysics::Settings physics = [] {
        RotatorPhysics::Settings s;
        s.startAzimuth = 100;
        s.startElevation = 0;
        return s;
    }();
    SimulatedBoard board{world.clock, physics};
    RemoteTarget target{QStringLiteral("AO-91")};
    std::unique_ptr<Form1> window;
    RemoteTargetLink link{target, world.clock, 35.68, 139.77,
                          [this] { return RotctldMainState::MapDirection(window->state()).azimuth; }};
    Ports ports;
    std::unique_ptr<RotctldMainState> station;
    std::unique_ptr<RotctldServer> server;
    QTcpSocket client;

    void SetUp() override {
        ports = world.ports();
        ports.board = &board;
        ports.link = &link;
        window = std::make_unique<Form1>(ports, dir.filePath(QStringLiteral("rotorcfg.ini")));
        window->setEndHandler([](int) {});
        ASSERT_TRUE(window->Form_Load());
        // Virtual time only: the test runs the timers' routines itself.
        for (QTimer* t : {window->Timer1, window->Timer2, window->Timer3, window->Timer4})
            t->stop();
        station = std::make_unique<RotctldMainState>(
            window->state(),
            [this] {
                window->Command4_Click();
                return HamlibError::Ok;
            },
            QStringLiteral("azelmon"));
        server = std::make_unique<RotctldServer>(*station, &target);
        ASSERT_TRUE(server->Listen(QHostAddress::LocalHost, 0));
        client.connectToHost(QHostAddress::LocalHost, server->port());
        ASSERT_TRUE(WaitUntil([this] { return client.state() == QAbstractSocket::ConnectedState; }));
    }

    QByteArray Ask(const QByteArray& request, int lines) {
        client.write(request + '\n');
        QByteArray answer;
        EXPECT_TRUE(WaitUntil([&] {
            answer += client.readAll();
            return answer.count('\n') >= lines;
        })) << request.toStdString();
        return answer;
    }
    std::pair<double, double> Position() {
        const QList<QByteArray> lines = Ask("p", 2).split('\n');
        return {lines.value(0).toDouble(), lines.value(1).toDouble()};
    }
    // One second of the window: a positioning step between two tracking cycles.
    void Second() {
        AdvanceEndingPauses(window->rotator().positioning, world.clock, 200);
        window->rotator().Timer2_Timer();
        AdvanceEndingPauses(window->rotator().positioning, world.clock, 800);
        window->tracking().Timer1_Timer();
    }
};

TEST_F(GpredictRunTest, TheAntennaFollowsThePassAndStopStopsIt) {
    Second(); // start-up range check
    Second(); // the first cycle with a measured antenna
    ASSERT_EQ(window->state().StartupState, 0);
    window->Option1->click();
    window->Command3->click();
    ASSERT_EQ(window->state().OperatingMode, RunMode::Automatic);

    // No position yet: the target is below the horizon and the antenna stays where it is.
    for (int i = 0; i < 3; ++i)
        Second();
    auto [az0, el0] = Position();
    EXPECT_NEAR(az0, 100, 1);
    EXPECT_NEAR(el0, 0, 1);

    // A rising pass, 1.5 deg/s in azimuth and 0.5 deg/s in elevation.
    double worstLate = 0;
    for (int t = 0; t < 60; ++t) {
        const double az = 130 + 1.5 * t, el = 10 + 0.5 * t;
        ASSERT_EQ(
            Ask(QByteArray("P ") + QByteArray::number(az, 'f', 2) + ' ' + QByteArray::number(el, 'f', 2), 1),
            "RPRT 0\n");
        Second();
        const auto [paz, pel] = Position();
        if (t >= 30)
            worstLate = std::max({worstLate, AzimuthGap(paz, az), std::abs(pel - el)});
    }
    EXPECT_EQ(window->Text[1]->text(), "AO-91");
    // Without the lead option the follow-up pulses 0.15 s a step near the target and starts a fresh
    // approach only once 8 degrees behind: at 1.5 degrees a second it trails by up to that much.
    EXPECT_LT(worstLate, 9) << "the antenna did not follow the pass";

    // S: the abort button's action; the next positioning step switches everything off.
    EXPECT_EQ(Ask("S", 1), "RPRT 0\n");
    Second();
    EXPECT_EQ(window->state().OperatingMode, RunMode::Stopped);
    const auto [stopAz, stopEl] = Position();
    for (int t = 0; t < 5; ++t) {
        ASSERT_EQ(Ask("P 300 80", 1), "RPRT 0\n");
        Second();
    }
    const auto [laterAz, laterEl] = Position();
    EXPECT_NEAR(laterAz, stopAz, 0.5);
    EXPECT_NEAR(laterEl, stopEl, 0.5);
}

} // namespace

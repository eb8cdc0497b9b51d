// SPDX-License-Identifier: GPL-3.0-or-later
// The relay layer's two holds: once the program starts to end nothing switches a relay on again, and
// nothing is on while a modal message is up. Plus the last-resort stop of a crashing process.
#include "LoopbackListener.h"
#include "RotatorFixture.h"
#include "rotator/ControlDeadman.h"
#include "support/StepPhases.h"

#include "rotator/EmergencyRelayStop.h"
#include "rotator/RelaySafeMessages.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <future>

namespace {

// Whether any write from index `from` on switched a relay on.
bool AnyOnFrom(const std::vector<RecordingBoard::Write>& writes, std::size_t from) {
    for (std::size_t i = from; i < writes.size(); ++i)
        if (writes[i].level != 0)
            return true;
    return false;
}

// An exit while the automatic follow-up or the manual pulse waits in its 0.15 s or 0.3 s pause: the
// interrupted step resumes (the automatic one, having fallen behind, starts a fresh approach), yet no
// relay goes on again.
TEST_F(RotatorTest, AnExitDuringAPositioningPauseNeverSwitchesARelayOnAgain) {
    struct Row {
        const char* what;
        int mode;
        int exitInPause; // 1: the 0.15 s pause, 2: the 0.3 s pause
    } const rows[] = {
        {"automatic, in the 0.15 s pause", 2, 1},
        {"automatic, in the 0.3 s pause", 2, 2},
        {"manual pulse, in the 0.15 s pause", 1, 1},
        {"manual pulse, in the 0.3 s pause", 1, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        MainState fresh;
        fresh.AzimuthMotorText = fresh.ElevationMotorText = QStringLiteral("1");
        fresh.AzimuthTolerance = fresh.ElevationTolerance = 1.5;
        MainState& s = state;
        s = fresh;
        RotatorControl control{s, ports, view};
        ReadBothAxes(control);
        world.board.writes.clear();
        s.PresentAzimuth = 100, s.PresentElevation = 10;
        s.TargetName = s.PositionedTargetName = QStringLiteral("ISS");
        if (row.mode == 2) {
            // Target 20° ahead and moving on: the follow-up turns right, then finds itself fallen behind.
            s.OperatingMode = 2;
            s.TargetAzimuth = 120, s.PreviousTargetAzimuth = 119;
            s.TargetElevation = s.PreviousTargetElevation = 10;
        } else {
            // 6.5° short of a pointed position: a pulse.
            s.OperatingMode = 1;
            s.PointedAzimuth = 108, s.PointedElevation = 10;
            control.relays.TurnRight(control.relays.TakeLease()); // as the manual start left it
        }
        int pauses = 0;
        std::size_t endedAt = 0;
        const auto during = [&] {
            if (++pauses == row.exitInPause) {
                endedAt = world.board.writes.size();
                control.relays.BeginEnding();
                // Whatever else the loop runs meanwhile is held too.
                control.relays.TurnLeft(control.relays.TakeLease());
                control.relays.MoveUp(control.relays.TakeLease());
            }
        };
        if (row.mode == 2)
            control.positioning.ContinueTracking();
        else
            control.positioning.ManualPositioningStep();
        RunStepPhases(control.positioning, world.clock, during);
        ASSERT_GE(pauses, row.exitInPause);
        ASSERT_GT(endedAt, 0u);
        EXPECT_FALSE(AnyOnFrom(world.board.writes, endedAt)) << "a relay was written on after the exit began";
        EXPECT_TRUE(world.board.AllRelaysOff());
        EXPECT_TRUE(Relays(0, 0, 0, 0));
        // The last all-off is written whatever came before.
        const std::size_t before = world.board.writes.size();
        control.relays.SwitchAllOff();
        EXPECT_EQ(world.board.writes.size(), before + 4);
    }
}

// While a message box is up every relay is off, and a step running meanwhile cannot switch one on;
// once it is closed the relays work again. A box shown with every relay off touches nothing.
TEST_F(RotatorTest, NoRelayIsOnWhileAMessageIsShown) {
    RelaySafeMessages messages(world.messages, rotator.relays);
    struct Row {
        bool on;
        std::size_t writesBeforeTheBox;
    } const rows[] = {{true, 4}, {false, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.on);
        if (row.on) {
            rotator.relays.TurnRight(rotator.relays.TakeLease());
            rotator.relays.MoveUp(rotator.relays.TakeLease());
        }
        world.board.writes.clear();
        bool offWhileShown = false;
        world.messages.onShow = [&](const QString&) {
            offWhileShown = world.board.AllRelaysOff() && Relays(0, 0, 0, 0);
            rotator.relays.TurnRight(rotator.relays.TakeLease()); // a timer's step, say
            offWhileShown = offWhileShown && world.board.AllRelaysOff() && state.piob4 == 0;
            EXPECT_EQ(world.board.writes.size(), row.writesBeforeTheBox + 2);
        };
        messages.ShowMessage(QStringLiteral("仰角が稼動範囲外が指定された"));
        world.messages.onShow = nullptr;
        EXPECT_TRUE(offWhileShown);
        // The box was a stop: the relays work again from a fresh reading.
        rotator.relays.TurnRight(rotator.relays.TakeLease());
        EXPECT_EQ(world.board.Level(4), 0);
        ReadBothAxes(rotator);
        rotator.relays.TurnRight(rotator.relays.TakeLease());
        EXPECT_EQ(world.board.Level(4), 1);
        rotator.relays.StopAzimuth();
    }
}

// A write given up after its retries leaves the board's relay unknown: the box switches off again.
TEST_F(RotatorTest, AMessageAfterAFailedOffWriteWritesTheRelaysOffAgain) {
    RelaySafeMessages messages(world.messages, rotator.relays);
    rotator.relays.TurnRight(rotator.relays.TakeLease());
    world.board.failAllWrites = true;
    rotator.relays.StopAzimuth(); // the board keeps the relay on
    world.board.failAllWrites = false;
    ASSERT_EQ(world.board.Level(4), 1);
    messages.ShowMessage(QStringLiteral("text"));
    EXPECT_TRUE(world.board.AllRelaysOff());
}

TEST(EmergencyRelayStop, WritesFourCoilOffRequestsAndWaitsForTheReplies) {
    const auto frame = EmergencyRelayStop::CoilOffFrame(0x1234, 1, 6);
    const std::array<std::uint8_t, 12> expected{0x12, 0x34, 0, 0, 0, 6, 1, 0x05, 0, 6, 0, 0};
    EXPECT_EQ(frame, expected);

    EXPECT_EQ(EmergencyRelayStop::StopNow(10), -1); // nothing armed
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    EmergencyRelayStop::Arm(pair[0], 7, {20, 21, 22, 23});
    // The board's replies (echoes), already on their way.
    std::array<std::uint8_t, 48> replies{};
    ASSERT_EQ(::write(pair[1], replies.data(), replies.size()), 48);
    EXPECT_EQ(EmergencyRelayStop::StopNow(200), 4);
    std::array<std::uint8_t, 64> got{};
    ASSERT_EQ(::read(pair[1], got.data(), got.size()), 48);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(got[i * 12 + 6], 7) << i;    // unit
        EXPECT_EQ(got[i * 12 + 7], 0x05) << i; // Write Single Coil
        EXPECT_EQ(got[i * 12 + 9], 20 + i) << i;
        EXPECT_EQ(got[i * 12 + 10] | got[i * 12 + 11], 0) << i; // off
    }
    // A board that never answers costs the bounded wait, no more.
    EXPECT_EQ(EmergencyRelayStop::StopNow(50), 0);
    ::close(pair[1]);
    EXPECT_LE(EmergencyRelayStop::StopNow(50), 0); // a dead peer neither blocks nor raises SIGPIPE
    EmergencyRelayStop::Arm(-1, 0, {});
    ::close(pair[0]);
    EXPECT_FALSE(EmergencyRelayStop::Engaged());
}

// The board's connection was dropped after a failure: the stop connects afresh to the same address.
TEST(EmergencyRelayStop, ConnectsAfreshWhenTheConnectionIsDown) {
    LoopbackListener listening;
    ASSERT_GE(listening.fd, 0);
    const int listener = listening.fd;
    sockaddr_in& address = listening.address;
    const int board = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(::connect(board, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EmergencyRelayStop::Arm(board, 1, {4, 5, 6, 7});
    EmergencyRelayStop::Arm(-1, 0, {}); // dropped
    ::close(board);
    ::close(::accept(listener, nullptr, nullptr)); // the old connection

    EXPECT_EQ(EmergencyRelayStop::StopNow(100), 0); // the kernel takes the connection; nobody answers
    const int fresh = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(fresh, 0);
    std::array<std::uint8_t, 64> got{};
    EXPECT_EQ(::recv(fresh, got.data(), got.size(), MSG_WAITALL | MSG_DONTWAIT), 48);
    EXPECT_EQ(got[7], 0x05);
    EXPECT_EQ(got[9], 4);
    EXPECT_EQ(got[45], 7);
    ::close(fresh);
    ::close(listening.fd);
    listening.fd = -1;
    EXPECT_EQ(EmergencyRelayStop::StopNow(100), -1); // nobody listens any more
}

} // namespace

// The deadman acts only when the control falls silent with a relay on: a word in time, or word that
// everything is off, keeps it at rest. (Real time, in tens of milliseconds: it watches a thread.)
TEST(ControlDeadman, SwitchesOffOnlyWhenTheControlFallsSilent) {
    struct Row {
        const char* name;
        bool renewInTime; // a second word before the first runs out
        bool allOff;      // the control says everything is off
        int firings;
    } const rows[] = {
        {"silent with a relay on", false, false, 1},
        {"renewed in time, then silent", true, false, 1},
        {"everything off", false, true, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::promise<void> fired;
        std::atomic<int> stops{0};
        ControlDeadman deadman([&](int) {
            if (stops++ == 0)
                fired.set_value();
            return 4;
        });
        deadman.ExpectWordWithin(60);
        if (row.renewInTime)
            deadman.ExpectWordWithin(120);
        if (row.allOff)
            deadman.AllOff();
        const bool acted = fired.get_future().wait_for(std::chrono::milliseconds(row.firings ? 5000 : 300)) ==
                           std::future_status::ready;
        EXPECT_EQ(acted, row.firings > 0);
        EXPECT_EQ(deadman.Firings(), row.firings);
    }
}

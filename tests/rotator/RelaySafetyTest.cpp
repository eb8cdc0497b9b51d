// SPDX-License-Identifier: GPL-3.0-or-later
// The relay layer's two holds: once the program starts to end nothing switches a relay on again, and
// nothing is on while a modal message is up. Plus the last-resort stop of a crashing process.
#include "LoopbackListener.h"
#include "RotatorFixture.h"
#include "rotator/BoardOwner.h"
#include "support/StepPhases.h"

#include "rotator/EmergencyRelayStop.h"
#include "rotator/RelaySafeMessages.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <string>

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
        SetOwned(s.PresentAzimuth, 100);
        SetOwned(s.PresentElevation, 10);
        SetOwned(s.TargetName, QStringLiteral("ISS"));
        SetOwned(s.PositionedTargetName, QStringLiteral("ISS"));
        if (row.mode == 2) {
            // Target 20° ahead and moving on: the follow-up turns right, then finds itself fallen behind.
            s.OperatingMode = RunMode::Automatic;
            SetMovingTarget(s, 120, 119, 10);
        } else {
            // 6.5° short of a pointed position: a pulse.
            s.OperatingMode = RunMode::Manual;
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

namespace {

// What the board's own thread does next, pass by pass: each row sets the wishes, names the calls that
// fail every time, and lists the calls made ("w4:1" a write, "r0" a reading; "|" ends a pass).
TEST(BoardWire, OffsGoFirstAndAgainUntilTakenAndNothingElseIsHeldOn) {
    struct Row {
        const char* name;
        std::function<void(BoardWire&, std::int64_t now)> wish;
        std::vector<std::string> failing;
        int passes;
        std::string calls;
        int firings;
    };
    const auto want = [](std::vector<std::pair<int, int>> levels) {
        return [levels](BoardWire& wire, std::int64_t) {
            for (auto [bit, level] : levels)
                wire.Want(bit, level);
        };
    };
    const Row rows[] = {
        {"an off before an on, both before the readings",
         [](BoardWire& wire, std::int64_t) {
             wire.Want(4, 1);
             wire.Want(6, 0);
             wire.DemandReadings();
         },
         {},
         2,
         "w6:0 w4:1 r0 r1 | |",
         0},
        {"an off the module does not answer goes again every pass",
         want({{5, 0}}),
         {"w5:0"},
         3,
         "w5:0 | w5:0 | w5:0 |",
         0},
        {"an off it answered is not sent again", want({{5, 0}}), {}, 3, "w5:0 | | |", 0},
        {"a failed reading leaves a relay that was on unknown: it is sent again",
         [](BoardWire& wire, std::int64_t) {
             wire.Want(4, 1);
             wire.DemandReadings();
         },
         {"r0"},
         2,
         "w4:1 r0 r1 | w4:1 |",
         0},
        {"a relay on without another word from the control goes off",
         [](BoardWire& wire, std::int64_t now) {
             wire.Want(7, 1);
             wire.SetDeadline(now + BoardWire::RetryMs / 2);
         },
         {},
         3,
         "w7:1 | w7:0 | |",
         1},
        {"a coil read back on against an off is sent its off again",
         [](BoardWire& wire, std::int64_t) {
             wire.ReadBack(true);
             wire.Want(4, 0);
             wire.DemandReadings();
         },
         {},
         3,
         "w4:0 r0 r1 c4 | w4:0 | |",
         0},
        {"once the end has begun only offs go out, no readings",
         [](BoardWire& wire, std::int64_t) {
             wire.Want(4, 1);
             wire.Want(6, 0);
             wire.DemandReadings();
             wire.BeginEnding();
         },
         {},
         2,
         "w6:0 | |",
         0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BoardWire wire;
        std::int64_t now = 1000;
        row.wish(wire, now);
        std::string calls;
        for (int pass = 0; pass < row.passes; ++pass, now += BoardWire::RetryMs) {
            while (const auto job = wire.Next(now)) {
                const std::string call =
                    job->kind == BoardWire::Job::Write
                        ? "w" + std::to_string(job->index) + ":" + std::to_string(job->level)
                        : (job->kind == BoardWire::Job::Read ? "r" : "c") + std::to_string(job->index);
                calls += call + " ";
                const bool fails =
                    std::find(row.failing.begin(), row.failing.end(), call) != row.failing.end();
                wire.Done(*job,
                          fails ? std::optional<PortError>(PortError{110, QStringLiteral("timed out")})
                                : std::nullopt,
                          512, now);
            }
            calls += pass + 1 < row.passes ? "| " : "|";
        }
        EXPECT_EQ(calls, row.calls);
        EXPECT_EQ(wire.Firings(), row.firings);
    }
}

// Readings asked for after the pass has read both channels (the measurement that follows the one just
// answered) are not lost: the next pass reads again.
TEST(BoardWire, ReadingsAskedForLateInAPassAreReadInTheNext) {
    BoardWire wire;
    wire.ReadBack(true);
    wire.Want(4, 1);
    wire.DemandReadings();
    std::string calls;
    std::int64_t now = 1000;
    for (int pass = 0; pass < 3; ++pass, now += BoardWire::RetryMs) {
        while (const auto job = wire.Next(now)) {
            calls += (job->kind == BoardWire::Job::Write  ? "w"
                      : job->kind == BoardWire::Job::Read ? "r"
                                                          : "c") +
                     std::to_string(job->index) + " ";
            wire.Done(*job, std::nullopt, 1, now);
            if (pass == 0 && job->kind == BoardWire::Job::Read && job->index == 1)
                wire.DemandReadings();
        }
        EXPECT_EQ(wire.WakeAtMs(now).value_or(now + 1) == now, pass == 0) << pass;
        calls += "|";
    }
    EXPECT_EQ(calls, "w4 r0 r1 c4 |r0 r1 c4 ||");
}

// A module that is stuck in a call: its reads hang until released, its writes answer at once.
class StuckBoard : public IoBoard {
  public:
    void SetAddress(const QString&) override {}
    std::optional<PortError> WriteOutputBit(int, int bit, int level) override {
        std::lock_guard lock(mutex_);
        writes_.push_back({bit, level});
        changed_.notify_all();
        return std::nullopt;
    }
    Reading ReadAnalogInput(int, int) override {
        std::unique_lock lock(mutex_);
        ++readsStarted_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
        return {0, PortError{110, QStringLiteral("timed out")}};
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    // Waits (at most ten seconds, as a hang guard) until the condition holds.
    bool Await(const std::function<bool(const std::vector<std::pair<int, int>>&, int)>& done) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10),
                                 [&] { return done(writes_, readsStarted_); });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::pair<int, int>> writes_;
    int readsStarted_ = 0;
    bool released_ = false;
};

// The window asks a module that hangs: the reading gives up within its bound and the write returns at
// once (a call that waited on the module would never return here), the off goes out as soon as the
// module is free, and a relay left on without another word from the control is switched off by the
// board's own thread.
TEST(BoardOwner, AHangingModuleHoldsNoCallAndAnOffStillGoesOut) {
    StuckBoard board;
    {
        BoardOwner owner(board);
        owner.WriteOutputBit(6, 4, 1);
        ASSERT_TRUE(board.Await([](const auto& writes, int) { return !writes.empty(); }));
        // Asked first, the readings return at once, in flight, and the answer is said once it is in.
        std::promise<void> answered;
        EXPECT_FALSE(owner.PrepareReadings([&] { answered.set_value(); }));
        for (int channel = 0; channel < 2; ++channel) {
            const IoBoard::Reading prepared = owner.ReadAnalogInput(5, channel);
            ASSERT_TRUE(prepared.error);
            EXPECT_TRUE(prepared.error->inFlight());
        }
        const IoBoard::Reading reading = owner.ReadAnalogInput(5, 0);
        ASSERT_TRUE(reading.error); // the module is stuck in that reading
        ASSERT_TRUE(board.Await([](const auto&, int reads) { return reads == 1; }));
        const auto off = owner.WriteOutputBit(6, 4, 0);
        ASSERT_TRUE(off);
        EXPECT_TRUE(off->inFlight());
        board.Release();
        EXPECT_TRUE(board.Await([](const auto& writes, int) { return writes.back() == std::pair{4, 0}; }));
        EXPECT_EQ(answered.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);

        owner.WriteOutputBit(6, 7, 1);
        owner.ExpectWordWithin(20);
        EXPECT_TRUE(board.Await([](const auto& writes, int) { return writes.back() == std::pair{7, 0}; }));
        EXPECT_EQ(owner.Firings(), 1);
        owner.WriteOutputBit(6, 6, 1);
    }
    // The owner's end sends the off of the relay still on.
    EXPECT_TRUE(board.Await([](const auto& writes, int) { return writes.back() == std::pair{6, 0}; }));
}

// A module that loses requests: at the end, an off it did not answer goes again until it is taken.
TEST(BoardOwner, TheEndSendsAnOffAgainUntilTheModuleTakesIt) {
    struct LosingBoard : IoBoard {
        void SetAddress(const QString&) override {}
        std::optional<PortError> WriteOutputBit(int, int, int) override { return std::nullopt; }
        std::optional<PortError> WriteOutputBitOnce(int, int bit, int level, int) override {
            writes.push_back({bit, level});
            if (level == 0 && lost-- > 0)
                return PortError{110, QStringLiteral("timed out")};
            return std::nullopt;
        }
        Reading ReadAnalogInput(int, int) override { return {512, std::nullopt}; }
        std::vector<std::pair<int, int>> writes; // read only once the owner's thread has ended
        int lost = 0;
    } board;
    {
        BoardOwner owner(board);
        owner.WriteOutputBit(6, 5, 1); // answered by WriteOutputBit, which writes is not told of
        board.lost = 3;
    }
    const std::vector<std::pair<int, int>> offs(4, {5, 0});
    EXPECT_EQ(board.writes, offs);
}

} // namespace

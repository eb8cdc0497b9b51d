// SPDX-License-Identifier: GPL-3.0-or-later
// The relay layer's leases: a relay is on only for a step of the current operation, on an axis read since
// that operation began; every stop voids the leases at once; a lease nobody renews runs out by itself.
#include "RotatorFixture.h"

#include "rotator/RelaySafeMessages.h"
#include "support/StepPhases.h"

#include <functional>

namespace {

using Lease = RelayOutputs::Lease;

bool AnyOnFrom(const std::vector<RecordingBoard::Write>& writes, std::size_t from) {
    for (std::size_t i = from; i < writes.size(); ++i)
        if (writes[i].level != 0)
            return true;
    return false;
}

// Who may switch the azimuth on.
TEST_F(RotatorTest, ARelayGoesOnOnlyUnderALeaseOfTheCurrentOperationOnAReadAxis) {
    struct Row {
        const char* name;
        bool read;                                                      // both axes read once first
        std::function<Lease(RotatorControl&, RecordingMessages&)> then; // returns the step's lease
        bool granted;
    } const rows[] = {
        {"read, lease of this operation", true, [](RotatorControl& c, auto&) { return c.relays.TakeLease(); },
         true},
        {"never read since start-up", false, [](RotatorControl& c, auto&) { return c.relays.TakeLease(); },
         false},
        {"read only before a stop", true,
         [](RotatorControl& c, auto&) {
             c.relays.RevokeLeases();
             return c.relays.TakeLease();
         },
         false},
        {"read again after the stop", true,
         [](RotatorControl& c, auto&) {
             c.relays.RevokeLeases();
             ReadBothAxes(c, 500);
             return c.relays.TakeLease();
         },
         true},
        {"a step parked across a stop", true,
         [](RotatorControl& c, auto&) {
             const Lease parked = c.relays.TakeLease();
             c.relays.RevokeLeases();
             ReadBothAxes(c, 500);
             return parked;
         },
         false},
        {"parked across a message box", true,
         [](RotatorControl& c, RecordingMessages& shown) {
             const Lease parked = c.relays.TakeLease();
             RelaySafeMessages(shown, c.relays).ShowMessage(QStringLiteral("box"));
             ReadBothAxes(c, 500);
             return parked;
         },
         false},
        {"last read failed", true,
         [](RotatorControl& c, auto&) {
             c.watch.Reading(MotionWatch::Azimuth, std::nullopt, 0, 500);
             return c.relays.TakeLease();
         },
         false},
        {"held off", true,
         [](RotatorControl& c, auto&) {
             c.relays.BeginHoldOff();
             ReadBothAxes(c, 500);
             return c.relays.TakeLease();
         },
         false},
        {"ending", true,
         [](RotatorControl& c, auto&) {
             c.relays.BeginEnding();
             ReadBothAxes(c, 500);
             return c.relays.TakeLease();
         },
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MainState fresh = state;
        RotatorControl control{fresh, ports, view};
        if (row.read)
            ReadBothAxes(control);
        const Lease lease = row.then(control, world.messages);
        world.board.writes.clear();
        EXPECT_EQ(control.relays.TurnRight(lease), row.granted);
        EXPECT_EQ(world.board.Level(4), row.granted ? 1 : 0);
        EXPECT_EQ(fresh.piob4, row.granted ? 1 : 0);
        // The manual start decides nothing on an axis not read yet either.
        if (!row.read) {
            fresh.OperatingMode = RunMode::Manual;
            SetOwned(fresh.PresentAzimuth, 100);
            fresh.PointedAzimuth = 200;
            SetOwned(fresh.PresentElevation, 10);
            fresh.PointedElevation = 40;
            control.CheckOperatingRange();
            EXPECT_FALSE(AnyOnFrom(world.board.writes, 0));
        }
        control.relays.SwitchAllOff();
    }
}

// A lease lasts LeaseMs from its last renewal; then the layer switches that axis off by itself. An axis
// whose reads fail cannot renew.
TEST_F(RotatorTest, ALeaseItsStepDoesNotRenewRunsOut) {
    struct Row {
        const char* name;
        bool renewAfter2s;
        bool failReadFirst;
        bool onAfter4s;
    } const rows[] = {
        {"renewed", true, false, true},
        {"not renewed", false, false, false},
        {"renewal refused on a failed read", true, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::int64_t start = world.clock.nowMs;
        ReadBothAxes(rotator, start);
        ASSERT_TRUE(rotator.relays.TurnRight(rotator.relays.TakeLease()));
        ASSERT_TRUE(rotator.relays.MoveUp(rotator.relays.TakeLease()));
        world.clock.Advance(2000);
        rotator.relays.ExpireLeases();
        ASSERT_EQ(world.board.Level(4), 1);
        if (row.failReadFirst)
            rotator.watch.Reading(MotionWatch::Azimuth, std::nullopt, 0, world.clock.nowMs);
        if (row.renewAfter2s) {
            ReadBothAxes(rotator, world.clock.nowMs);
            if (row.failReadFirst)
                rotator.watch.Reading(MotionWatch::Azimuth, std::nullopt, 0, world.clock.nowMs);
            rotator.relays.Renew(rotator.relays.TakeLease(), MotionWatch::Azimuth);
        }
        world.clock.Advance(2000);
        rotator.relays.ExpireLeases();
        EXPECT_EQ(world.board.Level(4), row.onAfter4s ? 1 : 0);
        EXPECT_EQ(state.piob4, row.onAfter4s ? 1 : 0);
        EXPECT_EQ(world.board.Level(6), 0); // the elevation's lease was never renewed
        // The operator is told which motors went off for want of their step.
        EXPECT_EQ(world.status.left,
                  row.onAfter4s
                      ? QStringLiteral("4.仰角の制御が途絶えたため、仰角のリレーを切りました")
                      : QStringLiteral("4.水平・仰角の制御が途絶えたため、水平・仰角のリレーを切りました"));
        rotator.relays.SwitchAllOff();
        world.clock.Advance(1000);
    }
    // A lease that runs out with its motor already off leaves the expiry timer idle: it must not wait
    // for a due time in the past (it used to fire every millisecond until the next grant).
    ReadBothAxes(rotator, world.clock.nowMs);
    ASSERT_TRUE(rotator.relays.TurnRight(rotator.relays.TakeLease()));
    rotator.relays.StopAzimuth();
    world.clock.Advance(RelayOutputs::LeaseMs + 1);
    rotator.relays.ExpireLeases();
    EXPECT_FALSE(rotator.relays.ExpiryArmed());
}

// A stop while the automatic follow-up or the manual pulse is parked in its 0.15 s or 0.3 s wait: every
// relay is written off in the stop's own event, and the step that resumes switches nothing on again (the
// automatic one, having fallen behind, would start a fresh approach; the manual one would pulse on).
TEST_F(RotatorTest, AStopDuringAPulseWaitHoldsWhateverTheParkedStepDoesNext) {
    enum class Stop { Abort, Box, Dialog };
    struct Row {
        const char* name;
        RunMode mode;
        int inPause; // 1: the 0.15 s pulse, 2: the 0.3 s rest
        Stop stop;
    } const rows[] = {
        {"automatic, abort in the pulse", RunMode::Automatic, 1, Stop::Abort},
        {"automatic, abort in the rest", RunMode::Automatic, 2, Stop::Abort},
        {"automatic, a box in the pulse", RunMode::Automatic, 1, Stop::Box},
        {"automatic, the settings dialog in the rest", RunMode::Automatic, 2, Stop::Dialog},
        {"manual, abort in the pulse", RunMode::Manual, 1, Stop::Abort},
        {"manual, a box in the rest", RunMode::Manual, 2, Stop::Box},
    };
    RelaySafeMessages messages(world.messages, rotator.relays);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        state.AbortRequested = 0;
        SetOwned(state.PresentAzimuth, 100);
        SetOwned(state.PresentElevation, 10);
        SetOwned(state.TargetName, QStringLiteral("ISS"));
        SetOwned(state.PositionedTargetName, QStringLiteral("ISS"));
        ReadBothAxes(rotator, world.clock.nowMs);
        state.OperatingMode = row.mode;
        if (row.mode == RunMode::Automatic) {
            SetMovingTarget(state, 120, 119, 10);
        } else {
            state.PointMarkShown = 1;
            state.PointedAzimuth = 108, state.PointedElevation = 10;
        }
        int pauses = 0;
        std::size_t stoppedAt = 0;
        bool offInTheSameEvent = false;
        const auto during = [&] {
            if (++pauses != row.inPause)
                return;
            switch (row.stop) {
            case Stop::Abort: // what 中止 and rotctld's S do
                rotator.relays.RevokeLeases();
                state.OperatingMode = RunMode::Stopped;
                state.AbortRequested = 1;
                break;
            case Stop::Box:
                messages.ShowMessage(QStringLiteral("box"));
                break;
            case Stop::Dialog:
                rotator.relays.BeginHoldOff();
                break;
            }
            offInTheSameEvent = world.board.AllRelaysOff();
            stoppedAt = world.board.writes.size();
            // The next measurement reads both axes: a fresh reading does not revive the parked lease.
            ReadBothAxes(rotator, world.clock.nowMs);
        };
        world.board.writes.clear();
        if (row.mode == RunMode::Automatic)
            rotator.positioning.TrackingPositioningStep();
        else
            rotator.positioning.ManualPositioningStep();
        RunStepPhases(rotator.positioning, world.clock, during);
        ASSERT_GT(pauses, 0);
        ASSERT_GT(stoppedAt, 0u) << "the step never waited that long";
        EXPECT_TRUE(offInTheSameEvent);
        EXPECT_FALSE(AnyOnFrom(world.board.writes, stoppedAt)) << "a relay went on after the stop";
        EXPECT_TRUE(world.board.AllRelaysOff());
        EXPECT_TRUE(Relays(0, 0, 0, 0));
        EXPECT_FALSE(rotator.positioning.StepRunning());
        if (row.stop == Stop::Dialog)
            rotator.relays.EndHoldOff();
        world.clock.Advance(1000);
    }
}

// A relay write given up after its retries may have left the relay on: the watch's stop treats the
// antenna as running, and a manual move is not over while the board has not taken the off.
TEST_F(RotatorTest, AWriteGivenUpCountsAsPossiblyOn) {
    struct Row {
        const char* name;
        bool offGivenUp;
        bool stoppedForFailingReads; // reads fail for 2 s with nothing else running
        bool manualFinished;         // both axes in tolerance, every relay variable 0
    } const rows[] = {
        {"off reached the board", false, false, true},
        {"off given up", true, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MainState fresh = state;
        RotatorControl control{fresh, ports, view};
        RecordingView& v = view;
        v.finished = v.aborts = 0;
        world.board.counts[0] = 284; // 99.9°
        world.board.counts[1] = 57;  // 10.0°
        control.PositionAntenna();
        ASSERT_TRUE(control.relays.TurnRight(control.relays.TakeLease()));
        world.board.failAllWrites = row.offGivenUp;
        control.relays.StopAzimuth();
        ASSERT_EQ(control.relays.MayBeOn(), row.offGivenUp);

        // The manual move within tolerance, read at rest: over only once the off has surely reached
        // the board (the board still refuses every write in the given-up row).
        fresh.OperatingMode = RunMode::Manual;
        fresh.PointMarkShown = 1;
        fresh.PointedAzimuth = fresh.PresentAzimuth, fresh.PointedElevation = fresh.PresentElevation;
        world.clock.Advance(1000);
        control.PositionAntenna();
        EXPECT_EQ(v.finished, row.manualFinished ? 1 : 0);

        // Reads failing for 2 s with no operation: only a relay that may be on makes it a stop.
        fresh.OperatingMode = RunMode::Stopped;
        fresh.PointMarkShown = 0;
        world.board.failAllReads = true;
        for (int i = 0; i < 3; ++i) {
            world.clock.Advance(1000);
            control.PositionAntenna();
        }
        world.board.failAllReads = false;
        world.board.failAllWrites = false;
        const bool stopped = world.status.left.startsWith(QStringLiteral("3.水平の角度が"));
        EXPECT_EQ(stopped, row.stoppedForFailingReads) << world.status.left.toStdString();
        control.PositionAntenna(); // the module takes writes again: the off arrives
        EXPECT_EQ(world.board.Level(4), 0);
        world.status.left.clear();
    }
}

} // namespace

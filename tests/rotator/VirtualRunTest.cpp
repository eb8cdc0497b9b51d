#include "RotatorFixture.h"
#include "rotator/SimulatedBoard.h"

#include <cmath>
#include <functional>

namespace {

// The main window's timers in virtual time against the simulated board: Timer1 (1 s) measures
// through a stand-in tracking cycle, Timer2 (800 ms) steps, Timer3 (100 ms) moves the simulated counts.
class VirtualRun : public RotatorTest {
  protected:
    struct Timer {
        std::int64_t interval, due;
        std::function<void()> fire;
    };

    void SetUpBoard(double azimuth, double elevation) {
        RotatorPhysics::Settings settings;
        settings.startAzimuth = azimuth;
        settings.startElevation = elevation;
        board = std::make_unique<SimulatedBoard>(world.clock, settings);
        ports.board = board.get();
        timers = {{1000, 1000, [this] { Cycle(); }},
                  {800, 800, [this] { rotator.Timer2_Timer(); }},
                  {100, 100, [this] { rotator.Timer3_Timer(); }}};
        world.waiter.onEvents = [this](int) { RunDue(); };
    }

    void Cycle() {
        if (moveTarget) {
            state.PreviousTargetAzimuth = state.TargetAzimuth;
            state.PreviousTargetElevation = state.TargetElevation;
            moveTarget(world.clock.nowMs / 1000.0);
        }
        rotator.PositionAntenna();
        const double error = std::abs(board->physics().Azimuth() - state.TargetAzimuth);
        if (state.ApproachComplete == 1 || acquired) {
            acquired = true;
            ++followedCycles;
            if (error <= state.AzimuthTolerance + 1)
                ++closeCycles;
        }
    }

    void RunDue() {
        for (auto& t : timers)
            if (t.due <= world.clock.nowMs) {
                t.due += t.interval; // before firing, so a nested run does not fire it again
                t.fire();
            }
    }

    void RunFor(std::int64_t ms, const std::function<bool()>& done = {}) {
        const std::int64_t end = world.clock.nowMs + ms;
        while (world.clock.nowMs < end && !(done && done())) {
            std::int64_t next = end;
            for (const auto& t : timers)
                next = std::min(next, t.due);
            world.clock.nowMs = std::max(world.clock.nowMs, next);
            RunDue();
        }
    }

    std::unique_ptr<SimulatedBoard> board;
    std::vector<Timer> timers;
    std::function<void(double)> moveTarget;
    bool acquired = false;
    int followedCycles = 0, closeCycles = 0;
};

struct MoveCase {
    const char* name;
    double fromAzimuth, fromElevation, toAzimuth, toElevation;
};

class ManualMove : public VirtualRun, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(ManualMove, ReachesThePointedPositionAndFinishes) {
    const auto& c = GetParam();
    SetUpBoard(c.fromAzimuth, c.fromElevation);
    rotator.PositionAntenna();
    state.OperatingMode = 1;
    state.PointMarkShown = 1;
    state.PointedAzimuth = c.toAzimuth;
    state.PointedElevation = c.toElevation;
    rotator.CheckOperatingRange();
    RunFor(120000, [this] { return state.OperatingMode == 0; });

    EXPECT_EQ(state.OperatingMode, 0);
    EXPECT_EQ(view.finished, 1);
    for (int bit = 4; bit <= 7; ++bit)
        EXPECT_FALSE(board->physics().Relay(bit)) << bit;
    // The manual move stops once inside the approach margin: within 8 degrees of the dead band.
    EXPECT_NEAR(board->physics().Azimuth(), c.toAzimuth, 8 + 1.5 + 1);
    EXPECT_NEAR(board->physics().Elevation(), c.toElevation, 8 + 1.5 + 1);
    // It never passes the target.
    const double az0 = c.fromAzimuth, az1 = board->physics().Azimuth();
    EXPECT_LE(std::abs(az1 - c.toAzimuth), std::abs(az0 - c.toAzimuth) + 1e-9);
}

INSTANTIATE_TEST_SUITE_P(VirtualTime, ManualMove,
                         ::testing::Values(MoveCase{"Short", 100, 10, 112, 15},
                                           MoveCase{"Long", 20, 5, 200, 60},
                                           MoveCase{"AcrossTheRange", 355, 80, 5, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VirtualRun, AutomaticFollowOfADriftingTarget) {
    SetUpBoard(100, 10);
    state.TargetName = QStringLiteral("SAT");
    moveTarget = [this](double t) {
        state.TargetAzimuth = 130 + 0.2 * t;
        state.TargetElevation = 20 + 0.1 * t;
    };
    moveTarget(0);
    state.PreviousTargetAzimuth = state.TargetAzimuth;
    state.PreviousTargetElevation = state.TargetElevation;
    rotator.PositionAntenna();
    state.OperatingMode = 2;
    state.ApproachComplete = 0;
    rotator.StartAutoTracking();
    EXPECT_TRUE(Relays(1, 0, 1, 0));
    RunFor(180000);

    EXPECT_EQ(state.OperatingMode, 2);
    EXPECT_NEAR(board->physics().Azimuth(), state.TargetAzimuth, 5);
    EXPECT_NEAR(board->physics().Elevation(), state.TargetElevation, 5);
    ASSERT_GT(followedCycles, 100);
    EXPECT_GT(closeCycles * 10, followedCycles * 8) << closeCycles << " of " << followedCycles;

    // Abort: the next step switches everything off on the board.
    state.AbortRequested = 1;
    RunFor(1000);
    EXPECT_EQ(state.OperatingMode, 0);
    for (int bit = 4; bit <= 7; ++bit)
        EXPECT_FALSE(board->physics().Relay(bit)) << bit;
}

} // namespace

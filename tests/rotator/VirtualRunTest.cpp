// SPDX-License-Identifier: GPL-3.0-or-later
#include "RotatorFixture.h"
#include "rotator/SimulatedBoard.h"

#include <chrono>
#include <cmath>
#include <functional>
#include <iostream>

namespace {

class CountingBoard : public SimulatedBoard {
  public:
    using SimulatedBoard::SimulatedBoard;
    int switches = 0;
    std::optional<PortError> WriteOutputBit(int port, int bit, int level) override {
        switches += physics().Relay(bit) != (level == 1);
        return SimulatedBoard::WriteOutputBit(port, bit, level);
    }
};

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
        board = std::make_unique<CountingBoard>(world.clock, settings);
        ports.board = board.get();
        timers = {{1000, 1000, [this] { Cycle(); }},
                  {800, 800, [this] { rotator.Timer2_Timer(); }},
                  {100, 100, [this] { rotator.Timer3_Timer(); }}};
    }

    void StartTracking(std::function<void(double, double&, double&)> move) {
        SetOwned(state.TargetName, QStringLiteral("SAT"));
        moveTarget = std::move(move);
        MoveTarget(0);
        SetOwned(state.PreviousTargetAzimuth, state.TargetAzimuth);
        SetOwned(state.PreviousTargetElevation, state.TargetElevation);
        rotator.PositionAntenna();
        state.OperatingMode = RunMode::Automatic;
        rotator.StartAutoTracking();
    }

    // The target where the script has it at that second, its aim of before kept as the previous one.
    void MoveTarget(double seconds) {
        double azimuth = state.TargetAzimuth, elevation = state.TargetElevation;
        moveTarget(seconds, azimuth, elevation);
        SetOwned(state.PreviousTargetAzimuth, state.TargetAzimuth);
        SetOwned(state.PreviousTargetElevation, state.TargetElevation);
        SetOwned(state.TargetAzimuth, azimuth);
        SetOwned(state.TargetElevation, elevation);
    }

    void Cycle() {
        if (moveTarget)
            MoveTarget(world.clock.nowMs / 1000.0);
        rotator.PositionAntenna();
        if (state.ApproachComplete == 1 || followedCycles > 0) {
            ++followedCycles;
            closeCycles +=
                std::abs(board->physics().Azimuth() - state.TargetAzimuth) <= state.AzimuthTolerance + 1;
        }
    }

    void RunDue() {
        // The step's own phase timer as well as the window's timers.
        if (const auto due = rotator.positioning.NextPhaseDueMs(); due && *due <= world.clock.nowMs)
            rotator.positioning.RunDuePhase();
        for (auto& t : timers)
            if (t.due <= world.clock.nowMs) {
                t.due += t.interval;
                t.fire();
            }
    }

    void RunFor(std::int64_t ms, const std::function<bool()>& done = {}) {
        const std::int64_t end = world.clock.nowMs + ms;
        while (world.clock.nowMs < end && !(done && done())) {
            std::int64_t next = end;
            for (const auto& t : timers)
                next = std::min(next, t.due);
            if (const auto due = rotator.positioning.NextPhaseDueMs())
                next = std::min(next, *due);
            world.clock.nowMs = std::max(world.clock.nowMs, next);
            RunDue();
        }
    }

    std::unique_ptr<CountingBoard> board;
    std::vector<Timer> timers;
    std::function<void(double, double&, double&)> moveTarget;
    int followedCycles = 0, closeCycles = 0;
};

TEST_F(VirtualRun, AutomaticFollowOfADriftingTarget) {
    SetUpBoard(100, 10);
    StartTracking([](double t, double& az, double& el) { az = 130 + 0.2 * t, el = 20 + 0.1 * t; });
    EXPECT_TRUE(Relays(1, 0, 1, 0));
    RunFor(180000);
    EXPECT_EQ(state.OperatingMode, RunMode::Automatic);
    EXPECT_NEAR(board->physics().Azimuth(), state.TargetAzimuth, 5);
    EXPECT_NEAR(board->physics().Elevation(), state.TargetElevation, 5);
    ASSERT_GT(followedCycles, 100);
    EXPECT_GT(closeCycles * 10, followedCycles * 8) << closeCycles << " of " << followedCycles;
    state.AbortRequested = 1;
    RunFor(1000);
    EXPECT_EQ(state.OperatingMode, RunMode::Stopped);
    for (int bit = 4; bit <= 7; ++bit)
        EXPECT_FALSE(board->physics().Relay(bit)) << bit;
}

// Figures for docs/performance.md, not a pass/fail test: run with --gtest_also_run_disabled_tests.
using Benchmark = VirtualRun;
const auto kName = [](const auto& info) { return std::string(info.param.name); };

struct MoveCase {
    const char* name;
    double fromAzimuth, fromElevation, toAzimuth, toElevation;
};

class ManualBenchmark : public Benchmark, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(ManualBenchmark, DISABLED_Figures) {
    const auto& m = GetParam();
    SetUpBoard(m.fromAzimuth, m.fromElevation);
    rotator.PositionAntenna();
    state.OperatingMode = RunMode::Manual;
    state.PointedAzimuth = m.toAzimuth;
    state.PointedElevation = m.toElevation;
    rotator.CheckOperatingRange();
    double overshoot = 0;
    const double dirAz = m.toAzimuth > m.fromAzimuth ? 1 : -1;
    const double dirEl = m.toElevation > m.fromElevation ? 1 : -1;
    RunFor(300000, [&] {
        overshoot = std::max({overshoot, dirAz * (board->physics().Azimuth() - m.toAzimuth),
                              dirEl * (board->physics().Elevation() - m.toElevation)});
        return state.OperatingMode == RunMode::Stopped;
    });
    std::cout << "manual " << m.name << ": finished after " << world.clock.nowMs / 1000.0 << " s, az error "
              << board->physics().Azimuth() - m.toAzimuth << ", el error "
              << board->physics().Elevation() - m.toElevation << ", overshoot " << overshoot
              << ", relay switches " << board->switches << "\n";
}

INSTANTIATE_TEST_SUITE_P(VirtualTime, ManualBenchmark,
                         ::testing::Values(MoveCase{"short", 100, 10, 112, 15},
                                           MoveCase{"long", 20, 5, 200, 60},
                                           MoveCase{"across", 355, 80, 5, 2}),
                         kName);

constexpr double kPi = 3.14159265358979;

void Overhead(double t, double& az, double& el) {
    el = std::max(0.0, 85 * std::sin(kPi * t / 600));
    az = 200 + 80 * std::atan((t - 300) / 40) / (kPi / 2);
}

void Drift(double t, double& az, double& el) {
    az = 130 + 0.01 * t;
    el = 20 + 0.005 * t;
}

struct Script {
    const char* name;
    void (*f)(double, double&, double&);
    double duration;
};

class TrackingBenchmark : public Benchmark, public ::testing::WithParamInterface<Script> {};

TEST_P(TrackingBenchmark, DISABLED_Figures) {
    const auto& sc = GetParam();
    SetUpBoard(100, 5);
    StartTracking(sc.f);
    std::int64_t acquiredAt = -1;
    int within = 0, samples = 0;
    RunFor(static_cast<std::int64_t>(sc.duration * 1000), [&] {
        const bool close = std::abs(board->physics().Azimuth() - state.TargetAzimuth) <= 1.5 &&
                           std::abs(board->physics().Elevation() - state.TargetElevation) <= 1.5;
        if (acquiredAt < 0 && close)
            acquiredAt = world.clock.nowMs;
        samples += acquiredAt >= 0;
        within += acquiredAt >= 0 && close;
        return false;
    });
    std::cout << "tracking " << sc.name << ": acquired after " << acquiredAt / 1000.0
              << " s, within tolerance " << (samples ? 100.0 * within / samples : 0)
              << " % of the tracked time, " << board->switches * 60.0 / sc.duration
              << " relay switches per minute\n";
}

INSTANTIATE_TEST_SUITE_P(VirtualTime, TrackingBenchmark,
                         ::testing::Values(Script{"overhead", Overhead, 600}, Script{"drift", Drift, 1800}),
                         kName);

// CPU cost of one tracking step (waits are virtual, so this is the decision work alone).
TEST_F(Benchmark, DISABLED_TrackingStepCost) {
    state.OperatingMode = RunMode::Automatic;
    SetOwned(state.TargetName, QStringLiteral("SAT"));
    SetOwned(state.PositionedTargetName, QStringLiteral("SAT"));
    SetOwned(state.TargetAzimuth, 120);
    SetOwned(state.PresentAzimuth, 118);
    const int steps = 20000;
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < steps; ++i)
        rotator.positioning.TrackingPositioningStep();
    const auto t1 = std::chrono::steady_clock::now();
    std::cout << "one tracking step: " << std::chrono::duration<double, std::micro>(t1 - t0).count() / steps
              << " us\n";
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "RotatorFixture.h"
#include "support/StepPhases.h"

namespace {

// The recording board with reads of one channel failing for as long as the test says.
class ChannelFailingBoard : public RecordingBoard {
  public:
    bool failChannel[2] = {false, false};
    int drift[2] = {0, 0}; // counts added after each read of the channel
    Reading ReadAnalogInput(int port, int channel) override {
        if (failChannel[channel & 1]) {
            reads.push_back(channel);
            return {0, error};
        }
        const Reading reading = RecordingBoard::ReadAnalogInput(port, channel);
        counts[channel & 1] += drift[channel & 1];
        return reading;
    }
};

class ReadingFaults : public RotatorTest {
  protected:
    ReadingFaults() { ports.board = &board; }

    // One measurement a second, as the tracking cycle makes them; a step's pauses end on time between.
    void Cycle() {
        AdvanceEndingPauses(rotator.positioning, world.clock, 1000);
        rotator.PositionAntenna();
    }

    bool BoardWasSwitched(int bit, int level) const {
        for (const auto& w : board.writes)
            if (w.bit == bit && w.level == level)
                return true;
        return false;
    }

    ChannelFailingBoard board;
};

// Antenna at 12 degrees turning left towards 8: within the near margin, so every step pulses.
// A failed read once gave 0 degrees, and the step turned right, the wrong way.
TEST_F(ReadingFaults, AFailedReadKeepsTheLastAngleAndDecidesNothingOnThatAxis) {
    board.counts[0] = 34; // 11.96 degrees
    board.counts[1] = 51; // elevation 8.97
    rotator.PositionAntenna();
    state.OperatingMode = RunMode::Manual;
    state.PointMarkShown = 1;
    state.PointedAzimuth = 8;
    state.PointedElevation = 9;
    rotator.CheckOperatingRange();
    ASSERT_TRUE(Relays(0, 1, 0, 0));
    const double before = state.PresentAzimuth;
    const QString shown = view.azimuthText;

    board.failChannel[0] = true;
    board.writes.clear();
    for (int cycle = 0; cycle < 2; ++cycle) {
        Cycle();
        rotator.Timer2_Timer();
    }
    EXPECT_EQ(state.PresentAzimuth, before);
    EXPECT_EQ(view.azimuthText, shown);
    // No decision at all on the azimuth: neither the wrong way nor a stop.
    for (const auto& w : board.writes)
        EXPECT_GE(w.bit, 6);
    EXPECT_FALSE(rotator.positioning.NextPhaseDueMs()); // no pulse either
    EXPECT_EQ(state.OperatingMode, RunMode::Manual);
    EXPECT_EQ(world.status.left, QStringLiteral("3.発生したエラーの番号は 10060"));

    // Readable again: the step goes on from the fresh angle.
    board.failChannel[0] = false;
    Cycle();
    EXPECT_FALSE(BoardWasSwitched(4, 1));
    EXPECT_TRUE(BoardWasSwitched(5, 1) || BoardWasSwitched(5, 0));
}

// The board went silent in the middle of a move: the stop's relays-off could not reach it. It is sent
// as soon as the board answers again, although nothing runs by then.
TEST_F(ReadingFaults, AnOffTheBoardMissedIsSentWhenItAnswersAgain) {
    board.counts[0] = 284;
    board.counts[1] = 51;
    rotator.PositionAntenna();
    state.OperatingMode = RunMode::Manual;
    state.PointMarkShown = 1;
    state.StartupState = 0;
    state.PointedAzimuth = 200;
    state.PointedElevation = 9;
    rotator.CheckOperatingRange();
    ASSERT_EQ(board.Level(4), 1);
    board.failChannel[0] = board.failChannel[1] = true;
    board.failAllWrites = true;
    for (int i = 0; i < 3; ++i)
        Cycle();
    ASSERT_EQ(state.OperatingMode, RunMode::Stopped);
    ASSERT_TRUE(Relays(0, 0, 0, 0));
    EXPECT_EQ(board.Level(4), 1); // still on out there

    board.failChannel[0] = board.failChannel[1] = false;
    board.failAllWrites = false;
    Cycle();
    EXPECT_TRUE(board.AllRelaysOff());
    board.writes.clear();
    Cycle(); // confirmed: not sent again
    EXPECT_TRUE(board.writes.empty());
}

struct FaultCase {
    const char* name;
    bool failAzimuth;
    int azimuthCount, elevationCount;
    double pointedAzimuth, pointedElevation;
    int stopAfterCycles;
    const char* statusStart; // Label24 after the stop
    int azimuthDrift = 0;    // counts per reading
    bool box = false;        // the stop also shows a message
};

class WatchStop : public ReadingFaults, public ::testing::WithParamInterface<FaultCase> {};

// A manual move that cannot go on safely: every relay off, the operation ended through the abort
// handler, the axis and the reason on the status line, and nothing switched on afterwards.
TEST_P(WatchStop, SwitchesEverythingOffEndsTheMoveAndSaysWhy) {
    const auto& c = GetParam();
    board.counts[0] = c.azimuthCount;
    board.counts[1] = c.elevationCount;
    rotator.PositionAntenna();
    state.OperatingMode = RunMode::Manual;
    state.PointMarkShown = 1;
    state.StartupState = 0;
    state.PointedAzimuth = c.pointedAzimuth;
    state.PointedElevation = c.pointedElevation;
    rotator.CheckOperatingRange();
    ASSERT_FALSE(rotator.relays.AllOff());
    board.failChannel[0] = c.failAzimuth;
    board.drift[0] = c.azimuthDrift;
    world.messages.texts.clear();

    int cycles = 0;
    while (state.OperatingMode == RunMode::Manual && cycles < 30) {
        ++cycles;
        Cycle();
        rotator.Timer2_Timer();
    }
    EXPECT_EQ(cycles, c.stopAfterCycles);
    EXPECT_EQ(state.OperatingMode, RunMode::Stopped);
    EXPECT_TRUE(board.AllRelaysOff());
    EXPECT_TRUE(Relays(0, 0, 0, 0));
    EXPECT_EQ(view.aborts, 1);
    EXPECT_TRUE(world.status.left.startsWith(QString::fromUtf8(c.statusStart)))
        << world.status.left.toStdString();
    EXPECT_FALSE(world.status.right.isEmpty());
    EXPECT_EQ(world.messages.texts,
              c.box ? QStringList{AngleMeasurement::WrongWayMessage(MotionWatch::Azimuth)} : QStringList());
    board.drift[0] = 0;

    // Nothing runs, so the same fault stops nothing more.
    board.writes.clear();
    for (int i = 0; i < 12; ++i)
        Cycle();
    EXPECT_TRUE(board.writes.empty());
    EXPECT_EQ(view.aborts, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rotator, WatchStop,
    ::testing::Values(
        // Failing from the first cycle on: 2 s of failures at the third.
        FaultCase{"AzimuthUnreadable", true, 284, 51, 60, 9, 3, "3.水平の角度が2.0秒間読めない"},
        // Right turn on, the count never moves: 10 s of relay time.
        FaultCase{"AzimuthJammed", false, 284, 51, 130, 9, 10, "6.水平ローテータが動きません"},
        // Up on with the count at 0 (an open wiper): pinned after 1 s of running.
        FaultCase{"ElevationSensorAtZero", false, 284, 0, 100, 30, 1,
                  "6.仰角の位置センサーが振り切れています（0）"},
        // Right turn on, the count falling 6 degrees a second from the first cycle: away from the second on,
        // 3 s of that at the fifth.
        FaultCase{"AzimuthDrivenTheWrongWay", false, 284, 51, 130, 9, 5, "6.水平ローテータが目標と逆の方向",
                  -17, true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

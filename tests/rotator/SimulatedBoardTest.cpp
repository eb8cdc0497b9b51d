#include "rotator/SimulatedBoard.h"
#include "support/FakePorts.h"

#include <gtest/gtest.h>

namespace {

RotatorPhysics::Settings StartingAt(double azimuth, double elevation) {
    RotatorPhysics::Settings settings;
    settings.startAzimuth = azimuth;
    settings.startElevation = elevation;
    return settings;
}

TEST(SimulatedBoard, RelaysDriveTheAxesAtTheirSpeedsInVirtualTime) {
    FakeClock clock;
    SimulatedBoard board(clock, StartingAt(100, 10));
    ASSERT_FALSE(board.WriteOutputBit(6, 4, 1));
    ASSERT_FALSE(board.WriteOutputBit(6, 6, 1));
    clock.Advance(2000);
    board.Advance();
    EXPECT_DOUBLE_EQ(board.physics().Azimuth(), 112);
    EXPECT_DOUBLE_EQ(board.physics().Elevation(), 16);
    ASSERT_FALSE(board.WriteOutputBit(6, 4, 0));
    ASSERT_FALSE(board.WriteOutputBit(6, 5, 1)); // left turn
    clock.Advance(1000);
    EXPECT_EQ(board.ReadAnalogInput(5, 0).count, 301); // 106 degrees: 106 * 1023 / 360 = 301.2
}

TEST(SimulatedBoard, EndStopsHoldTheAxes) {
    FakeClock clock;
    SimulatedBoard board(clock, StartingAt(355, 0));
    board.WriteOutputBit(6, 4, 1);
    board.WriteOutputBit(6, 7, 1);
    clock.Advance(60000);
    EXPECT_EQ(board.ReadAnalogInput(5, 0).count, 1023);
    EXPECT_EQ(board.ReadAnalogInput(5, 1).count, 0);
    EXPECT_DOUBLE_EQ(board.physics().Azimuth(), 360);
}

TEST(SimulatedBoard, PotentiometerCountsFollowTheDefaultCalibration) {
    struct Row {
        int channel;
        double angle;
        int count;
    } const rows[] = {
        {0, 0, 0},    {0, 180, 512}, {0, 360, 1023}, {1, 90, 512},
        {1, 45, 256}, {1, 180, 1023}}; // past 90 degrees the elevation pot is beyond 5 V: held at 1023
    for (const Row& row : rows) {
        FakeClock clock;
        SimulatedBoard board(clock, row.channel == 0 ? StartingAt(row.angle, 0) : StartingAt(0, row.angle));
        EXPECT_EQ(board.ReadAnalogInput(5, row.channel).count, row.count) << row.channel << " " << row.angle;
    }
}

TEST(SimulatedBoard, RefusesOtherPortsAndBits) {
    FakeClock clock;
    SimulatedBoard board(clock);
    EXPECT_EQ(board.WriteOutputBit(5, 4, 1)->number, 5);
    EXPECT_TRUE(board.WriteOutputBit(6, 3, 1).has_value());
    EXPECT_TRUE(board.ReadAnalogInput(6, 0).error.has_value());
    EXPECT_TRUE(board.ReadAnalogInput(5, 2).error.has_value());
}

TEST(SimulatedBoard, NoiseStaysNearTheTrueCount) {
    FakeClock clock;
    auto settings = StartingAt(180, 0);
    settings.noiseCounts = 1.5;
    SimulatedBoard board(clock, settings);
    bool varied = false;
    for (int i = 0; i < 50; ++i) {
        const int count = board.ReadAnalogInput(5, 0).count;
        EXPECT_NEAR(count, 512, 10);
        varied = varied || count != 512;
    }
    EXPECT_TRUE(varied);
}

} // namespace

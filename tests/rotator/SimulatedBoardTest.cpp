#include "rotator/SimulatedBoard.h"
#include "support/FakePorts.h"

#include <gtest/gtest.h>

namespace {

TEST(SimulatedBoard, RelaysDriveTheAxesAtTheirSpeedsInVirtualTime) {
    FakeClock clock;
    RotatorPhysics::Settings settings;
    settings.startAzimuth = 100;
    settings.startElevation = 10;
    SimulatedBoard board(clock, settings);
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
    RotatorPhysics::Settings settings;
    settings.startAzimuth = 355;
    SimulatedBoard board(clock, settings);
    board.WriteOutputBit(6, 4, 1);
    board.WriteOutputBit(6, 7, 1);
    clock.Advance(60000);
    EXPECT_EQ(board.ReadAnalogInput(5, 0).count, 1023);
    EXPECT_EQ(board.ReadAnalogInput(5, 1).count, 0);
    EXPECT_DOUBLE_EQ(board.physics().Azimuth(), 360);
}

struct CountCase {
    int channel;
    double angle;
    int count;
};

class PotentiometerCounts : public ::testing::TestWithParam<CountCase> {};

TEST_P(PotentiometerCounts, FollowTheBoardsCalibration) {
    const auto c = GetParam();
    FakeClock clock;
    RotatorPhysics::Settings settings;
    (c.channel == 0 ? settings.startAzimuth : settings.startElevation) = c.angle;
    SimulatedBoard board(clock, settings);
    EXPECT_EQ(board.ReadAnalogInput(5, c.channel).count, c.count);
}

INSTANTIATE_TEST_SUITE_P(Defaults, PotentiometerCounts,
                         ::testing::Values(CountCase{0, 0, 0}, CountCase{0, 180, 512},
                                           CountCase{0, 360, 1023}, CountCase{1, 90, 512},
                                           CountCase{1, 45, 256},
                                           // Past 180 degrees the elevation pot is beyond 5 V: held at 1023.
                                           CountCase{1, 180, 1023}));

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
    RotatorPhysics::Settings settings;
    settings.startAzimuth = 180;
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/SimulatedBoard.h"
#include "support/FakePorts.h"

#include <gtest/gtest.h>

namespace {

TEST(SimulatedBoard, RelaysDriveTheAxesInVirtualTimeUpToTheEndStops) {
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
    EXPECT_EQ(board.ReadAnalogInput(5, 1).count, 108); // 19 degrees, 90 on 2.5 V: 107.98
    clock.Advance(60000);
    EXPECT_EQ(board.ReadAnalogInput(5, 0).count, 0);
    EXPECT_EQ(board.ReadAnalogInput(5, 1).count, 1023); // 180 degrees: held at 5 V
    EXPECT_DOUBLE_EQ(board.physics().Elevation(), 180);
}

} // namespace

#include "RotatorFixture.h"

namespace {

struct OutputCase {
    const char* name;
    bool azimuth; // which routine
    std::int16_t first, second;
    std::vector<RecordingBoard::Write> expected;
};

class RelayOutputOrder : public RotatorTest, public ::testing::WithParamInterface<OutputCase> {};

TEST_P(RelayOutputOrder, WritesBothBitsInOrderEveryCall) {
    const auto& c = GetParam();
    if (c.azimuth) {
        state.piob4 = c.first, state.piob5 = c.second;
        rotator.OutputAzimuthRelays();
        rotator.OutputAzimuthRelays();
    } else {
        state.piob6 = c.first, state.piob7 = c.second;
        rotator.OutputElevationRelays();
        rotator.OutputElevationRelays();
    }
    auto expected = c.expected;
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(Writes(), expected);
    EXPECT_TRUE(world.status.history.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Relays, RelayOutputOrder,
                         ::testing::Values(OutputCase{"RightTurn", true, 1, 0, {{6, 4, 1}, {6, 5, 0}}},
                                           OutputCase{"LeftTurn", true, 0, 1, {{6, 4, 0}, {6, 5, 1}}},
                                           OutputCase{"AzimuthOff", true, 0, 0, {{6, 4, 0}, {6, 5, 0}}},
                                           OutputCase{"Up", false, 1, 0, {{6, 6, 1}, {6, 7, 0}}},
                                           OutputCase{"Down", false, 0, 1, {{6, 6, 0}, {6, 7, 1}}},
                                           // Only 0 and 1 are ever stored, but any non-zero means on.
                                           OutputCase{"NonZeroIsOn", false, -1, 0, {{6, 6, 1}, {6, 7, 0}}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RotatorTest, SimulatedAxisNeverReachesTheBoard) {
    state.AzimuthMotorText = QStringLiteral("0");
    state.ElevationMotorText = QString();
    state.piob4 = 1;
    rotator.OutputAzimuthRelays();
    rotator.OutputElevationRelays();
    rotator.ShowRelayIndicators();
    EXPECT_TRUE(Writes().empty());
    EXPECT_TRUE(view.indicators[0]);
    EXPECT_FALSE(view.indicators[1]);
}

TEST_F(RotatorTest, BoardFailingEveryCallRetriesFiveTimesThenShowsEachError) {
    world.board.failAllWrites = true;
    rotator.OutputAzimuthRelays();

    std::vector<Write> expected(6, Write{6, 4, 0});
    expected.push_back({6, 5, 0});
    EXPECT_EQ(Writes(), expected);
    QStringList history;
    for (int i = 0; i < 5; ++i)
        history << QStringLiteral("L:1.水平制御のリトライを実行");
    for (int i = 0; i < 2; ++i)
        history << QStringLiteral("L:1.発生したエラーの番号は 10060")
                << QStringLiteral("R:エラーメッセージは board did not answer");
    EXPECT_EQ(world.status.history, history);
}

TEST_F(RotatorTest, ElevationRetryUsesItsOwnTexts) {
    world.board.failAllWrites = true;
    rotator.OutputElevationRelays();
    EXPECT_EQ(world.status.history.first(), QStringLiteral("L:２.仰角制御のリトライを実行"));
    EXPECT_EQ(world.status.left, QStringLiteral("2.発生したエラーの番号は 10060"));
    EXPECT_EQ(Writes().size(), 7u);
}

TEST_F(RotatorTest, RetryStartsAgainFromTheFirstBit) {
    // Bit 4 goes through, bit 5 fails twice: every retry writes bit 4 again.
    state.piob4 = 1;
    world.board.failWrites = 0;
    std::vector<Write> expected = {{6, 4, 1}, {6, 5, 0}, {6, 4, 1}, {6, 5, 0}, {6, 4, 1}, {6, 5, 0}};
    int call = 0;
    struct FlakyBoard : RecordingBoard {
        int* call;
        std::optional<PortError> WriteOutputBit(int p, int b, int l) override {
            const int n = (*call)++;
            auto result = RecordingBoard::WriteOutputBit(p, b, l);
            if (n == 1 || n == 3)
                return PortError{1, QStringLiteral("flaky")};
            return result;
        }
    } flaky;
    flaky.call = &call;
    ports.board = &flaky;
    rotator.OutputAzimuthRelays();
    EXPECT_EQ(flaky.writes, expected);
    EXPECT_EQ(world.status.history.size(), 2);
    EXPECT_EQ(flaky.Level(4), 1);
}

TEST_F(RotatorTest, ErrorNumberedZeroIsRetriedButNotShown) {
    world.board.failAllWrites = true;
    world.board.error = PortError{0, QStringLiteral("nothing")};
    rotator.OutputAzimuthRelays();
    EXPECT_EQ(world.status.history.size(), 5);
}

struct TickCase {
    const char* name;
    std::int16_t r, l, u, d;
    int azimuthDelta, elevationDelta;
};

class SimulatedCounts : public RotatorTest, public ::testing::WithParamInterface<TickCase> {};

TEST_P(SimulatedCounts, MoveTwoPerTickForEachRelayOn) {
    const auto& c = GetParam();
    state.SimulatedAzimuthCount = 100;
    state.SimulatedElevationCount = 100;
    state.piob4 = c.r, state.piob5 = c.l, state.piob6 = c.u, state.piob7 = c.d;
    for (int i = 0; i < 10; ++i) // one second of Timer3
        rotator.Timer3_Timer();
    EXPECT_EQ(state.SimulatedAzimuthCount, 100 + 10 * c.azimuthDelta);
    EXPECT_EQ(state.SimulatedElevationCount, 100 + 10 * c.elevationDelta);
}

INSTANTIATE_TEST_SUITE_P(
    Timer3, SimulatedCounts,
    ::testing::Values(TickCase{"Right", 1, 0, 0, 0, 2, 0}, TickCase{"Left", 0, 1, 0, 0, -2, 0},
                      TickCase{"Up", 0, 0, 1, 0, 0, 2}, TickCase{"Down", 0, 0, 0, 1, 0, -2},
                      TickCase{"BothAzimuth", 1, 1, 0, 0, 0, 0}, TickCase{"RightAndDown", 1, 0, 0, 1, 2, -2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RotatorTest, SimulatedCountHoldsAtTheEndOfItsRange) {
    state.SimulatedAzimuthCount = 32766;
    state.piob4 = 1;
    rotator.Timer3_Timer();
    rotator.Timer3_Timer();
    EXPECT_EQ(state.SimulatedAzimuthCount, 32767);
}

} // namespace

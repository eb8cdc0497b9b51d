#include "RotatorFixture.h"

namespace {

TEST_F(RotatorTest, RelayRoutinesWriteBothBitsInOrderEveryCall) {
    struct Row {
        const char* name;
        bool azimuth; // which routine
        std::int16_t first, second;
        std::vector<Write> expected;
    } const rows[] = {
        {"RightTurn", true, 1, 0, {{6, 4, 1}, {6, 5, 0}}},
        {"LeftTurn", true, 0, 1, {{6, 4, 0}, {6, 5, 1}}},
        {"AzimuthOff", true, 0, 0, {{6, 4, 0}, {6, 5, 0}}},
        {"Up", false, 1, 0, {{6, 6, 1}, {6, 7, 0}}},
        {"Down", false, 0, 1, {{6, 6, 0}, {6, 7, 1}}},
        {"NonZeroIsOn", false, -1, 0, {{6, 6, 1}, {6, 7, 0}}}, // only 0 and 1 are stored, but non-zero is on
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        world.board.writes.clear();
        (row.azimuth ? state.piob4 : state.piob6) = row.first;
        (row.azimuth ? state.piob5 : state.piob7) = row.second;
        for (int call = 0; call < 2; ++call)
            row.azimuth ? rotator.OutputAzimuthRelays() : rotator.OutputElevationRelays();
        auto expected = row.expected;
        expected.insert(expected.end(), row.expected.begin(), row.expected.end());
        EXPECT_EQ(Writes(), expected);
    }
    EXPECT_TRUE(world.status.history.isEmpty());
}

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

// Five retries from the first bit, then each of the two failures shown unless numbered 0.
TEST_F(RotatorTest, BoardFailingEveryCallIsRetriedFiveTimesThenShown) {
    struct Row {
        const char* name;
        bool azimuth;
        int errorNumber;
        const char *retryText, *numberText;
    } const rows[] = {
        {"Azimuth", true, 10060, "L:1.水平制御のリトライを実行", "L:1.発生したエラーの番号は 10060"},
        {"Elevation", false, 10060, "L:２.仰角制御のリトライを実行", "L:2.発生したエラーの番号は 10060"},
        {"NumberZeroNotShown", true, 0, "L:1.水平制御のリトライを実行", ""},
    };
    world.board.failAllWrites = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        world.board.writes.clear();
        world.status.history.clear();
        world.board.error.number = row.errorNumber;
        row.azimuth ? rotator.OutputAzimuthRelays() : rotator.OutputElevationRelays();
        const int bit = row.azimuth ? 4 : 6;
        std::vector<Write> writes(6, Write{6, bit, 0});
        writes.push_back({6, bit + 1, 0});
        EXPECT_EQ(Writes(), writes);
        QStringList history(5, QString::fromUtf8(row.retryText));
        if (row.errorNumber != 0)
            for (int i = 0; i < 2; ++i)
                history << QString::fromUtf8(row.numberText)
                        << QStringLiteral("R:エラーメッセージは board did not answer");
        EXPECT_EQ(world.status.history, history);
    }
}

TEST_F(RotatorTest, RetryStartsAgainFromTheFirstBit) {
    // Bit 4 goes through, bit 5 fails twice: every retry writes bit 4 again.
    struct FlakyBoard : RecordingBoard {
        int calls = 0;
        std::optional<PortError> WriteOutputBit(int p, int b, int l) override {
            auto result = RecordingBoard::WriteOutputBit(p, b, l);
            const int n = calls++;
            return n == 1 || n == 3 ? PortError{1, QStringLiteral("flaky")} : result;
        }
    } flaky;
    ports.board = &flaky;
    state.piob4 = 1;
    rotator.OutputAzimuthRelays();
    EXPECT_EQ(flaky.writes,
              (std::vector<Write>{{6, 4, 1}, {6, 5, 0}, {6, 4, 1}, {6, 5, 0}, {6, 4, 1}, {6, 5, 0}}));
    EXPECT_EQ(world.status.history.size(), 2);
    EXPECT_EQ(flaky.Level(4), 1);
}

TEST_F(RotatorTest, SimulatedCountsMoveTwoPerTickForEachRelayOn) {
    struct Row {
        const char* name;
        std::int16_t r, l, u, d;
        int azimuthFrom, azimuthTo, elevationTo; // over one second of Timer3; elevation from 100
    } const rows[] = {
        {"Right", 1, 0, 0, 0, 100, 120, 100},
        {"Left", 0, 1, 0, 0, 100, 80, 100},
        {"Up", 0, 0, 1, 0, 100, 100, 120},
        {"Down", 0, 0, 0, 1, 100, 100, 80},
        {"BothAzimuth", 1, 1, 0, 0, 100, 100, 100},
        {"RightAndDown", 1, 0, 0, 1, 100, 120, 80},
        {"HeldAtEndOfRange", 1, 0, 0, 0, 32766, 32767, 100},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        state.SimulatedAzimuthCount = row.azimuthFrom;
        state.SimulatedElevationCount = 100;
        state.piob4 = row.r, state.piob5 = row.l, state.piob6 = row.u, state.piob7 = row.d;
        for (int i = 0; i < 10; ++i)
            rotator.Timer3_Timer();
        EXPECT_EQ(state.SimulatedAzimuthCount, row.azimuthTo);
        EXPECT_EQ(state.SimulatedElevationCount, row.elevationTo);
    }
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "RotatorFixture.h"

#include <type_traits>

namespace {

// An owned field is written by its owner alone: not from here, not by copying another owned field over
// it. A whole state still copies.
template <typename S>
concept AngleWritable = requires(S s) {
    s.PresentAzimuth = 1.0;
};
template <typename S>
concept RelayWritable = requires(S s) {
    s.piob4 = 1;
};
template <typename S>
concept AimCopyable = requires(S s) {
    s.TargetElevation = s.PreviousTargetElevation;
};
static_assert(!AngleWritable<MainState> && !RelayWritable<MainState> && !AimCopyable<MainState>);
static_assert(std::is_copy_assignable_v<MainState> && std::is_move_assignable_v<MainState>);

// An "on" is retried five times from the first bit, then each of the two failures shown unless numbered
// 0. An off is never retried on the spot nor held back: one frame per coil past the silence gate, and
// what was not answered goes again at the next measurement.
TEST_F(RotatorTest, BoardFailingEveryCallIsRetriedFiveTimesThenShown) {
    struct Row {
        int errorNumber;
        bool on;
        const char* numberText;
    } const rows[] = {{10060, true, "L:1.発生したエラーの番号は 10060"},
                      {0, true, ""},
                      {10060, false, "L:1.発生したエラーの番号は 10060"}};
    world.board.failAllWrites = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.errorNumber);
        world.board.writes.clear();
        world.status.history.clear();
        world.board.error.number = row.errorNumber;
        HoldLeases();
        SetRelay(state.piob4, row.on ? 1 : 0);
        rotator.OutputAzimuthRelays();
        std::vector<Write> writes(row.on ? 6 : 1, Write{6, 4, row.on ? 1 : 0});
        if (row.on)
            writes.push_back({6, 5, 0});
        EXPECT_EQ(Writes(), writes);
        QStringList history(row.on ? 5 : 0, QStringLiteral("L:1.水平制御のリトライを実行"));
        if (row.errorNumber != 0)
            for (int i = 0; i < (row.on ? 2 : 1); ++i)
                history << QString::fromUtf8(row.numberText)
                        << QStringLiteral("R:エラーメッセージは board did not answer");
        EXPECT_EQ(world.status.history, history);
    }
}

// A module whose reads time out counts as silent, and the gate then fails ordinary writes at once; the
// off still goes on the wire, and a stop says its relays are off only once the module has taken them.
TEST_F(RotatorTest, AnOffGoesPastTheSilenceGateAndIsSaidOnlyWhenTaken) {
    struct GatedBoard : RecordingBoard {
        bool answersOnce = true;
        std::optional<PortError> WriteOutputBit(int, int, int) override {
            return PortError{10060, QStringLiteral("silent")};
        }
        std::optional<PortError> WriteOutputBitOnce(int p, int b, int l, int) override {
            if (!answersOnce)
                return PortError{10060, QStringLiteral("time-out")};
            return RecordingBoard::WriteOutputBit(p, b, l);
        }
    } gated;
    ports.board = &gated;
    RotatorControl control{state, ports, view};
    ReadBothAxes(control);
    control.relays.Renew(control.relays.TakeLease(), MotionWatch::Azimuth);
    gated.RecordingBoard::WriteOutputBit(6, 4, 1); // on out there
    gated.answersOnce = false;
    control.relays.RevokeLeases(true);
    EXPECT_EQ(gated.Level(4), 1);
    EXPECT_TRUE(control.relays.MayBeOn());
    control.relays.SayWhenConfirmed(QStringLiteral("off"));
    EXPECT_NE(world.status.left, QStringLiteral("off"));
    gated.answersOnce = true;
    control.relays.ResendUnconfirmed();
    EXPECT_EQ(gated.Level(4), 0);
    EXPECT_EQ(world.status.left, QStringLiteral("off"));
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
    HoldLeases();
    SetRelay(state.piob4, 1);
    rotator.OutputAzimuthRelays();
    EXPECT_EQ(flaky.writes,
              (std::vector<Write>{{6, 4, 1}, {6, 5, 0}, {6, 4, 1}, {6, 5, 0}, {6, 4, 1}, {6, 5, 0}}));
    EXPECT_EQ(world.status.history.size(), 2);
    EXPECT_EQ(flaky.Level(4), 1);
}

TEST_F(RotatorTest, SimulatedAxesMoveTwoCountsPerTickAndNeverReachTheBoard) {
    struct Row {
        std::int16_t r, l, u, d;
        int azimuthFrom, azimuthTo, elevationTo; // over one second of Timer3; elevation from 100
    } const rows[] = {
        {1, 0, 0, 1, 100, 120, 80},
        {0, 1, 1, 0, 100, 80, 120},
        {1, 1, 0, 0, 100, 100, 100},
        {1, 0, 0, 0, 32766, 32767, 100}, // held at the end of the range
    };
    state.AzimuthMotorText = QStringLiteral("0");
    state.ElevationMotorText = QString();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.azimuthFrom);
        state.SimulatedAzimuthCount = row.azimuthFrom;
        state.SimulatedElevationCount = 100;
        SetRelay(state.piob4, row.r), SetRelay(state.piob5, row.l), SetRelay(state.piob6, row.u),
            SetRelay(state.piob7, row.d);
        HoldLeases();
        rotator.OutputAzimuthRelays();
        rotator.OutputElevationRelays();
        for (int i = 0; i < 10; ++i)
            rotator.Timer3_Timer();
        EXPECT_EQ(state.SimulatedAzimuthCount, row.azimuthTo);
        EXPECT_EQ(state.SimulatedElevationCount, row.elevationTo);
    }
    EXPECT_TRUE(Writes().empty());
}

} // namespace

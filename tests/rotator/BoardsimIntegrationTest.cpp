// SPDX-License-Identifier: GPL-3.0-or-later
// ModbusBoard's failures against the board emulator over loopback Modbus TCP (its plain use is end to end).
#include "RotatorFixture.h"
#include "rotator/BoardCheck.h"
#include "rotator/ModbusBoard.h"
#include "support/PtyPair.h"
#include "support/TestFiles.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <modbus/modbus.h>

#ifdef BOARDSIM_PATH

namespace {

class Boardsim : public ::testing::Test {
  protected:
    void Start(const QString& fault, const QString& value, const QStringList& more = {}) {
        Start(QStringList{fault, value} + more);
    }
    void Start(const QStringList& arguments) {
        process.start(QStringLiteral(BOARDSIM_PATH),
                      arguments + QStringList{QStringLiteral("--port"), QStringLiteral("0")});
        ASSERT_TRUE(process.waitForStarted(5000));
        while (!process.canReadLine() && process.waitForReadyRead(5000)) {
        }
        const QString line = QString::fromUtf8(process.readLine()).trimmed();
        ASSERT_TRUE(line.startsWith(QStringLiteral("listening on 127.0.0.1:"))) << line.toStdString();
        port = line.section(QLatin1Char(':'), -1).toInt();
        ASSERT_GT(port, 0);
    }

    void TearDown() override {
        process.kill();
        process.waitForFinished(3000);
    }

    // A relay level as the emulator holds it, read back with Read Coils on a connection of our own.
    int Coil(int bit) {
        modbus_t* ctx = modbus_new_tcp("127.0.0.1", port);
        uint8_t level = 9;
        for (int attempt = 0; attempt < 10; ++attempt) {
            if (modbus_connect(ctx) == 0 && modbus_read_bits(ctx, bit, 1, &level) == 1)
                break;
            modbus_close(ctx);
        }
        modbus_close(ctx);
        modbus_free(ctx);
        return level;
    }

    // One Read Coils with a 50 ms time-out: the level, or -1 without an answer.
    int QuickCoil(int bit) {
        modbus_t* ctx = modbus_new_tcp("127.0.0.1", port);
        modbus_set_response_timeout(ctx, 0, 50000);
        uint8_t level = 0;
        const bool answered = modbus_connect(ctx) == 0 && modbus_read_bits(ctx, bit, 1, &level) == 1;
        modbus_close(ctx);
        modbus_free(ctx);
        return answered ? level : -1;
    }

    // Everything the emulator printed since it started listening.
    QString Output() {
        output += QString::fromUtf8(process.readAllStandardOutput());
        return output;
    }
    bool WaitForOutput(const QString& text, int timeoutMs) {
        QElapsedTimer waited;
        waited.start();
        while (!Output().contains(text) && waited.elapsed() < timeoutMs)
            process.waitForReadyRead(50);
        return Output().contains(text);
    }

    QProcess process;
    QString output;
    int port = 0;
};

TEST_F(Boardsim, ReconnectsOnTheCallAfterAClosedConnection) {
    Start(QStringLiteral("--close-after"), QStringLiteral("2"));
    ModbusBoard board(QStringLiteral("127.0.0.1"), port);
    EXPECT_FALSE(board.WriteOutputBit(6, 4, 0));
    EXPECT_FALSE(board.WriteOutputBit(6, 5, 0));
    const auto failed = board.WriteOutputBit(6, 6, 1); // the emulator hung up after the second
    ASSERT_TRUE(failed.has_value());
    EXPECT_NE(failed->number, 0);
    EXPECT_FALSE(failed->description.isEmpty());
    EXPECT_FALSE(board.connected());
    EXPECT_FALSE(board.WriteOutputBit(6, 6, 1));
    EXPECT_EQ(Coil(6), 1);
}

TEST_F(Boardsim, ExceptionAnswerBecomesAnError) {
    Start(QStringLiteral("--exception-rate"), QStringLiteral("1"));
    const auto reading = ModbusBoard(QStringLiteral("127.0.0.1"), port).ReadAnalogInput(5, 0);
    ASSERT_TRUE(reading.error.has_value());
    // Named by the protocol's code, not by libmodbus's internal number (EMBXSFAIL).
    EXPECT_EQ(reading.error->number, 4);
    EXPECT_EQ(reading.error->description, QStringLiteral("Modbus例外 04 (Server Device Failure)"));
}

TEST_F(Boardsim, SilentBoardTimesOutWithinHalfASecondAndComesBack) {
    Start(QStringLiteral("--silent-after"), QStringLiteral("1"),
          {QStringLiteral("--silent-for"), QStringLiteral("1")});
    ModbusBoard board(QStringLiteral("127.0.0.1"), port);
    ASSERT_FALSE(board.ReadAnalogInput(5, 0).error);
    QElapsedTimer call;
    call.start();
    const auto silent = board.ReadAnalogInput(5, 0);
    const qint64 took = call.elapsed();
    ASSERT_TRUE(silent.error.has_value());
    EXPECT_EQ(silent.error->number, ETIMEDOUT);
    EXPECT_GE(took, 400);
    EXPECT_LT(took, 1500);
    // Later calls reconnect (or fail at once while it is silent); within a few seconds it answers again.
    bool answered = false;
    while (!answered && call.elapsed() < took + 5000)
        answered = !board.ReadAnalogInput(5, 0).error;
    EXPECT_TRUE(answered);
}

// The relay writer retries a failed write five times. On a silent board each retry used to wait out the
// whole time-out: six of them held the program three seconds per relay while a motor might run.
TEST_F(Boardsim, RetriesOnASilentBoardFailAtOnceAfterThreeTimeOutsAndOneCallASecondAsks) {
    Start(QStringLiteral("--silent-after"), QStringLiteral("1"),
          {QStringLiteral("--silent-for"), QStringLiteral("3")});
    ModbusBoard board(QStringLiteral("127.0.0.1"), port);
    ASSERT_FALSE(board.WriteOutputBit(6, 4, 0));
    QElapsedTimer call;
    call.start();
    for (int attempt = 0; attempt < 6; ++attempt) {
        const auto error = board.WriteOutputBit(6, 4, 1);
        ASSERT_TRUE(error.has_value()) << attempt;
        EXPECT_EQ(error->number, ETIMEDOUT) << attempt;
    }
    // Another relay's on and both readings fail at once too (an off would go on the wire).
    EXPECT_TRUE(board.WriteOutputBit(6, 5, 1).has_value());
    EXPECT_TRUE(board.ReadAnalogInput(5, 0).error.has_value());
    EXPECT_TRUE(board.ReadAnalogInput(5, 1).error.has_value());
    const qint64 silentCalls = call.elapsed();
    EXPECT_GE(silentCalls, 1400);
    EXPECT_LT(silentCalls, 2100) << "three time-outs, then failures at once";
    // Once a second one call asks the board, until it answers and every call goes through again.
    int asked = 0;
    bool answered = false;
    while (!answered && call.elapsed() < 8000) {
        QElapsedTimer one;
        one.start();
        answered = !board.ReadAnalogInput(5, 0).error;
        if (one.elapsed() >= 400 || answered)
            ++asked;
    }
    ASSERT_TRUE(answered);
    EXPECT_GE(asked, 1);
    EXPECT_LE(asked, 4);
    EXPECT_FALSE(board.WriteOutputBit(6, 6, 1));
    EXPECT_FALSE(board.WriteOutputBit(6, 4, 0));
    EXPECT_FALSE(board.ReadAnalogInput(5, 1).error);
    EXPECT_EQ(Coil(4), 0);
    EXPECT_EQ(Coil(6), 1);
}

TEST_F(Boardsim, UnreachableBoardFailsQuickly) {
    ModbusBoard board(QStringLiteral("127.0.0.1"), 1); // nothing listens on port 1
    QElapsedTimer call;
    call.start();
    const auto error = board.WriteOutputBit(6, 4, 0);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->number, ECONNREFUSED);
    EXPECT_LT(call.elapsed(), 1000);
}

// The end's all-off while the board counts as silent (three time-outs; the next ordinary call may go a
// second after the last one started): one frame per coil goes out all the same, so a module that has
// just come back hears the off; on a board that stays silent the four attempts together take at most 2 s.
TEST_F(Boardsim, TheEndsAllOffGoesPastTheSilenceGateWithinTwoSeconds) {
    struct Row {
        const char* name;
        const char* silentFor;
        bool comesBack;
    } const rows[] = {{"just back", "1.6", true}, {"still silent", "60", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TearDown();
        Start(QStringLiteral("--silent-after"), QStringLiteral("1"),
              {QStringLiteral("--silent-for"), QString::fromLatin1(row.silentFor)});
        ModbusBoard board(QStringLiteral("127.0.0.1"), port);
        ASSERT_FALSE(board.WriteOutputBit(6, 4, 1)); // right turn on, then the board falls silent
        QElapsedTimer lastCall;
        for (int i = 0; i < 3; ++i) {
            lastCall.start();
            ASSERT_TRUE(board.WriteOutputBit(6, 5, 0).has_value());
        }
        if (row.comesBack) {
            // Asked on a connection of our own with a short time-out, until it answers again.
            int level = -1;
            while (level < 0 && lastCall.elapsed() < 2000)
                level = QuickCoil(4);
            ASSERT_EQ(level, 1);
            if (lastCall.elapsed() > 900)
                GTEST_SKIP() << "the emulator came back too late to meet the closed gate";
            // An ordinary on meets the gate and never reaches the wire.
            EXPECT_TRUE(board.WriteOutputBit(6, 5, 1).has_value());
            EXPECT_EQ(QuickCoil(5), 0);
        }
        FakeWorld world;
        MainState state;
        state.AzimuthMotorText = state.ElevationMotorText = QStringLiteral("1");
        Ports ports = world.ports();
        ports.board = &board;
        RecordingView view;
        RotatorControl rotator{state, ports, view};
        QElapsedTimer ending;
        ending.start();
        rotator.relays.BeginEnding();
        EXPECT_LT(ending.elapsed(), 2200);
        EXPECT_EQ(rotator.relays.MayBeOn(), !row.comesBack);
        if (row.comesBack) {
            EXPECT_EQ(Coil(4), 0);
        }
    }
}

// A module that never answers Read Coils: the read times out, the other functions answer at once.
// (Slow reads: SilentModule.AnOffStillReachesAModuleThatTakesWrites.)
TEST_F(Boardsim, AModuleWithoutReadCoilsLetsThatReadTimeOut) {
    Start({QStringLiteral("--no-read-coils")});
    ModbusBoard board(QStringLiteral("127.0.0.1"), port);
    const auto coil = board.ReadOutputBit(6, 4);
    ASSERT_TRUE(coil.error.has_value());
    EXPECT_EQ(coil.error->number, ETIMEDOUT);
    QElapsedTimer calls;
    calls.start();
    EXPECT_FALSE(board.ReadAnalogInput(5, 0).error);
    EXPECT_FALSE(board.WriteOutputBit(6, 6, 0));
    EXPECT_LT(calls.elapsed(), 200);
}

// End stops at the travel: a motor left on stops at the end, the arrival is printed once, and the
// extremes reached stay readable in input registers 110..113 (tenths of a degree).
TEST_F(Boardsim, EndStopsHoldTheAntennaAtTheTravelAndTheExtremesAreKept) {
    struct Row {
        QStringList arguments;
        const char* arrival;
        int extremeRegister, tenths;
    } const rows[] = {
        {{QStringLiteral("--az"), QStringLiteral("357"), QStringLiteral("--relay-on"), QStringLiteral("4")},
         "end stop az 360.0",
         111,
         3600},
        {{QStringLiteral("--el"), QStringLiteral("88.5"), QStringLiteral("--el-travel"), QStringLiteral("90"),
          QStringLiteral("--relay-on"), QStringLiteral("6")},
         "end stop el 90.0",
         113,
         900},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arrival);
        TearDown();
        output.clear();
        Start(row.arguments);
        modbus_t* ctx = modbus_new_tcp("127.0.0.1", port);
        ASSERT_EQ(modbus_connect(ctx), 0);
        uint16_t extremes[4] = {};
        // Each request moves the model: ask until it has reached the end and a while longer.
        QElapsedTimer asked;
        asked.start();
        while (asked.elapsed() < 1500 && modbus_read_input_registers(ctx, 110, 4, extremes) == 4)
            process.waitForReadyRead(100);
        modbus_close(ctx);
        modbus_free(ctx);
        EXPECT_EQ(static_cast<std::int16_t>(extremes[row.extremeRegister - 110]), row.tenths);
        EXPECT_EQ(Output().count(QString::fromLatin1(row.arrival)), 1) << Output().toStdString();
    }
}

// Writing the map's watchdog register arms the emulator's watchdog, with no --watchdog: ModbusBoard
// writes it on connecting, and once requests stop a relay left on goes off after the set time.
TEST_F(Boardsim, WritingTheWatchdogRegisterArmsTheModulesWatchdog) {
    struct Row {
        const char* keys;
        const char* armed; // the emulator's line
        int offWithinMs;
    } const rows[] = {
        {"WATCHDOG_REGISTER=300\r\nWATCHDOG_VALUE=5\r\n", "watchdog: set to 0.5 s by holding register 300",
         1500},
        {"WATCHDOG_REGISTER=20\r\nWATCHDOG_KIND=COIL\r\n", "watchdog: set to 2.0 s by coil 20", 3000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.keys);
        TearDown();
        output.clear();
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("rotorcfg.ini"));
        WriteBytes(ini, QByteArray("[BOARD_MAP]\r\n") + row.keys);
        const BoardMapReading reading = ReadBoardMap(ini);
        ASSERT_FALSE(reading.refusal);
        Start(QStringLiteral("--map"), ini);
        BoardMap map = reading.map;
        map.tcpPort = port;
        ModbusBoard board(map, QStringLiteral("127.0.0.1"));
        ASSERT_FALSE(board.WriteOutputBit(6, 4, 1));
        EXPECT_FALSE(board.watchdogError());
        EXPECT_TRUE(WaitForOutput(QString::fromLatin1(row.armed), 1000)) << Output().toStdString();
        QElapsedTimer since;
        since.start();
        ASSERT_TRUE(WaitForOutput(QStringLiteral("relay 4 0"), row.offWithinMs + 1000))
            << Output().toStdString();
        EXPECT_LE(since.elapsed(), row.offWithinMs);
        EXPECT_TRUE(Output().contains(QStringLiteral("watchdog: no request"))) << Output().toStdString();
    }
}

// The board check writes the watchdog register and reads it back; a module without that register
// fails the check with the module's answer.
TEST_F(Boardsim, TheBoardCheckArmsTheWatchdogAndReadsItBack) {
    QTemporaryDir dir;
    const QString withRegister = dir.filePath(QStringLiteral("with.ini"));
    WriteBytes(withRegister, "[BOARD_MAP]\r\nWATCHDOG_REGISTER=300\r\nWATCHDOG_VALUE=50\r\n");
    const QString without = dir.filePath(QStringLiteral("without.ini"));
    WriteBytes(without, "[BOARD_MAP]\r\n");
    struct Row {
        QString emulatorMap;
        bool ok;
        const char* line;
    } const rows[] = {
        {withRegister, true,
         "module watchdog (holding register (0x06) 300, value 50): written, read back 50"},
        {without, false, "write failed: error 2: Modbus例外 02 (Illegal Data Address)"},
    };
    MainState state;
    state.AzimuthMotorText = state.ElevationMotorText = QStringLiteral("1");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        TearDown();
        Start(QStringLiteral("--map"), row.emulatorMap);
        BoardMap map = ReadBoardMap(withRegister).map;
        map.tcpPort = port;
        ModbusBoard board(map, QStringLiteral("127.0.0.1"));
        const BoardCheckReport report = RunBoardCheck(board, &map, QStringLiteral("x"), state);
        EXPECT_EQ(report.ok(), row.ok) << report.lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(report.lines.join(QLatin1Char('\n')).contains(QString::fromUtf8(row.line)))
            << report.lines.join(QLatin1Char('\n')).toStdString();
    }
}

// A 4-relay RS-485 module: coils 0..3, 12-bit holding registers 0x03 at 0 and 1, unit 3.
class RtuBoardsim : public Boardsim {
  protected:
    void SetUp() override {
        if (!PtyPair::Available())
            GTEST_SKIP() << "socat is not installed";
        ASSERT_TRUE(pty.Start(dir.path()));
        WriteBytes(ini,
                   "[BOARD_MAP]\r\nTRANSPORT=RTU\r\nBAUD=115200\r\nUNIT=3\r\nRIGHT_COIL=0\r\nLEFT_COIL=1\r\n"
                   "UP_COIL=2\r\nDOWN_COIL=3\r\nREGISTER_KIND=HOLDING\r\nFULL_SCALE_COUNT=4095\r\n");
        const BoardMapReading reading = ReadBoardMap(ini);
        ASSERT_TRUE(!reading.refusal);
        map = reading.map;
        map.device = pty.programEnd;
        Start(QStringLiteral("--map"), ini,
              {QStringLiteral("--device"), pty.boardEnd, QStringLiteral("--az"), QStringLiteral("180")});
    }

    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("rotorcfg.ini"));
    PtyPair pty;
    BoardMap map;
};

TEST_F(RtuBoardsim, RelaysGoToTheMappedCoilsAndReadingsAreScaled) {
    ModbusBoard board(map);
    EXPECT_FALSE(board.WriteOutputBit(6, 4, 1));
    EXPECT_FALSE(board.WriteOutputBit(6, 5, 0));
    EXPECT_EQ(Coil(0), 1); // read back over the emulator's TCP side
    EXPECT_FALSE(board.WriteOutputBit(6, 4, 0));
    EXPECT_EQ(Coil(0), 0);
    const auto reading = board.ReadAnalogInput(5, 0);
    ASSERT_FALSE(reading.error) << reading.error->description.toStdString();
    EXPECT_NEAR(reading.count, 512, 1); // 180 degrees: 2.5 V
    EXPECT_NEAR(board.lastRaw(0), 2048, 4);
    QString output;
    for (int i = 0; i < 20 && !output.contains(QStringLiteral("relay 4 0")); ++i) {
        process.waitForReadyRead(100);
        output += QString::fromUtf8(process.readAllStandardOutput());
    }
    EXPECT_TRUE(output.contains(QStringLiteral("relay 4 1"))) << output.toStdString();
    EXPECT_FALSE(output.contains(QStringLiteral("stray"))) << output.toStdString();
}

TEST_F(RtuBoardsim, AnotherUnitGetsNoAnswerAndASecondUserIsTurnedAway) {
    BoardMap otherUnit = map;
    otherUnit.unitId = 4;
    {
        ModbusBoard board(otherUnit);
        const auto reading = board.ReadAnalogInput(5, 0);
        ASSERT_TRUE(reading.error.has_value());
        EXPECT_EQ(reading.error->number, ETIMEDOUT);
    }
    ModbusBoard first(map);
    const auto firstReading = first.ReadAnalogInput(5, 1);
    ASSERT_FALSE(firstReading.error) << firstReading.error->number << " "
                                     << firstReading.error->description.toStdString();
    ModbusBoard second(map);
    const auto refused = second.ReadAnalogInput(5, 1);
    ASSERT_TRUE(refused.error.has_value());
    EXPECT_EQ(refused.error->number, EBUSY);
    EXPECT_TRUE(refused.error->description.contains(pty.programEnd))
        << refused.error->description.toStdString();
    EXPECT_FALSE(first.ReadAnalogInput(5, 1).error); // the first keeps its line
}

} // namespace

#endif

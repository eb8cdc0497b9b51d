// SPDX-License-Identifier: GPL-3.0-or-later
// The board map of rotorcfg.ini: strict reading, refusals, the scaling of a module's converter, and
// the board check that reads without switching anything.
#include "rotator/BoardMap.h"
#include "common/MainState.h"
#include "rotator/BoardCheck.h"
#include "rotator/ModbusBoard.h"
#include "support/FakePorts.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class BoardMapFile : public ::testing::Test {
  protected:
    BoardMapReading Read(const QByteArray& section) {
        WriteBytes(ini, "[TCP/IP]\r\nIP=127.0.0.1\r\n[BOARD_MAP]\r\n" + section);
        return ReadBoardMap(ini);
    }
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("rotorcfg.ini"));
};

TEST_F(BoardMapFile, NoSectionIsTheDefaultLayout) {
    WriteBytes(ini, "[TCP/IP]\r\nIP=127.0.0.1\r\n");
    const BoardMapReading r = ReadBoardMap(ini);
    EXPECT_EQ(r.map, BoardMap{});
    EXPECT_FALSE(r.refusal);
    EXPECT_EQ(r.map.relayCoils, (std::array<int, 4>{4, 5, 6, 7}));
    EXPECT_EQ(r.map.registerKind, BoardMap::RegisterKind::Input);
    for (int raw : {0, 1, 511, 512, 1023, -5, 32767})
        EXPECT_EQ(r.map.CountFromRaw(raw), raw); // today's counts pass unchanged
    EXPECT_FALSE(ReadBoardMap(dir.filePath(QStringLiteral("missing.ini"))).refusal);
}

TEST_F(BoardMapFile, TheDocumentedLayoutsAreTakenWhole) {
    const BoardMapReading holding = Read("RIGHT_COIL=0\r\nLEFT_COIL=1\r\nUP_COIL=2\r\nDOWN_COIL=3\r\n"
                                         "REGISTER_KIND=HOLDING\r\nAZ_REGISTER=0\r\nEL_REGISTER=1\r\n"
                                         "FULL_SCALE_COUNT=4095\r\nFULL_SCALE_VOLTS=5\r\nPORT=5020\r\n");
    EXPECT_FALSE(holding.refusal);
    EXPECT_EQ(holding.map.relayCoils, (std::array<int, 4>{0, 1, 2, 3}));
    EXPECT_EQ(holding.map.registerKind, BoardMap::RegisterKind::Holding);
    EXPECT_EQ(holding.map.tcpPort, 5020);

    const BoardMapReading rtu = Read("; RS-485 module, comment=kept\r\ntransport = "
                                     "rtu\r\nDEVICE=/dev/ttyUSB0\r\nBAUD=19200\r\nPARITY=e\r\n"
                                     "DATA_BITS=8\r\nSTOP_BITS=1\r\nUNIT=3\r\nREGISTER_KIND=0x04\r\n"
                                     "AZ_REGISTER=16\r\nEL_REGISTER=17\r\nFULL_SCALE_COUNT=5000\r\n"
                                     "FULL_SCALE_VOLTS=5.0\r\n");
    EXPECT_FALSE(rtu.refusal);
    EXPECT_EQ(rtu.map.transport, BoardMap::Transport::Rtu);
    EXPECT_EQ(rtu.map.device, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(rtu.map.baud, 19200);
    EXPECT_EQ(rtu.map.parity, 'E');
    EXPECT_EQ(rtu.map.unitId, 3);
    EXPECT_EQ(rtu.map.potRegisters, (std::array<int, 2>{16, 17}));
    EXPECT_EQ(rtu.map.TransportText(QString()), QStringLiteral("Modbus RTU /dev/ttyUSB0 19200 8E1, unit 3"));
}

TEST_F(BoardMapFile, TheModulesWatchdogRegisterIsTakenWhenComplete) {
    using Kind = BoardMap::WatchdogKind;
    struct Row {
        const char* section;
        std::optional<BoardMap::ModuleWatchdog> watchdog;
    };
    const Row rows[] = {
        {"", std::nullopt},
        {"WATCHDOG_REGISTER=300\r\nWATCHDOG_VALUE=50\r\n", BoardMap::ModuleWatchdog{Kind::Holding, 300, 50}},
        {"watchdog_register=20\r\nWATCHDOG_KIND=coil\r\n", BoardMap::ModuleWatchdog{Kind::Coil, 20, 1}},
        {"WATCHDOG_REGISTER=20\r\nWATCHDOG_KIND=0x05\r\nWATCHDOG_VALUE=1\r\n",
         BoardMap::ModuleWatchdog{Kind::Coil, 20, 1}},
        // An input register 1 is the elevation's; holding register 1 is another register.
        {"WATCHDOG_REGISTER=1\r\nWATCHDOG_KIND=6\r\nWATCHDOG_VALUE=65535\r\n",
         BoardMap::ModuleWatchdog{Kind::Holding, 1, 65535}},
    };
    for (const Row& row : rows) {
        const BoardMapReading r = Read(row.section);
        EXPECT_FALSE(r.refusal) << row.section << r.refusal.value_or(QString()).toStdString();
        EXPECT_EQ(r.map.watchdog, row.watchdog) << row.section;
    }
}

// A value that is not a whole value of its kind refuses the map, naming key and value: a default in
// its place would drive a layout nobody wrote.
TEST_F(BoardMapFile, BadValuesRefuseTheMap) {
    const char* const lines[] = {
        "TRANSPORT=UDP",
        "UNIT=1.5",
        "UNIT=256",
        "UNIT=250",
        "RIGHT_COIL=4x",
        "RIGHT_COIL=l2",
        "RIGHT_COIL=12 ; right turn",
        "DOWN_COIL=-1",
        "UP_COIL=65536",
        "AZ_REGISTER=",
        "REGISTER_KIND=coil",
        "FULL_SCALE_COUNT=4095.5",
        "FULL_SCALE_VOLTS=5V",
        "FULL_SCALE_VOLTS=1e300",
        "PORT=0",
        "DEVICE=ttyUSB0",
        "BAUD=9601",
        "PARITY=X",
        "DATA_BITS=9",
        "STOP_BITS=1.5",
        "TRANSPORT=RTU\r\nUNIT=0", // no broadcast on a line
        "WATCHDOG_REGISTER=-1",
        "WATCHDOG_KIND=INPUT",
        "WATCHDOG_REGISTER=300\r\nWATCHDOG_VALUE=5s",
        "WATCHDOG_REGISTER=300\r\nWATCHDOG_VALUE=0", // would switch most modules' watchdog off
        "WATCHDOG_REGISTER=20\r\nWATCHDOG_KIND=COIL\r\nWATCHDOG_VALUE=0",
    };
    for (const char* line : lines) {
        const BoardMapReading r = Read(QByteArray(line) + "\r\n");
        ASSERT_TRUE(r.refusal.has_value()) << line;
        const QString last = QString::fromLatin1(line).section(QStringLiteral("\r\n"), -1);
        const QString key = last.section(QLatin1Char('='), 0, 0);
        const QString value = last.section(QLatin1Char('='), 1);
        EXPECT_TRUE(r.refusal->contains(QStringLiteral("%1 の値「%2」").arg(key, value)))
            << r.refusal->toStdString();
    }
}

TEST_F(BoardMapFile, UnsafeMapsAreRefused) {
    struct Row {
        const char* section;
        const char* named;
    };
    const Row rows[] = {
        {"RIGHT_COIL=0\r\nLEFT_COIL=1\r\nUP_COIL=2\r\nDOWN_COIL=2\r\n", "同じコイル 2"},
        {"RIGHT_COIL=6\r\n", "同じコイル 6"}, // onto the default up coil
        {"AZ_REGISTER=1\r\n", "同じレジスタ 1"},
        {"FULL_SCALE_COUNT=0\r\n", "FULL_SCALE_COUNT"},
        {"FULL_SCALE_COUNT=-4095\r\n", "FULL_SCALE_COUNT"},
        {"FULL_SCALE_VOLTS=-5\r\n", "FULL_SCALE_VOLTS"},
        {"FULL_SCALE_VOLTS=0\r\n", "FULL_SCALE_VOLTS"},
        {"RIGHT_COIIL=0\r\nLEFT_COIL=1\r\n",
         "RIGHT_COIIL というキーはありません"}, // coil 4 stays the right turn's
        // Arming the watchdog would switch the left turn on, or overwrite the elevation's reading.
        {"WATCHDOG_REGISTER=5\r\nWATCHDOG_KIND=COIL\r\n", "コイル 5 は左回転のリレーのコイル"},
        {"REGISTER_KIND=HOLDING\r\nWATCHDOG_REGISTER=1\r\nWATCHDOG_VALUE=50\r\n", "同じレジスタ 1"},
        {"WATCHDOG_VALUE=50\r\n", "WATCHDOG_REGISTER がありません"},
        {"WATCHDOG_KIND=COIL\r\n", "WATCHDOG_REGISTER がありません"},
        {"WATCHDOG_REGISTER=300\r\n", "WATCHDOG_VALUE がありません"},
    };
    for (const Row& row : rows) {
        const BoardMapReading r = Read(row.section);
        ASSERT_TRUE(r.refusal.has_value()) << row.section;
        EXPECT_TRUE(r.refusal->contains(QString::fromUtf8(row.named))) << r.refusal->toStdString();
    }
}

TEST(BoardMapScaling, ConvertersBecomeATenBitCountForFiveVolts) {
    struct Row {
        int fullScaleCount;
        double fullScaleVolts;
        int raw;
        int count;
    };
    const Row rows[] = {
        {4095, 5, 4095, 1023},  {4095, 5, 2048, 512},   {4095, 5, 0, 0}, // 12-bit
        {5000, 5, 2500, 512},   {5000, 5, 5000, 1023},                   // millivolts
        {4095, 10, 2048, 1023}, {4095, 10, 4095, 2046},                  // 0..10 V input
        {1023, 5, 1023, 1023},
    };
    for (const Row& r : rows) {
        BoardMap map;
        map.fullScaleCount = r.fullScaleCount;
        map.fullScaleVolts = r.fullScaleVolts;
        EXPECT_EQ(map.CountFromRaw(r.raw), r.count)
            << r.fullScaleCount << "/" << r.fullScaleVolts << " " << r.raw;
        // The emulator's converter and ours agree within one count of the coarser one.
        EXPECT_NEAR(map.CountFromRaw(map.RawFromVolts(r.count * 5.0 / 1023)), r.count, 1);
    }
}

TEST(BoardMapScaling, SixteenBitConvertersAreUnsignedNarrowerOnesSigned) {
    BoardMap map;
    EXPECT_EQ(map.RawFromRegister(65533), -3); // just below 0 V on a 10-bit converter
    map.fullScaleCount = 65535;
    EXPECT_EQ(map.RawFromRegister(65533), 65533);
    EXPECT_EQ(map.CountFromRaw(map.RawFromRegister(49152)), 767); // three quarters of full scale
}

TEST(SerialDevice, OpenFailuresNameTheDeviceAndTheFix) {
    const QString device = QStringLiteral("/dev/ttyUSB7");
    for (int error : {ENOENT, EACCES, EBUSY, EIO}) {
        const QString text = SerialOpenErrorText(device, error);
        EXPECT_TRUE(text.contains(device)) << text.toStdString();
    }
    EXPECT_TRUE(SerialOpenErrorText(device, EACCES).contains(QLatin1String("dialout")));
    EXPECT_TRUE(SerialOpenErrorText(device, EBUSY).contains(QStringLiteral("使用中")));
    EXPECT_TRUE(SerialOpenErrorText(device, ENOENT).contains(QStringLiteral("ありません")));
}

TEST(SerialDevice, MissingDeviceFailsEveryCallWithItsNameAndWritesNothing) {
    BoardMap map;
    map.transport = BoardMap::Transport::Rtu;
    map.device = QStringLiteral("/nonexistent/ttyUSB9");
    ModbusBoard board(map);
    const auto write = board.WriteOutputBit(6, 4, 1);
    ASSERT_TRUE(write.has_value());
    EXPECT_EQ(write->number, ENOENT);
    EXPECT_TRUE(write->description.contains(map.device)) << write->description.toStdString();
    const auto read = board.ReadAnalogInput(5, 0);
    ASSERT_TRUE(read.error.has_value());
    EXPECT_FALSE(board.connected());
}

class BoardCheckTest : public ::testing::Test {
  protected:
    BoardCheckTest() {
        state.AzimuthMotorText = state.ElevationMotorText = QStringLiteral("1");
        state.AzimuthVolt0Text = state.ElevationVolt0Text = QStringLiteral("0");
        state.AzimuthVolt360Text = QStringLiteral("5");
        state.ElevationVolt90Text = QStringLiteral("2.5");
    }
    RecordingBoard board;
    MainState state;
    BoardMap map;
};

TEST_F(BoardCheckTest, ReadsBothPotentiometersAndSwitchesNothing) {
    board.counts[0] = 512;
    board.counts[1] = 256;
    map.relayCoils = {0, 1, 2, 3};
    const BoardCheckReport report = RunBoardCheck(board, &map, QStringLiteral("Modbus TCP x"), state);
    EXPECT_TRUE(report.ok());
    EXPECT_TRUE(board.writes.empty());
    EXPECT_EQ(board.reads, (std::vector<int>{0, 1}));
    const QString text = report.lines.join(QLatin1Char('\n'));
    EXPECT_TRUE(text.contains(QStringLiteral("count 512, 2.502 V, 180.18 deg"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("count 256, 1.251 V, 45.04 deg"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("right coil 0, left coil 1, up coil 2, down coil 3")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("board check: OK")));
}

TEST_F(BoardCheckTest, AFailedReadFailsTheCheckWithItsError) {
    board.failReads = 1; // the azimuth read fails, the elevation read works
    state.ElevationMotorText = QStringLiteral("0");
    const BoardCheckReport report = RunBoardCheck(board, &map, QString(), state);
    EXPECT_FALSE(report.ok());
    ASSERT_EQ(report.errors.size(), 1);
    EXPECT_TRUE(report.errors[0].contains(QStringLiteral("azimuth"))) << report.errors[0].toStdString();
    EXPECT_TRUE(report.errors[0].contains(QStringLiteral("10060")));
    const QString text = report.lines.join(QLatin1Char('\n'));
    EXPECT_TRUE(text.contains(QStringLiteral("V_MOTOR is 0"))) << text.toStdString();
    EXPECT_TRUE(board.writes.empty());
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The built program against boardsim as a user with a real module runs it: `azelmon --board-check`
// with no display at all, and a module's communication watchdog stopping the motor of a program
// that was killed outright.
#include "E2eSupport.h"
#include "support/PtyPair.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>

namespace {

// The program's own folder: settings, data files, an environment without any display.
class ProgramFolder {
  public:
    explicit ProgramFolder(const QByteArray& settings) {
        FillProgramFolder(dir.path(), "[TCP/IP]\r\nIP=127.0.0.1\r\n" + settings);
    }

    QString ini() const { return dir.filePath(QStringLiteral("rotorcfg.ini")); }

    void Prepare(QProcess& process, const QStringList& arguments, bool display) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        if (display)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("AZELMON_CONFIG_DIR"), dir.path());
        env.insert(QStringLiteral("AZELMON_INSTANCE_NAME"),
                   QStringLiteral("azelmon-e2e-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.setProgram(QStringLiteral(AZELMON_PATH));
        process.setArguments(arguments);
        process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    }

    QTemporaryDir dir;
};

struct CheckRun {
    int exitCode = -1;
    QString out, err;
};

CheckRun RunBoardCheck(ProgramFolder& folder, const QStringList& arguments) {
    QProcess process;
    folder.Prepare(process, QStringList{QStringLiteral("--board-check")} + arguments, false);
    process.start();
    CheckRun run;
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(3000);
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

struct CheckRow {
    const char* name;
    const char* section;
    bool rtu;
    std::vector<const char*> expectOut;
};

class BoardCheck : public ::testing::TestWithParam<CheckRow> {};

TEST_P(BoardCheck, PrintsEveryPotentiometerAndTheRelayMapWithoutADisplay) {
    const CheckRow& row = GetParam();
    if (row.rtu && !PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    PtyPair pty;
    QByteArray section = row.section;
    QStringList boardArguments{QStringLiteral("--az"), QStringLiteral("180"), QStringLiteral("--el"),
                               QStringLiteral("45")};
    QTemporaryDir lineDir;
    if (row.rtu) {
        ASSERT_TRUE(pty.Start(lineDir.path()));
        section += "DEVICE=" + pty.programEnd.toLocal8Bit() + "\r\n";
        boardArguments << QStringLiteral("--device") << pty.boardEnd;
    }
    ProgramFolder folder(section);
    BoardsimProcess board;
    ASSERT_TRUE(board.Start(boardArguments + QStringList{QStringLiteral("--map"), folder.ini()}));
    // A row whose settings choose the Modbus board runs as the menu entry does, without --board.
    QStringList arguments{QStringLiteral("--modbus-port"), QString::number(board.port())};
    if (!section.contains("BOARD=MODBUS"))
        arguments = QStringList{QStringLiteral("--board"), QStringLiteral("modbus")} + arguments;
    const CheckRun run = RunBoardCheck(folder, arguments);
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    // 180° on 0..5 V over 0..360 and 45° on 0..2.5 V over 0..90: both mid-scale counts near 512 / 256.
    EXPECT_TRUE(run.out.contains(QStringLiteral("azimuth potentiometer"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("count 512, 2.502 V, 180.18 deg"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("count 256, 1.251 V, 45.04 deg"))) << run.out.toStdString();
    for (const char* expected : row.expectOut)
        EXPECT_TRUE(run.out.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                                   << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("board check: OK")));
    // Not a coil moved.
    EXPECT_FALSE(board.Output().contains(QStringLiteral("relay"))) << board.Output().toStdString();
    EXPECT_FALSE(board.Output().contains(QStringLiteral("stray"))) << board.Output().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Documented, BoardCheck,
    ::testing::Values(
        CheckRow{
            "DefaultChosenInTheSettings",
            "BOARD=MODBUS\r\n",
            false,
            {"Modbus TCP 127.0.0.1:", "(input register (0x04) 0): raw 512,", "right coil 4, left coil 5"}},
        CheckRow{"FourRelaysTwelveBitHolding",
                 "[BOARD_MAP]\r\nRIGHT_COIL=0\r\nLEFT_COIL=1\r\nUP_COIL=2\r\nDOWN_COIL=3\r\n"
                 "REGISTER_KIND=HOLDING\r\nFULL_SCALE_COUNT=4095\r\nFULL_SCALE_VOLTS=5\r\n",
                 false,
                 {"(holding register (0x03) 0): raw 2048,", "(holding register (0x03) 1): raw 1024,",
                  "right coil 0, left coil 1, up coil 2, down coil 3"}},
        CheckRow{"Rtu",
                 "[BOARD_MAP]\r\nTRANSPORT=RTU\r\nBAUD=9600\r\nUNIT=2\r\nRIGHT_COIL=0\r\nLEFT_COIL=1\r\nUP_"
                 "COIL=2\r\n"
                 "DOWN_COIL=3\r\nFULL_SCALE_COUNT=5000\r\n",
                 true,
                 {"Modbus RTU ", " 9600 8N1, unit 2", "(input register (0x04) 0): raw 2500,",
                  "(input register (0x04) 1): raw 1250,"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BoardCheckFailures, ExitNonZeroWithTheError) {
    struct Row {
        const char* section;
        QStringList arguments;
        const char* expectErr;
    };
    const Row rows[] = {
        // Nothing listens on port 1.
        {"",
         {QStringLiteral("--board"), QStringLiteral("modbus"), QStringLiteral("--modbus-port"),
          QStringLiteral("1")},
         "read failed"},
        {"[BOARD_MAP]\r\nTRANSPORT=RTU\r\nDEVICE=/nonexistent/ttyUSB9\r\n",
         {QStringLiteral("--board"), QStringLiteral("modbus")},
         "/nonexistent/ttyUSB9 がありません"},
        {"[BOARD_MAP]\r\nUP_COIL=7\r\n",
         {QStringLiteral("--board"), QStringLiteral("modbus")},
         "同じコイル 7"},
        // A typo in a value and a comment after it: refused, not replaced by the default coil 4.
        {"[BOARD_MAP]\r\nRIGHT_COIL=l2\r\n",
         {QStringLiteral("--board"), QStringLiteral("modbus")},
         "RIGHT_COIL の値「l2」"},
        {"[BOARD_MAP]\r\nRIGHT_COIL=12 ; right turn\r\nLEFT_COIL=13\r\n",
         {QStringLiteral("--board"), QStringLiteral("modbus")},
         "RIGHT_COIL の値「12 ; right turn」"},
    };
    for (const Row& row : rows) {
        ProgramFolder folder(row.section);
        const CheckRun run = RunBoardCheck(folder, row.arguments);
        EXPECT_GT(run.exitCode, 0) << row.section << "\n" << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(row.expectErr))) << row.section << "\n"
                                                                        << run.err.toStdString();
    }
}

// A module's communication watchdog switches its outputs off when no request comes for a set time.
// The program asks the board every second, so a program that can no longer act (killed with SIGKILL,
// stopped with SIGSTOP) leaves a running motor for at most that time. Set on the module by hand
// (boardsim --watchdog), or by azelmon itself from the board map's watchdog keys, with an emulator
// that has no watchdog until its register is written.
struct WatchdogRow {
    const char* name;
    const char* boardMap; // [BOARD_MAP] of the program's settings and the emulator's map
    QStringList emulatorArguments;
    int signal;
    const char* armedLine; // the emulator's line when azelmon set the watchdog
};

void PrintTo(const WatchdogRow& row, std::ostream* out) {
    *out << row.name;
}

class ModuleWatchdog : public ::testing::TestWithParam<WatchdogRow> {};

TEST_P(ModuleWatchdog, StopsTheMotorOfAProgramThatCannotAct) {
    const WatchdogRow& row = GetParam();
    PrivateBus bus;
    ASSERT_TRUE(bus.ok());
    TrackServerProcess server;
    ASSERT_TRUE(server.Start(bus, {})) << server.errors().toStdString();
    const double watchdogSeconds = 3;
    ProgramFolder folder(
        QByteArray("[HPOSITION]\r\nH-RANGE=100,340\r\nHVOLT0=1.3889\r\nHVOLT360=4.7222\r\n") + row.boardMap);
    BoardsimProcess board;
    // Outside the azimuth range 100..340: the program turns right on its own at start-up, for some 15 s.
    ASSERT_TRUE(board.Start(QStringList{QStringLiteral("--az"), QStringLiteral("2"), QStringLiteral("--el"),
                                        QStringLiteral("10"), QStringLiteral("--map"), folder.ini()} +
                            row.emulatorArguments));
    QProcess program;
    folder.Prepare(program,
                   {QStringLiteral("--board"), QStringLiteral("modbus"), QStringLiteral("--modbus-port"),
                    QString::number(board.port())},
                   true);
    QProcessEnvironment env = program.processEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    program.setProcessEnvironment(env);
    program.start();
    ASSERT_TRUE(program.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&] { return board.Output().contains(QStringLiteral("relay 4 1")); }, 15000))
        << board.Output().toStdString() << program.readAllStandardError().toStdString();
    if (row.armedLine) {
        // Written on connecting, before the first relay went on.
        EXPECT_LT(board.Output().indexOf(QString::fromLatin1(row.armedLine)),
                  board.Output().indexOf(QStringLiteral("relay 4 1")))
            << board.Output().toStdString();
        EXPECT_GE(board.Output().indexOf(QString::fromLatin1(row.armedLine)), 0)
            << board.Output().toStdString();
    }

    // Alive, the program keeps the watchdog fed: the motor runs on past the watchdog's time.
    WaitFor([] { return false; }, static_cast<int>(watchdogSeconds * 1000) + 1500);
    ASSERT_FALSE(board.Output().contains(QStringLiteral("watchdog: no request")))
        << board.Output().toStdString();
    ASSERT_FALSE(board.Output().contains(QStringLiteral("relay 4 0"))) << board.Output().toStdString();

    const auto pid = static_cast<pid_t>(program.processId());
    ASSERT_GT(pid, 0);
    ::kill(pid, row.signal);
    QElapsedTimer sinceSignal;
    sinceSignal.start();
    ASSERT_TRUE(WaitFor([&] { return board.Output().contains(QStringLiteral("relay 4 0")); }, 10000))
        << board.Output().toStdString();
    // The last request came up to a second before the signal; the watchdog counts from it.
    EXPECT_LE(sinceSignal.elapsed(), static_cast<qint64>(watchdogSeconds * 1000) + 500)
        << board.Output().toStdString();
    EXPECT_TRUE(board.Output().contains(QStringLiteral("watchdog: no request")))
        << board.Output().toStdString();
    // A stopped program is ended here; a killed one is already gone (and has no process id any more).
    if (program.state() != QProcess::NotRunning)
        ::kill(pid, SIGKILL);
    program.waitForFinished(5000);
    EXPECT_EQ(program.state(), QProcess::NotRunning);
}

INSTANTIATE_TEST_SUITE_P(
    SetByHandOrByTheProgram, ModuleWatchdog,
    ::testing::Values(
        WatchdogRow{
            "OnTheModuleKilled", "", {QStringLiteral("--watchdog"), QStringLiteral("3")}, SIGKILL, nullptr},
        WatchdogRow{"ByTheBoardMapStopped",
                    "[BOARD_MAP]\r\nWATCHDOG_REGISTER=300\r\nWATCHDOG_KIND=HOLDING\r\nWATCHDOG_VALUE=30\r\n",
                    {},
                    SIGSTOP,
                    "watchdog: set to 3.0 s by holding register 300"},
        WatchdogRow{"ByTheBoardMapKilled",
                    "[BOARD_MAP]\r\nWATCHDOG_REGISTER=300\r\nWATCHDOG_VALUE=30\r\n",
                    {},
                    SIGKILL,
                    "watchdog: set to 3.0 s by holding register 300"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

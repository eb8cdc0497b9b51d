// SPDX-License-Identifier: GPL-3.0-or-later
// The built program started as a user starts it: offscreen, on a private bus with the data server,
// against boardsim over Modbus TCP.
#include "E2eSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>

namespace {

struct RunResult {
    int exitCode = -1;
    QString out, err;
};

// Runs the program to its end with a bounded wait (killed when it overstays).
RunResult RunToEnd(const QStringList& arguments, int timeoutMs = 10000,
                   const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProgram(QStringLiteral(AZELMON_PATH));
    process.setArguments(arguments);
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process.start();
    RunResult run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(3000);
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// Asked over SSH, with no display at all, the program still answers --help and --version.
TEST(Executable, HelpAndVersionNeedNoDisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    const struct {
        const char* argument;
        const char* expectOut;
    } rows[] = {{"--help", "--board"}, {"--version", "azelmon "}, {"-h", "--modbus-port"}};
    for (const auto& r : rows) {
        const RunResult run = RunToEnd({QLatin1String(r.argument)}, 10000, env);
        EXPECT_EQ(run.exitCode, 0) << r.argument << "\n" << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(QLatin1String(r.expectOut))) << r.argument << "\n"
                                                                  << run.out.toStdString();
    }
}

TEST(Executable, CommandLineAnswersAndRefusals) {
    struct Row {
        QStringList arguments;
        int exitCode;
        const char* expectOut;
        const char* expectErr;
    };
    const Row rows[] = {
        {{QStringLiteral("--help")}, 0, "--board", ""},
        {{QStringLiteral("--version")}, 0, "azelmon", ""},
        {{QStringLiteral("--board"), QStringLiteral("serial")}, 2, "", "--board"},
        {{QStringLiteral("--board"), QStringLiteral("modbus"), QStringLiteral("--modbus-port"),
          QStringLiteral("0")},
         2,
         "",
         "--modbus-port"},
        {{QStringLiteral("--sim-az"), QStringLiteral("east")}, 2, "", "--sim-az"},
    };
    for (const Row& r : rows) {
        const RunResult run = RunToEnd(r.arguments);
        const std::string what = r.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(run.exitCode, r.exitCode) << what << "\n" << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(QLatin1String(r.expectOut))) << what << "\n" << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(r.expectErr))) << what << "\n" << run.err.toStdString();
    }
}

// The program on its real backends in a child process, with its own settings, folder and instance name.
class RunningProgram {
  public:
    RunningProgram(const PrivateBus& bus, int boardPort, const QString& instanceName) {
        FillProgramFolder(dir.path(), OutsideRangeSettings);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        env.insert(QStringLiteral("AZELMON_CONFIG_DIR"), dir.path());
        env.insert(QStringLiteral("AZELMON_INSTANCE_NAME"), instanceName);
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.setProgram(QStringLiteral(AZELMON_PATH));
        process.setArguments({QStringLiteral("--board"), QStringLiteral("modbus"),
                              QStringLiteral("--modbus-port"), QString::number(boardPort)});
        process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    }
    ~RunningProgram() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
    QTemporaryDir dir;
    QProcess process;
};

TEST(Executable, SigtermInTheMiddleOfAMoveEndsWithAllRelaysOff) {
    PrivateBus bus;
    ASSERT_TRUE(bus.ok());
    TrackServerProcess server;
    ASSERT_TRUE(server.Start(bus, {})) << server.errors().toStdString();
    BoardsimProcess board;
    // Outside the azimuth range 100..340: the program turns right on its own at start-up, for some 15 s.
    ASSERT_TRUE(board.Start(
        {QStringLiteral("--az"), QStringLiteral("2"), QStringLiteral("--el"), QStringLiteral("10")}));
    const QString name = QStringLiteral("azelmon-e2e-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    RunningProgram program(bus, board.port(), name);
    program.process.start();
    ASSERT_TRUE(program.process.waitForStarted(5000));
    ASSERT_TRUE(WaitFor(
        [&] {
            const auto coils = board.Coils();
            return coils && (*coils)[0] == 1;
        },
        15000))
        << board.Output().toStdString() << program.process.readAllStandardError().toStdString();

    // A second copy under the same name must leave the first one's board alone. Were it to show its
    // message box it would wait for a click: it gets a bounded time, then is stopped.
    {
        RunningProgram second(bus, board.port(), name);
        second.process.start();
        ASSERT_TRUE(second.process.waitForStarted(5000));
        second.process.waitForFinished(3000);
    }
    EXPECT_EQ(program.process.state(), QProcess::Running);
    const auto coils = board.Coils();
    ASSERT_TRUE(coils.has_value());
    EXPECT_EQ((*coils)[0], 1) << board.Output().toStdString();

    ::kill(static_cast<pid_t>(program.process.processId()), SIGTERM);
    ASSERT_TRUE(program.process.waitForFinished(10000));
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process.exitCode(), 0);
    EXPECT_TRUE(board.AllCoilsOff()) << board.Output().toStdString();
    EXPECT_TRUE(WaitFor([&] { return board.Output().contains(QStringLiteral("relay 4 0")); }, 2000));
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The built program against boardsim at its start and its end: a relay left on by a program that died
// goes off before any box of start-up; one board takes one program; every signal that would end the
// process, sent while it turns a rotator, ends it the orderly way (exit code 0) or takes the crash path
// (dies of the signal), and in both cases the board's relays end up off. SIGPIPE ends nothing.
#include "E2eSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

bool RightTurnOn(const BoardsimProcess& board) {
    const auto coils = board.Coils();
    return coils && (*coils)[0] == 1;
}

// The built program against boardsim, outside its azimuth range so that it turns right by itself. With
// brokenPipe its stdout and stderr go into a pipe whose reader has already gone.
class SignalledProgram {
  public:
    // link: "rotctld" (no data server needed) or "dbus" (on a bus where no data server can be found).
    SignalledProgram(int boardPort, bool brokenPipe, const QString& link = QStringLiteral("rotctld")) {
        FillProgramFolder(dir.path(), OutsideRangeSettings);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("AZELMON_CONFIG_DIR"), dir.path());
        env.insert(QStringLiteral("AZELMON_INSTANCE_NAME"),
                   QStringLiteral("azelmon-e2e-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
        env.insert(QStringLiteral("AZELMON_TRACE"), dir.filePath(QStringLiteral("trace.log")));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.setProgram(QStringLiteral(AZELMON_PATH));
        process.setArguments({QStringLiteral("--link"), link, QStringLiteral("--rotctld-listen"),
                              QStringLiteral("127.0.0.1:0"), QStringLiteral("--board"),
                              QStringLiteral("modbus"), QStringLiteral("--modbus-port"),
                              QString::number(boardPort)});
        int fds[2] = {-1, -1};
        if (brokenPipe && ::pipe(fds) == 0) {
            ::close(fds[0]); // the reader is gone before the program writes its first line
            pipeWrite_ = fds[1];
        }
        const int pipeWrite = pipeWrite_;
        process.setChildProcessModifier([pipeWrite] {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (pipeWrite >= 0) {
                ::dup2(pipeWrite, STDOUT_FILENO);
                ::dup2(pipeWrite, STDERR_FILENO);
            }
        });
    }
    ~SignalledProgram() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(3000);
        }
        if (pipeWrite_ >= 0)
            ::close(pipeWrite_);
    }
    void Signal(int signal) { ::kill(static_cast<pid_t>(process.processId()), signal); }
    // True once the start-up went through (the rotctld endpoint listens only after it).
    bool Started() {
        output += QString::fromLocal8Bit(process.readAllStandardOutput());
        return output.contains(QStringLiteral("rotctld: listening"));
    }
    QString Trace() const {
        QFile file(dir.filePath(QStringLiteral("trace.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QString output;

    QTemporaryDir dir;
    QProcess process;

  private:
    int pipeWrite_ = -1;
};

// A module still holds the right turn on (the last program was killed); no data server answers, so
// start-up ends on its box. The relay is off before that box, and the program says it found it on.
TEST(FreshStart, SwitchesARelayLeftOnOffBeforeAnyBox) {
    BoardsimProcess board;
    ASSERT_TRUE(board.Start(
        {QStringLiteral("--az"), QStringLiteral("200"), QStringLiteral("--relay-on"), QStringLiteral("4")}));
    ASSERT_TRUE(RightTurnOn(board));
    SignalledProgram program(board.port(), false, QStringLiteral("dbus"));
    program.process.start();
    ASSERT_TRUE(program.process.waitForStarted(5000));
    EXPECT_TRUE(WaitFor([&] { return board.AllCoilsOff(); }, 10000)) << board.Output().toStdString();
    // Still there: it waits on the data server's box, which came after the all-off.
    EXPECT_EQ(program.process.state(), QProcess::Running);
    // The board's thread confirms the off; the window says so a moment later.
    EXPECT_TRUE(WaitFor(
        [&] {
            return program.Trace().contains(QStringLiteral("status L 7.起動時に右回転のリレーがオンでした"));
        },
        10000))
        << program.Trace().toStdString();
}

// One board, one program: a second user's copy (another instance name) on the same board is refused
// before it writes anything, and the first copy keeps driving.
TEST(FreshStart, ABoardAnotherProgramDrivesIsRefused) {
    BoardsimProcess board;
    ASSERT_TRUE(board.Start({QStringLiteral("--az"), QStringLiteral("2")}));
    SignalledProgram first(board.port(), false);
    first.process.start();
    ASSERT_TRUE(WaitFor([&] { return first.Started() && RightTurnOn(board); }, 20000))
        << board.Output().toStdString();
    SignalledProgram second(board.port(), false);
    second.process.start();
    ASSERT_TRUE(second.process.waitForStarted(5000));
    WaitFor([&] { return second.Started(); }, 4000);
    EXPECT_FALSE(second.Started());
    EXPECT_EQ(second.process.state(), QProcess::Running) << "waits on its message";
    EXPECT_FALSE(second.Trace().contains(QStringLiteral(" write "))) << second.Trace().toStdString();
    EXPECT_EQ(first.process.state(), QProcess::Running);
}

enum class Outcome { OrderlyEnd, CrashPath, RunsOn };

struct SignalRow {
    const char* name;
    int signal;
    Outcome outcome;
};

class EverySignal : public testing::TestWithParam<SignalRow> {};

TEST_P(EverySignal, LeavesNoRelayOn) {
    const SignalRow row = GetParam();
    BoardsimProcess board;
    ASSERT_TRUE(board.Start(
        {QStringLiteral("--az"), QStringLiteral("2"), QStringLiteral("--el"), QStringLiteral("10")}));
    // SIGPIPE comes for real: every line the program prints goes into a pipe nobody reads.
    SignalledProgram program(board.port(), row.outcome == Outcome::RunsOn);
    program.process.start();
    ASSERT_TRUE(program.process.waitForStarted(5000));
    ASSERT_TRUE(
        WaitFor([&] { return RightTurnOn(board) || program.process.state() == QProcess::NotRunning; }, 15000))
        << board.Output().toStdString();
    ASSERT_EQ(program.process.state(), QProcess::Running)
        << "ended with status " << program.process.exitStatus() << " code " << program.process.exitCode();
    program.Signal(row.signal);
    switch (row.outcome) {
    case Outcome::OrderlyEnd:
        ASSERT_TRUE(program.process.waitForFinished(10000));
        EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.process.exitCode(), 0);
        break;
    case Outcome::CrashPath:
        ASSERT_TRUE(program.process.waitForFinished(10000));
        EXPECT_EQ(program.process.exitStatus(), QProcess::CrashExit);
        EXPECT_EQ(program.process.exitCode(), row.signal);
        break;
    case Outcome::RunsOn:
        EXPECT_FALSE(program.process.waitForFinished(1500));
        program.Signal(SIGTERM);
        ASSERT_TRUE(program.process.waitForFinished(10000));
        EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
        break;
    }
    EXPECT_TRUE(board.AllCoilsOff()) << board.Output().toStdString();
}

const SignalRow SignalRows[] = {
    {"PIPE", SIGPIPE, Outcome::RunsOn},         {"USR1", SIGUSR1, Outcome::OrderlyEnd},
    {"USR2", SIGUSR2, Outcome::OrderlyEnd},     {"ALRM", SIGALRM, Outcome::OrderlyEnd},
    {"XFSZ", SIGXFSZ, Outcome::OrderlyEnd},     {"XCPU", SIGXCPU, Outcome::OrderlyEnd},
    {"VTALRM", SIGVTALRM, Outcome::OrderlyEnd}, {"PROF", SIGPROF, Outcome::OrderlyEnd},
    {"PWR", SIGPWR, Outcome::OrderlyEnd},       {"STKFLT", SIGSTKFLT, Outcome::OrderlyEnd},
    {"RTMIN", 0, Outcome::OrderlyEnd}, // SIGRTMIN, filled in below (not a constant)
    {"TRAP", SIGTRAP, Outcome::CrashPath},      {"SYS", SIGSYS, Outcome::CrashPath},
};

std::vector<SignalRow> Rows() {
    std::vector<SignalRow> rows(std::begin(SignalRows), std::end(SignalRows));
    for (SignalRow& row : rows)
        if (row.signal == 0)
            row.signal = SIGRTMIN + 2;
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Signals, EverySignal, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<SignalRow>& info) { return info.param.name; });

} // namespace

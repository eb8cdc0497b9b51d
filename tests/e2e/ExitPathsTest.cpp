// SPDX-License-Identifier: GPL-3.0-or-later
// Every way out of the program, at many moments while a motor runs: no relay is written on once the
// end began (the program's own trace of its writes says so), and the board's coils end up off.
#include "E2eSupport.h"
#include "rotator/RotatorControl.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUuid>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <sys/prctl.h>

namespace {

// From the trace: the relay writes after the "ending" line that switched something on, and whether the
// line is there at all.
struct TraceCheck {
    bool ended = false;
    QStringList onAfterEnd;
    int onBeforeEnd = 0;
};

TraceCheck CheckTrace(const QString& path) {
    TraceCheck check;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return check;
    static const QRegularExpression write(QStringLiteral("^\\d+ write (\\d) (\\d)"));
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.endsWith(QStringLiteral(" ending")))
            check.ended = true;
        const auto match = write.match(line);
        if (match.hasMatch() && match.captured(2) == QStringLiteral("1")) {
            if (check.ended)
                check.onAfterEnd << line;
            else
                ++check.onBeforeEnd;
        }
    }
    return check;
}

// The data server's clock 120 s after its pass's epoch: the satellite near 196° / 5°.
QStringList ServerAt120() {
    const QDateTime epoch(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    return {QStringLiteral("--epoch"), epoch.toString(Qt::ISODate), QStringLiteral("--time"),
            epoch.addSecs(120).toString(Qt::ISODate)};
}

// When the end comes: a moment after "自動" (the approach), inside a pause of the follow-up's pulse, or
// inside the pause of the follow-up that finds the antenna fallen behind after the target jumped 10°
// (the temporary correction moved from -5 to +5) and is about to start a fresh approach.
enum class Moment { AfterMs, InAPause, AfterAJump };

// 終了, the close box and 閉じる at those moments while automatic tracking runs.
TEST(Exit, EveryWayOutDuringTrackingLeavesNoRelayOn) {
    Program p;
    ASSERT_TRUE(p.StartBus());
    ASSERT_TRUE(p.StartServer(ServerAt120())) << p.server.errors().toStdString();
    ASSERT_TRUE(p.StartBoard(
        {QStringLiteral("--az"), QStringLiteral("186"), QStringLiteral("--el"), QStringLiteral("0")}));
    struct Row {
        const char* way;
        Moment moment;
        int afterMs;
    } const rows[] = {{"終了", Moment::AfterMs, 400},       {"close box", Moment::AfterMs, 900},
                      {"終了", Moment::InAPause, 0},        {"close box", Moment::InAPause, 0},
                      {"閉じる", Moment::InAPause, 0},      {"終了", Moment::AfterAJump, 0},
                      {"close box", Moment::AfterAJump, 0}, {"閉じる", Moment::AfterAJump, 0}};
    int round = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.way) + " moment " + std::to_string(static_cast<int>(row.moment)));
        // A correction of ±5° per round: each start finds the antenna off its target again.
        const QByteArray correction = round % 2 ? "5" : "-5";
        p.WriteSettings("[HPOSITION]\r\nHHOSEIKAKU=" + correction +
                        "\r\n[VPOSITION]\r\nVHOSEIKAKU=" + correction + "\r\n");
        const QString trace = p.dir.filePath(QStringLiteral("trace%1.log").arg(round++));
        qputenv("AZELMON_TRACE", QFile::encodeName(trace));
        p.endCodes.clear();
        ASSERT_TRUE(p.Launch());
        qunsetenv("AZELMON_TRACE");
        ASSERT_TRUE(p.WaitUntilReady());
        Form1* w = p.window.get();
        const auto exitNow = [w, way = std::string(row.way)] {
            if (way == "終了")
                QTest::mouseClick(w->Command1, Qt::LeftButton);
            else if (way == "close box")
                w->close();
            else
                w->menucls->trigger();
        };
        if (row.moment == Moment::AfterAJump)
            w->Slider2->setValue(-5);
        QTest::mouseClick(w->Command3, Qt::LeftButton);
        QTimer poll;
        if (row.moment == Moment::AfterMs) {
            QTimer::singleShot(row.afterMs, w, exitNow);
        } else {
            // A timer that fires while a positioning step is running fires inside one of its pauses (only
            // they let events through). Phases: 0 wait for the follow-up's first pause, then jump; 1 wait
            // for that step to end; 2 end the program in the next pause.
            auto phase = std::make_shared<int>(row.moment == Moment::InAPause ? 2 : 0);
            QObject::connect(&poll, &QTimer::timeout, w, [w, phase, exitNow, &poll] {
                const bool inPause = w->rotator().positioning.StepRunning();
                if (*phase == 0 && inPause) {
                    w->Slider2->setValue(5);
                    *phase = 1;
                } else if (*phase == 1 && !inPause) {
                    *phase = 2;
                } else if (*phase == 2 && inPause) {
                    poll.stop();
                    exitNow();
                }
            });
            poll.start(5);
        }
        ASSERT_TRUE(WaitFor([&p] { return !p.endCodes.isEmpty(); }, 20000));
        poll.stop();
        // Whatever step was waiting when the end came gets to run on (a pause is 0.45 s at most).
        WaitFor([] { return false; }, 1000);
        const TraceCheck check = CheckTrace(trace);
        EXPECT_TRUE(check.ended);
        EXPECT_GT(check.onBeforeEnd, 0) << "nothing moved before the end";
        EXPECT_TRUE(check.onAfterEnd.isEmpty()) << check.onAfterEnd.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(p.board.AllCoilsOff()) << p.board.Output().toStdString();
        p.Close();
    }
}

// The built program in a child process against boardsim, outside its azimuth range 100..340 so that it
// turns right by itself from the first second on.
class ChildProgram {
  public:
    ChildProgram(int boardPort, const QString& instanceName, const QStringList& extraArguments = {},
                 const QMap<QString, QString>& extraEnvironment = {}) {
        FillProgramFolder(dir.path(), OutsideRangeSettings);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("AZELMON_CONFIG_DIR"), dir.path());
        env.insert(QStringLiteral("AZELMON_INSTANCE_NAME"), instanceName);
        env.insert(QStringLiteral("AZELMON_TRACE"), tracePath());
        for (auto it = extraEnvironment.begin(); it != extraEnvironment.end(); ++it)
            env.insert(it.key(), it.value());
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.setProgram(QStringLiteral(AZELMON_PATH));
        QStringList arguments{QStringLiteral("--link"), QStringLiteral("rotctld"),
                              QStringLiteral("--rotctld-listen"), QStringLiteral("127.0.0.1:0")};
        if (boardPort > 0)
            arguments << QStringLiteral("--board") << QStringLiteral("modbus")
                      << QStringLiteral("--modbus-port") << QString::number(boardPort);
        process.setArguments(arguments + extraArguments);
        process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    }
    ~ChildProgram() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
    QString tracePath() const { return dir.filePath(QStringLiteral("trace.log")); }
    void Signal(int signal) { ::kill(static_cast<pid_t>(process.processId()), signal); }
    // True once the start-up went through (the rotctld endpoint listens only after it).
    bool Started() {
        output += QString::fromLocal8Bit(process.readAllStandardOutput());
        return output.contains(QStringLiteral("rotctld: listening"));
    }

    QTemporaryDir dir;
    QProcess process;
    QString output;
};

QString UniqueName() {
    return QStringLiteral("azelmon-e2e-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

bool RightTurnOn(const BoardsimProcess& board) {
    const auto coils = board.Coils();
    return coils && (*coils)[0] == 1;
}

// SIGTERM, SIGHUP (the terminal closed), SIGQUIT and SIGINT at random moments of the move: an orderly
// end with code 0 every time.
TEST(Exit, TerminatingSignalsEndTheProgramTheOrderlyWay) {
    BoardsimProcess board;
    ASSERT_TRUE(board.Start(
        {QStringLiteral("--az"), QStringLiteral("2"), QStringLiteral("--el"), QStringLiteral("10")}));
    const int endSignals[] = {SIGTERM, SIGHUP, SIGQUIT, SIGINT, SIGTERM, SIGHUP};
    QRandomGenerator random(20261208);
    for (int signal : endSignals) {
        const int afterMs = random.bounded(50, 1500);
        SCOPED_TRACE("signal " + std::to_string(signal) + " after " + std::to_string(afterMs) + " ms");
        ChildProgram program(board.port(), UniqueName());
        program.process.start();
        ASSERT_TRUE(program.process.waitForStarted(5000));
        ASSERT_TRUE(WaitFor([&] { return RightTurnOn(board); }, 15000)) << board.Output().toStdString();
        WaitFor([] { return false; }, afterMs);
        program.Signal(signal);
        ASSERT_TRUE(program.process.waitForFinished(10000));
        EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.process.exitCode(), 0);
        const TraceCheck check = CheckTrace(program.tracePath());
        EXPECT_TRUE(check.ended);
        EXPECT_TRUE(check.onAfterEnd.isEmpty()) << check.onAfterEnd.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(board.AllCoilsOff()) << board.Output().toStdString();
        // Back out of range for the next round.
        board.Output();
    }
}

// A crash writes the relays off on the board's own connection and still dies of its signal.
TEST(Exit, ACrashSwitchesTheRelaysOffAndStillDies) {
    for (int signal : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL}) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        BoardsimProcess board;
        ASSERT_TRUE(board.Start(
            {QStringLiteral("--az"), QStringLiteral("2"), QStringLiteral("--el"), QStringLiteral("10")}));
        ChildProgram program(board.port(), UniqueName());
        program.process.start();
        ASSERT_TRUE(program.process.waitForStarted(5000));
        ASSERT_TRUE(WaitFor([&] { return RightTurnOn(board); }, 15000)) << board.Output().toStdString();
        program.Signal(signal);
        ASSERT_TRUE(program.process.waitForFinished(10000));
        EXPECT_EQ(program.process.exitStatus(), QProcess::CrashExit);
        EXPECT_TRUE(board.AllCoilsOff()) << board.Output().toStdString();
    }
}

// Qt ends the process with exit() when the X server goes away; the relays go off first.
TEST(Exit, LosingTheXServerSwitchesTheRelaysOff) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    // Xvfb picks a free display itself and prints its number: no clash with another test's server.
    QProcess server;
    server.setProgram(xvfb);
    server.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                         QStringLiteral("tcp")});
    server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    server.start();
    ASSERT_TRUE(server.waitForStarted(5000));
    QString display;
    ASSERT_TRUE(WaitFor(
        [&] {
            display += QString::fromLatin1(server.readAllStandardOutput());
            return display.endsWith(QLatin1Char('\n'));
        },
        10000));
    display = QLatin1Char(':') + display.trimmed();

    BoardsimProcess board;
    ASSERT_TRUE(board.Start(
        {QStringLiteral("--az"), QStringLiteral("2"), QStringLiteral("--el"), QStringLiteral("10")}));
    ChildProgram program(
        board.port(), UniqueName(), {},
        {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")}, {QStringLiteral("DISPLAY"), display}});
    program.process.start();
    ASSERT_TRUE(program.process.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&] { return RightTurnOn(board); }, 15000))
        << board.Output().toStdString() << program.process.readAllStandardError().toStdString();
    server.kill();
    server.waitForFinished(3000);
    ASSERT_TRUE(program.process.waitForFinished(10000));
    EXPECT_TRUE(board.AllCoilsOff()) << board.Output().toStdString()
                                     << program.process.readAllStandardError().toStdString();
    EXPECT_TRUE(CheckTrace(program.tracePath()).ended);
}

// 25 copies started at once under one name: exactly one gets through its start-up (the others wait on
// "既に起動されています。"). A copy killed with SIGKILL leaves nothing that blocks the next start.
TEST(SingleCopy, TwentyFiveSimultaneousStartsGiveOneRunningCopy) {
    const QString name = UniqueName();
    std::vector<std::unique_ptr<ChildProgram>> copies;
    for (int i = 0; i < 25; ++i)
        copies.push_back(std::make_unique<ChildProgram>(0, name));
    for (auto& copy : copies)
        copy->process.start();
    const auto startedCount = [&copies] {
        int n = 0;
        for (auto& copy : copies)
            n += copy->Started() ? 1 : 0;
        return n;
    };
    ASSERT_TRUE(WaitFor([&] { return startedCount() >= 1; }, 40000));
    // The others have had their chance by now.
    WaitFor([] { return false; }, 5000);
    EXPECT_EQ(startedCount(), 1);
    ChildProgram* winner = nullptr;
    for (auto& copy : copies)
        if (copy->Started())
            winner = copy.get();
    ASSERT_NE(winner, nullptr);
    for (auto& copy : copies) {
        if (copy.get() != winner) {
            EXPECT_EQ(copy->process.state(), QProcess::Running) << "a refused copy waits on its message";
        }
    }
    copies.clear(); // SIGKILL, every one of them, the running copy included

    ChildProgram next(0, name);
    next.process.start();
    EXPECT_TRUE(WaitFor([&next] { return next.Started(); }, 20000))
        << next.process.readAllStandardError().toStdString();
    next.process.kill();
    next.process.waitForFinished(3000);
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The built program's idle cost, counted rather than timed: tracking for 20 s on the simulated board
// under the offscreen platform, it may wake its event loop and fire timers only so often. A count does
// not depend on the machine's speed or load, and no test clock can hide a timer that spins.
#include "E2eSupport.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QUuid>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>

namespace {

// Seconds of automatic tracking counted, and what they may cost. Tracking wakes the loop for the
// once-a-second cycle and the data server's answer, the 800 ms positioning step, the pulses and the
// relay leases: on a target that stands still about 6 wake-ups and 3 timer firings a second, start-up
// and end included. A timer restarted at 1 ms makes hundreds.
constexpr int TrackingSeconds = 20;
constexpr int MostWakeupsPerSecond = 15;
constexpr int MostTimerFiringsPerSecond = 10;

long long CountOf(const QString& report, const QString& name) {
    const QRegularExpression line(QStringLiteral("^%1 (\\d+)$").arg(name),
                                  QRegularExpression::MultilineOption);
    const auto match = line.match(report);
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

TEST(IdleCost, TwentySecondsOfTrackingStayUnderTheirWakeupsAndTimerFirings) {
    PrivateBus bus;
    ASSERT_TRUE(bus.ok());
    // The sample satellite held still high in the sky: the antenna reaches it and then stands, its
    // relays off, while the cycle and the positioning step go on judging it.
    TrackServerProcess server;
    ASSERT_TRUE(server.Start(bus, {QStringLiteral("--tle"), QStringLiteral(AZELMON_DATA_DIR "/demo.tle"),
                                   QStringLiteral("--satellite"), QStringLiteral("90001"),
                                   QStringLiteral("--observer"), QStringLiteral("35.68,139.77,40"),
                                   QStringLiteral("--time"), QStringLiteral("2026-12-07T02:27:43Z"),
                                   QStringLiteral("--freeze")}))
        << server.errors().toStdString();

    QTemporaryDir dir;
    FillProgramFolder(dir.path());
    const QString counts = dir.filePath(QStringLiteral("wakeups.txt"));
    const QString trace = dir.filePath(QStringLiteral("trace.log"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    env.insert(QStringLiteral("AZELMON_CONFIG_DIR"), dir.path());
    env.insert(QStringLiteral("AZELMON_INSTANCE_NAME"),
               QStringLiteral("azelmon-e2e-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
    env.insert(QStringLiteral("AZELMON_COUNT_WAKEUPS"), counts);
    env.insert(QStringLiteral("AZELMON_TRACE"), trace);
    env.insert(QStringLiteral("AZELMON_START_AUTOMATIC"), QStringLiteral("1"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir.path());
    program.setProgram(QStringLiteral(AZELMON_PATH));
    program.setArguments({QStringLiteral("--board"), QStringLiteral("sim"), QStringLiteral("--sim-az"),
                          QStringLiteral("150"), QStringLiteral("--sim-el"), QStringLiteral("20"),
                          QStringLiteral("--rotctld-listen"), QStringLiteral("off")});
    program.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    program.start();
    ASSERT_TRUE(program.waitForStarted(5000));

    const auto traceText = [&trace] {
        QFile file(trace);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    const auto trackingCycles = [&traceText] { return traceText().count(QStringLiteral(" cycle mode=2 ")); };
    // Counted from the first cycle of automatic tracking on: start-up and the end are in the count too,
    // and are small beside it.
    ASSERT_TRUE(WaitFor([&] { return trackingCycles() > 0; }, 20000))
        << traceText().toStdString() << program.readAllStandardError().toStdString();
    WaitFor([] { return false; }, TrackingSeconds * 1000);
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();

    const QString log = traceText();
    // It did track: a cycle a second in automatic mode, and the antenna moved onto the satellite.
    EXPECT_GE(trackingCycles(), TrackingSeconds - 2) << log.toStdString();
    EXPECT_TRUE(log.contains(QRegularExpression(QStringLiteral(" write \\d 1\\n")))) << log.toStdString();

    QFile file(counts);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "no counts written";
    const QString report = QString::fromUtf8(file.readAll());
    const long long wakeups = CountOf(report, QStringLiteral("wakeups"));
    const long long timers = CountOf(report, QStringLiteral("timers"));
    ASSERT_GT(wakeups, 0) << report.toStdString();
    ASSERT_GT(timers, 0) << report.toStdString();
    // The whole run is counted (start-up, the 20 s, the end); the bounds are per second of tracking.
    EXPECT_LE(wakeups, MostWakeupsPerSecond * TrackingSeconds) << report.toStdString();
    EXPECT_LE(timers, MostTimerFiringsPerSecond * TrackingSeconds) << report.toStdString();
}

} // namespace

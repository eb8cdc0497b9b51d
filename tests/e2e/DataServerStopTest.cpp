// SPDX-License-Identifier: GPL-3.0-or-later
// The data server stopped (SIGSTOP: it holds its bus name but answers nothing) while a manual move
// runs. The window must not wait for it: the move is watched and stopped at its point as usual.
#include "E2eSupport.h"
#include "mainwindow/TrackingController.h"
#include "tracking/TrackingCycle.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Milliseconds of the "cycle" lines of a run trace.
QList<qint64> CycleTimes(const QString& path) {
    QFile file(path);
    QList<qint64> times;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return times;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (line.contains(" cycle "))
            times << line.left(line.indexOf(' ')).toLongLong();
    }
    return times;
}

TEST(DataServerStopped, NeitherTheWindowNorTheMoveWaitsForIt) {
    Program p;
    const QString tracePath = p.dir.filePath(QStringLiteral("trace.log"));
    ASSERT_TRUE(p.StartBus());
    ASSERT_TRUE(p.StartServer({QStringLiteral("--freeze")})) << p.server.errors().toStdString();
    ASSERT_TRUE(p.StartBoard(
        {QStringLiteral("--az"), QStringLiteral("100"), QStringLiteral("--el"), QStringLiteral("10")}));
    p.WriteSettings();
    qputenv("AZELMON_TRACE", tracePath.toUtf8());
    const bool launched = p.Launch();
    qunsetenv("AZELMON_TRACE");
    ASSERT_TRUE(launched);
    ASSERT_TRUE(p.WaitUntilReady());

    p.ClickMap(160, 10);
    QTest::mouseClick(p.window->Command2, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&p] { return p.board.Output().contains(QStringLiteral("relay 4 1")); }, 5000));
    p.server.Freeze();
    QElapsedTimer stopped;
    stopped.start();
    const qint64 stoppedAt = p.clock.MonotonicMs();
    const TrackingCycle& cycle = p.window->tracking().cycle();
    const int runsBefore = cycle.CyclesRun();

    // How long the event loop went without running a 20 ms timer.
    QElapsedTimer sinceProbe;
    sinceProbe.start();
    qint64 longestGap = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceProbe.restart()); });
    probe.start(20);

    // The move (60° at 6°/s) ends by itself; then the silence goes on long enough for two more tries.
    const bool ended = WaitFor(
        [&p] {
            return p.window->state().OperatingMode == RunMode::Stopped && !p.window->Command4->isEnabled();
        },
        30000);
    WaitFor([] { return false; }, static_cast<int>(std::max<qint64>(0, 13000 - stopped.elapsed())));
    probe.stop();
    const qint64 silence = stopped.elapsed();

    ASSERT_TRUE(ended) << p.StatusText().toStdString() << " " << p.board.Output().toStdString();
    EXPECT_LT(longestGap, 500) << "the window froze";
    EXPECT_TRUE(p.board.AllCoilsOff());
    // The manual step stops a few degrees short of the point (its near margin); with the window held
    // the motor ran on past it.
    EXPECT_LE(p.ShownAzimuth(), 160 + p.window->state().AzimuthTolerance) << p.board.Output().toStdString();
    EXPECT_GE(p.ShownAzimuth(), 150) << p.board.Output().toStdString();
    EXPECT_TRUE(p.StatusText().contains(QStringLiteral("応答がありません"))) << p.StatusText().toStdString();

    // A cycle a second, each one measuring, all through the silence.
    EXPECT_GE(cycle.CyclesRun() - runsBefore, silence / 1000 - 1);
    QList<qint64> ticks;
    for (qint64 t : CycleTimes(tracePath))
        if (t >= stoppedAt)
            ticks << t;
    ASSERT_GE(ticks.size(), silence / 1000 - 1);
    for (qsizetype i = 1; i < ticks.size(); ++i)
        EXPECT_LE(ticks[i] - ticks[i - 1], 1200) << "cycle " << i << " of the silence";

    // Let go, the server answers what waited and the next cycles take fresh values again.
    p.server.Thaw();
    EXPECT_TRUE(WaitFor([&p] { return p.StatusText().contains(QStringLiteral("応答が戻りました")); }, 15000))
        << p.StatusText().toStdString();
    EXPECT_TRUE(p.messages.texts.isEmpty()) << p.messages.texts.join(QLatin1Char('/')).toStdString();
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The tracking cycle and a data server that does not answer: the cycle never waits for it longer
// than its answer wait, and goes on measuring and positioning with the values it has.
#include "WindowFixture.h"
#include "rotator/RotatorControl.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

struct SilentServer : WindowFixture {
    const QString orbiTopic = QStringLiteral("ORBI|EXTRN");

    // The window started and its first cycle run; from now on the server holds every answer.
    Form1& StartAndHold() {
        Form1& w = Start();
        Tick();
        EXPECT_TRUE(ButtonsReady());
        world.link.holdBatches = true;
        return w;
    }
    TrackingCycle& cycle() { return window->tracking().cycle(); }
};

// One held batch: the tick waits without measuring; the wait's end measures with the old values and
// says the server is silent; later ticks neither wait nor ask again while that batch is under way;
// its late answer is taken by the next cycle, and the one after waits for its answers again.
TEST_F(SilentServer, TheCycleGoesOnWithoutTheAnswersAndTakesLateOnes) {
    StartAndHold();
    const int runs = cycle().CyclesRun();
    const std::size_t reads = world.board.reads.size();
    const auto waiting = Tick();
    EXPECT_TRUE(waiting.waitingForAnswers);
    EXPECT_EQ(world.board.reads.size(), reads) << "measured before the answers";
    ASSERT_EQ(world.link.heldBatches.size(), 1u);
    EXPECT_EQ(world.link.heldBatches[0].first.size(), 13u);

    world.clock.Advance(TrackingCycle::AnswerWaitMs);
    cycle().AnswerWaitOver();
    EXPECT_EQ(cycle().CyclesRun(), runs + 1);
    EXPECT_GT(world.board.reads.size(), reads);
    EXPECT_FALSE(cycle().lastReport().refreshed);
    EXPECT_EQ(world.status.left, TrackingCycle::LostText("ORBI"));
    EXPECT_EQ(window->lblAz->text(), "123.46");

    for (int i = 0; i < 3; ++i) {
        const auto report = Tick();
        EXPECT_FALSE(report.waitingForAnswers);
        EXPECT_TRUE(report.ran);
    }
    EXPECT_EQ(world.link.heldBatches.size(), 1u) << "a second batch behind the first";
    EXPECT_EQ(cycle().CyclesRun(), runs + 4);

    // A late answer is used, and the server counted back, only by a cycle: the status line never says
    // it is back while the boxes show the old values. The next tick does not wait (still silent).
    world.link.servers[orbiTopic][QStringLiteral("TEXT2")] = QStringLiteral("200.5");
    world.link.AnswerHeldBatches();
    EXPECT_EQ(world.status.left, TrackingCycle::LostText("ORBI"));
    EXPECT_EQ(window->lblAz->text(), "123.46");
    const auto late = Tick();
    EXPECT_FALSE(late.waitingForAnswers);
    EXPECT_TRUE(late.refreshed);
    EXPECT_EQ(window->lblAz->text(), "200.50");
    EXPECT_EQ(world.status.left, TrackingCycle::RestoredText("ORBI"));

    // Answers in time: the cycle goes on as soon as they are in.
    world.link.servers[orbiTopic][QStringLiteral("TEXT2")] = QStringLiteral("201.5");
    world.link.AnswerHeldBatches();
    EXPECT_TRUE(Tick().waitingForAnswers);
    world.link.AnswerHeldBatches();
    EXPECT_FALSE(cycle().WaitingForAnswers());
    EXPECT_TRUE(cycle().lastReport().refreshed);
    EXPECT_EQ(window->lblAz->text(), "201.50");
    EXPECT_EQ(world.status.left, TrackingCycle::RestoredText("ORBI"));
}

// Automatic tracking of a target that no longer moves stops five seconds after the last answer,
// as it did when each request held the window. (Here the wait's timer never runs: the next tick ends
// the wait itself.)
TEST_F(SilentServer, AutomaticTrackingStopsWhenTheValuesGrowStale) {
    // Mid-scale, so the rotator watch (a count pinned at 0 with the motor on) stays out of it.
    world.board.counts[0] = 300;
    world.board.counts[1] = 100;
    Form1& w = StartAndHold();
    w.Command3->click();
    ASSERT_EQ(w.state().OperatingMode, RunMode::Automatic);
    ASSERT_FALSE(world.board.AllRelaysOff());
    EXPECT_TRUE(Tick().waitingForAnswers);
    const int runs = cycle().CyclesRun();
    EXPECT_TRUE(Tick().ran);
    EXPECT_EQ(cycle().CyclesRun(), runs + 2) << "the waiting cycle and this one";
    EXPECT_EQ(world.status.left, TrackingCycle::LostText("ORBI"));
    for (int i = 0; i < 4 && w.state().OperatingMode == RunMode::Automatic; ++i)
        Tick();
    EXPECT_EQ(w.state().OperatingMode, RunMode::Stopped);
    EXPECT_TRUE(world.board.AllRelaysOff());
    EXPECT_EQ(world.status.left, TrackingCycle::StoppedText("ORBI"));
    EXPECT_TRUE(ButtonsReady());
}

// A batch that never reports (a fault of the link) does not stop the refresh for good: after a while
// another one is sent, and the old one's answer, should it come after all, is not used.
TEST_F(SilentServer, ABatchThatNeverReportsIsGivenUp) {
    StartAndHold();
    EXPECT_TRUE(Tick().waitingForAnswers);
    for (int second = 1; world.link.heldBatches.size() < 2 && second < 60; ++second)
        Tick();
    ASSERT_EQ(world.link.heldBatches.size(), 2u);
    EXPECT_GE(world.clock.nowMs, TrackingCycle::AbandonBatchMs);
    auto first = std::move(world.link.heldBatches.front());
    world.link.heldBatches.erase(world.link.heldBatches.begin());
    world.link.servers[orbiTopic][QStringLiteral("TEXT2")] = QStringLiteral("10");
    first.second({{}, PortError{286, QStringLiteral("late")}, 1});
    EXPECT_EQ(world.status.left, TrackingCycle::LostText("ORBI")) << "the given-up batch told nothing";
    world.link.AnswerHeldBatches();
    Tick();
    EXPECT_EQ(world.status.left, TrackingCycle::RestoredText("ORBI"));
    EXPECT_EQ(window->lblAz->text(), "10.00");
}

// Answers, or the end of the wait, that come after Timer1 was stopped (settings dialog open, program
// ending) do not run the rest of the cycle: nothing is measured or switched then.
TEST_F(SilentServer, NothingGoesOnOnceTheCycleTimerIsStopped) {
    for (bool answered : {true, false}) {
        SCOPED_TRACE(answered ? "answers" : "wait over");
        Form1& w = StartAndHold();
        EXPECT_TRUE(Tick().waitingForAnswers);
        w.Timer1->stop();
        const std::size_t reads = world.board.reads.size(), writes = world.board.writes.size();
        const int runs = cycle().CyclesRun();
        if (answered)
            world.link.AnswerHeldBatches();
        else
            cycle().AnswerWaitOver();
        EXPECT_EQ(cycle().CyclesRun(), runs);
        EXPECT_EQ(world.board.reads.size(), reads);
        EXPECT_EQ(world.board.writes.size(), writes);
        EXPECT_FALSE(cycle().WaitingForAnswers());
        window.reset();
        world.link.holdBatches = false;
        world.link.heldBatches.clear();
    }
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's part in relay safety: the settings dialog and the start-up return, boxes shown with
// every relay off, and the way out during a positioning pause.
#include "WindowFixture.h"
#include "mainwindow/SettingsController.h"
#include "mainwindow/SingleInstance.h"
#include "rotator/RotatorControl.h"
#include "settingsdialog/Form2.h"
#include "support/ScenarioForTests.h"
#include "support/StepPhases.h"

#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QUuid>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Safety = WindowFixture;

// The antenna starts below its azimuth range (0° with 100..340): the first cycle turns it right.
TEST_F(Safety, SettingsDialogDuringTheStartUpReturnStopsItAndNeverFreesTheButtonsEarly) {
    WriteFile(QStringLiteral("rotorcfg.ini"),
              "[HPOSITION]\r\nH-RANGE=100,340\r\nHVOLT0=1.3889\r\nHVOLT360=4.7222\r\n");
    Form1& w = Start();
    EXPECT_FALSE(w.menuset->isEnabled()); // from the start until the antenna is known to be in range
    Tick();
    ASSERT_EQ(world.board.Level(4), 1);
    EXPECT_FALSE(w.menuset->isEnabled());
    EXPECT_FALSE(w.menuhelp->isEnabled());

    // Reached anyway (a shortcut, say): every relay goes off before the dialog shows.
    w.menuhoseiti->trigger();
    Form2* dialog = w.settings().settingsDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(world.board.AllRelaysOff());
    EXPECT_EQ(w.state().piob4, 0);

    // Closed without a save, still out of range: the return goes on and the buttons wait for it.
    dialog->Command1->click();
    EXPECT_FALSE(w.Command2->isEnabled());
    Tick();
    EXPECT_EQ(world.board.Level(4), 1);
    for (QPushButton* b : {w.Command2, w.Command3, w.Command5, w.Command6})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();

    world.board.counts[0] = 512; // 120°: inside
    Tick();
    EXPECT_TRUE(world.board.AllRelaysOff());
    Tick();
    EXPECT_TRUE(ButtonsReady());
    EXPECT_TRUE(w.menuset->isEnabled());
    EXPECT_TRUE(w.menuhelp->isEnabled());
}

// A refused elevation after the azimuth was set going: the box is shown with every relay off, and the
// abort that follows ends the operation.
TEST_F(Safety, OutOfRangeRefusalIsShownWithEveryRelayOff) {
    Form1& w = Start();
    Tick();
    ASSERT_TRUE(ButtonsReady());
    MainState& s = w.state();
    s.module.ElevationRangeMin = 10;
    s.PointMarkShown = 1;
    s.PointedAzimuth = 50;
    s.PointedElevation = 5;
    world.messages.texts.clear();
    bool offWhileShown = false;
    world.messages.onShow = [&](const QString&) {
        offWhileShown = world.board.AllRelaysOff();
        // The box lets the timers run: a positioning step meanwhile switches nothing on.
        w.rotator().Timer2_Timer();
        offWhileShown = offWhileShown && world.board.AllRelaysOff();
    };
    w.Command2->click();
    world.messages.onShow = nullptr;
    ASSERT_EQ(world.messages.texts, QStringList{QStringLiteral("仰角が稼動範囲外が指定された")});
    EXPECT_TRUE(offWhileShown);
    EXPECT_EQ(s.AbortRequested, 1);
    Tick();
    EXPECT_EQ(s.OperatingMode, RunMode::Stopped);
    EXPECT_TRUE(world.board.AllRelaysOff());
}

// Every way out during the follow-up's pauses: the relays go off and stay off however the interrupted
// step goes on.
TEST_F(Safety, EveryWayOutDuringAPauseLeavesEveryRelayOff) {
    struct Row {
        const char* way;
        int exitInPause; // 1: the 0.15 s pulse, 2: the 0.3 s rest
    } const rows[] = {{"終了", 1}, {"close box", 2}, {"閉じる", 2}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.way);
        endCodes.clear();
        world.board.counts[0] = 0;
        Form1& w = Start();
        Tick();
        ASSERT_TRUE(ButtonsReady());
        // Target well ahead and moving on: the follow-up turns right, pauses, and has fallen behind.
        MainState& s = w.state();
        s.OperatingMode = RunMode::Automatic;
        s.ApproachComplete = 1;
        SetOwned(s.TargetName, QStringLiteral("ISS"));
        SetOwned(s.PositionedTargetName, QStringLiteral("ISS"));
        SetMovingTarget(s, 30, 29, 0);
        int pauses = 0;
        std::size_t endedAt = 0;
        const auto during = [&] {
            if (++pauses != row.exitInPause)
                return;
            endedAt = world.board.writes.size();
            if (row.way == std::string("終了"))
                w.Command1->click();
            else if (row.way == std::string("close box"))
                w.close();
            else
                w.menucls->trigger();
        };
        w.rotator().positioning.ContinueTracking();
        RunStepPhases(w.rotator().positioning, world.clock, during);
        ASSERT_GT(endedAt, 0u);
        EXPECT_EQ(endCodes, QList<int>{0});
        for (std::size_t i = endedAt; i < world.board.writes.size(); ++i)
            EXPECT_EQ(world.board.writes[i].level, 0) << "write " << i;
        EXPECT_TRUE(world.board.AllRelaysOff());
        window.reset();
    }
}

// H-RANGE 20,340 calibrated at its ends; the antenna stands at 350°, beyond the range, the elevation at 18°
// inside its range. Nothing is switched for an axis until it has been read, and each good reading decides
// its side and relays afresh.
TEST_F(Safety, TheStartUpReturnDrivesOnlyAxesItHasReadAndFollowsEachReading) {
    struct Row {
        const char* name;
        int failedReads;       // the first reads fail (the whole first cycle: four reads)
        int firstAzimuthCount; // what the first good reading finds
    } const rows[] = {
        {"first reads fail", 4, 995},   // 350°: left, the elevation left alone
        {"first reading below", 0, 30}, // 10.6°: right, then 350° reverses it at once
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteFile(QStringLiteral("rotorcfg.ini"),
                  "[HPOSITION]\r\nH-RANGE=20,340\r\nHVOLT0=0.2778\r\nHVOLT360=4.7222\r\n");
        world.board = RecordingBoard();
        world.board.counts[0] = row.firstAzimuthCount;
        world.board.counts[1] = 102; // 17.9°
        world.board.failReads = row.failedReads;
        Form1& w = Start();
        Tick();
        const auto anyOn = [&] {
            return std::any_of(world.board.writes.begin(), world.board.writes.end(),
                               [](const RecordingBoard::Write& x) { return x.level != 0; });
        };
        if (row.failedReads > 0) {
            EXPECT_FALSE(anyOn()) << "a relay was switched for an axis never read";
            EXPECT_EQ(w.state().AzimuthReturning, 1); // not known to be inside
            EXPECT_FALSE(w.Command2->isEnabled());
        } else {
            EXPECT_EQ(world.board.Level(4), 1); // right, as the reading says
        }
        world.board.counts[0] = 995;
        Tick();
        EXPECT_EQ(world.board.Level(4), 0);
        EXPECT_EQ(world.board.Level(5), 1) << "left, towards the range";
        EXPECT_EQ(world.board.Level(6), 0);
        EXPECT_EQ(world.board.Level(7), 0);
        window.reset();
    }
}

// 中止 (and rotctld's S, which runs the same handler) while the automatic follow-up is parked in a pulse
// wait: every relay off in the click's own event, the operation over, nothing switched on when the step
// resumes; 設定 is not offered until the step has returned, and while the dialog is up the relay layer
// holds every relay off.
TEST_F(Safety, AbortStopsAtOnceAndSettingsWaitsForTheParkedStep) {
    struct Row {
        const char* way;
        int inPause; // 1: the 0.15 s pulse, 2: the 0.3 s rest
    } const rows[] = {{"中止", 1}, {"中止 late", 2}, {"rotctld S", 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.way);
        world.board = RecordingBoard();
        world.board.counts[0] = 28; // 9.9°
        Form1& w = Start();
        Tick();
        ASSERT_TRUE(ButtonsReady());
        w.Command3->click(); // automatic: 自動 busy, 中止 enabled, 設定 disabled
        MainState& s = w.state();
        s.ApproachComplete = 1;
        SetOwned(s.TargetName, QStringLiteral("ISS"));
        SetOwned(s.PositionedTargetName, QStringLiteral("ISS"));
        SetMovingTarget(s, 40, 39, 0);
        int pauses = 0;
        std::size_t stoppedAt = 0;
        bool onBefore = false, offAtOnce = false, settingsOffered = true, dialogOpened = true;
        const auto during = [&] {
            if (++pauses != row.inPause)
                return;
            onBefore = world.board.Level(4) == 1; // turning right towards the target
            if (row.way == std::string("rotctld S"))
                w.Command4_Click();
            else
                w.Command4->click();
            offAtOnce = world.board.AllRelaysOff() && s.OperatingMode == RunMode::Stopped;
            stoppedAt = world.board.writes.size();
            settingsOffered = w.menuset->isEnabled();
            w.menuhoseiti->trigger(); // reached anyway: ignored while the step is parked
            dialogOpened = w.settings().settingsDialog() != nullptr;
        };
        w.rotator().Timer2_Timer();
        RunStepPhases(w.rotator().positioning, world.clock, during);
        ASSERT_GT(stoppedAt, 0u);
        EXPECT_TRUE(onBefore);
        EXPECT_TRUE(offAtOnce);
        EXPECT_FALSE(settingsOffered);
        EXPECT_FALSE(dialogOpened);
        for (std::size_t i = stoppedAt; i < world.board.writes.size(); ++i)
            EXPECT_EQ(world.board.writes[i].level, 0) << "write " << i;
        EXPECT_TRUE(world.board.AllRelaysOff());
        EXPECT_EQ(s.OperatingMode, RunMode::Stopped);
        EXPECT_TRUE(w.menuset->isEnabled()) << "offered once the step has returned";

        // The dialog holds every relay off, whoever asks.
        w.menuhoseiti->trigger();
        ASSERT_NE(w.settings().settingsDialog(), nullptr);
        Tick(); // the timers are stopped; a measurement anyway
        EXPECT_FALSE(w.rotator().relays.TurnRight(w.rotator().relays.TakeLease()));
        EXPECT_TRUE(world.board.AllRelaysOff());
        w.settings().settingsDialog()->Command1->click();
        window.reset();
    }
}

// The lock belongs to one holder at a time, even inside one process, and is free again the moment its
// holder lets go.
TEST(SingleInstanceLock, OneHolderAtATime) {
    const QString name = QStringLiteral("azelmon-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    auto first = std::make_unique<SingleInstance>(name);
    EXPECT_FALSE(first->AnotherCopyRunning());
    EXPECT_FALSE(first->AnotherCopyRunning()); // asking again keeps the lock
    SingleInstance second(name);
    EXPECT_TRUE(second.AnotherCopyRunning());
    first.reset();
    SingleInstance third(name);
    EXPECT_FALSE(third.AnotherCopyRunning());
}

// Whatever the environment says (cron, su and ssh leave XDG_RUNTIME_DIR unset or point it elsewhere,
// the working folder differs), the second copy finds the first; and one board takes one program
// whichever user's copy it is, under any spelling of its address.
TEST(SingleInstanceLock, NeitherTheEnvironmentNorAnotherUserGetsPastIt) {
    const QString name = QStringLiteral("azelmon-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir elsewhere;
    const struct {
        const char* environment; // XDG_RUNTIME_DIR for the second copy; nullptr: unset
    } rows[] = {{nullptr}, {"elsewhere"}, {"/nonexistent/runtime"}};
    SingleInstance first(name, SingleInstance::TcpBoardKey(QStringLiteral("127.0.0.1"), 1502));
    ASSERT_EQ(first.Refusal(), std::nullopt);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.environment ? row.environment : "unset");
        if (!row.environment)
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", std::string(row.environment) == "elsewhere"
                                           ? QFile::encodeName(elsewhere.path())
                                           : QByteArray(row.environment));
        SingleInstance second(name);
        EXPECT_EQ(second.Refusal(), QStringLiteral("既に起動されています。"));
    }
    qputenv("XDG_RUNTIME_DIR", runtime);

    // Another user's copy (another user lock) on the same board, its address spelt with blanks.
    SingleInstance otherUser(name + QStringLiteral("-other"),
                             SingleInstance::TcpBoardKey(QStringLiteral(" 127.0.0.1 "), 1502));
    const auto refusal = otherUser.Refusal();
    ASSERT_TRUE(refusal.has_value());
    EXPECT_TRUE(refusal->contains(QStringLiteral("tcp 127.0.0.1:1502"))) << refusal->toStdString();
    EXPECT_TRUE(refusal->contains(QStringLiteral("使用中"))) << refusal->toStdString();
    // Another board (another port) is free.
    SingleInstance otherBoard(name + QStringLiteral("-third"),
                              SingleInstance::TcpBoardKey(QStringLiteral("127.0.0.1"), 1503));
    EXPECT_EQ(otherBoard.Refusal(), std::nullopt);
}

// A lock that cannot be taken at all refuses the start with the reason, instead of letting the copy run
// unchecked (here no descriptor is left for the lock's socket).
TEST(SingleInstanceLock, ALockThatCannotBeTakenRefusesTheStart) {
    const QString name = QStringLiteral("azelmon-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    int results[2];
    ASSERT_EQ(::pipe(results), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Every descriptor number from here on is beyond the limit.
        const int next = ::open("/dev/null", O_RDONLY);
        const rlimit limit{static_cast<rlim_t>(next), static_cast<rlim_t>(next)};
        ::close(next);
        ::setrlimit(RLIMIT_NOFILE, &limit);
        SingleInstance instance(name);
        const auto refusal = instance.Refusal();
        const QByteArray text = refusal ? refusal->toUtf8() : QByteArray("none");
        [[maybe_unused]] const auto sent =
            ::write(results[1], text.constData(), static_cast<size_t>(text.size()));
        ::_exit(0);
    }
    ::close(results[1]);
    QByteArray text;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(results[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<int>(n));
    ::close(results[0]);
    ::waitpid(pid, nullptr, 0);
    EXPECT_TRUE(QString::fromUtf8(text).contains(QStringLiteral("起動を中止します"))) << text.toStdString();
}

// 25 processes ask at the same instant (released together from a pipe): exactly one holds the lock. When
// it is killed with SIGKILL the next one to ask gets it.
TEST(SingleInstanceLock, TwentyFiveAtOnceGiveOneHolderAndAKilledHolderBlocksNobody) {
    const QString name = QStringLiteral("azelmon-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    int gate[2], results[2];
    ASSERT_EQ(::pipe(gate), 0);
    ASSERT_EQ(::pipe(results), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < 25; ++i) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(gate[1]);
            char byte;
            [[maybe_unused]] const auto released = ::read(gate[0], &byte, 1); // returns when the gate closes
            SingleInstance instance(name);
            const char answer = instance.AnotherCopyRunning() ? 'r' : 'h'; // refused or holder
            [[maybe_unused]] const auto sent = ::write(results[1], &answer, 1);
            ::pause(); // holds on until killed
            ::_exit(0);
        }
        children.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]); // all at once
    ::close(results[1]);
    std::string answers;
    char answer;
    while (answers.size() < children.size() && ::read(results[0], &answer, 1) == 1)
        answers += answer;
    ::close(results[0]);
    EXPECT_EQ(answers.size(), 25u);
    EXPECT_EQ(std::count(answers.begin(), answers.end(), 'h'), 1) << answers;
    for (pid_t pid : children) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    SingleInstance next(name);
    EXPECT_FALSE(next.AnotherCopyRunning());
}

} // namespace

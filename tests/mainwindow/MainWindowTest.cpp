#include "WindowFixture.h"
#include "config/Form2.h"
#include "mainwindow/SettingsController.h"
#include "mainwindow/StationsController.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

namespace {

using MainWindow = WindowFixture;

TEST_F(MainWindow, StartUpReadsItsSettingsAndTouchesNoRelay) {
    WriteIni("[WIN_POSITION]\r\nF1_TOP_LEFT=1200:300\r\n[TCP/IP]\r\nIP=127.0.0.1\r\n");
    Form1& w = Start();
    for (QPushButton* b : {w.Command2, w.Command3, w.Command4, w.Command5, w.Command6})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_TRUE(world.board.writes.empty());
    EXPECT_EQ(world.board.address, "127.0.0.1");
    EXPECT_EQ(w.x(), 300 / TwipsPerPixel);
    EXPECT_EQ(w.y(), 1200 / TwipsPerPixel);
    EXPECT_TRUE(endCodes.isEmpty());
}

// A message box during start-up lets timers run; the tracking cycle must not, before the settings are read.
TEST_F(MainWindow, NoTrackingCycleWhileStartUpShowsAMessage) {
    WriteIni("[VPOSITION]\r\nV-RANGE=90,0\r\n");
    Form1& w = Make();
    QList<bool> cycleRunning;
    world.messages.onShow = [&](const QString&) { cycleRunning << w.Timer1->isActive(); };
    ASSERT_TRUE(w.Form_Load());
    ASSERT_FALSE(cycleRunning.isEmpty());
    EXPECT_FALSE(cycleRunning.contains(true));
    EXPECT_TRUE(w.Timer1->isActive());
}

// A second copy, or no data server: one message, then the end, and the board is never touched.
TEST_F(MainWindow, StartUpRefusals) {
    struct Row {
        const char* name;
        std::function<void(MainWindow&)> arrange;
        QString message;
        bool asksServer;
    };
    const Row rows[] = {
        {"second copy", [](MainWindow& f) { f.window->setInstanceCheck([] { return true; }); },
         QStringLiteral("既に起動されています。"), false},
        {"no data server", [](MainWindow& f) { f.world.link.servers.clear(); },
         QStringLiteral("ＯＲＢＩかＣＡＬＳＡＴを起動してからＡＺＥＬＭＯＮを再起動してください"), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        world.link.servers[QStringLiteral("ORBI|EXTRN")] = orbi;
        world.messages.texts.clear();
        world.link.log.clear();
        endCodes.clear();
        Make();
        row.arrange(*this);
        EXPECT_FALSE(window->Form_Load());
        EXPECT_EQ(world.messages.texts, QStringList{row.message});
        EXPECT_EQ(endCodes.size(), 1);
        EXPECT_EQ(world.link.log.isEmpty(), !row.asksServer);
        EXPECT_TRUE(world.board.writes.empty());
        EXPECT_FALSE(window->Timer1->isActive());
    }
}

// With AZELMON_TRACE set, every status-line text goes to the trace with the monotonic time.
TEST_F(MainWindow, TraceRecordsTheStatusLine) {
    const QString path = dir.filePath(QStringLiteral("trace.log"));
    qputenv("AZELMON_TRACE", path.toLocal8Bit());
    Form1& w = Make();
    qunsetenv("AZELMON_TRACE");
    world.clock.Advance(1234);
    w.SetLeft(QStringLiteral("1.水平制御のリトライを実行"));
    w.SetRight(QStringLiteral("エラーメッセージは x"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        QString::fromUtf8(f.readAll()),
        QStringLiteral("1234 status L 1.水平制御のリトライを実行\n1234 status R エラーメッセージは x\n"));
}

TEST_F(MainWindow, WindowPositionIsSavedAndAFailedWriteIsShown) {
    Form1& w = Start();
    w.move(20, 40);
    w.MENU_ITI_Click();
    EXPECT_EQ(w.state().module.WindowPositionText, "600:300");
    QFile f(iniPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("F1_TOP_LEFT=600:300"));

    // A settings path whose folder is a plain file cannot be written.
    QFile blocker(dir.filePath(QStringLiteral("notafolder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Form1 other(world.ports(), dir.filePath(QStringLiteral("notafolder/rotorcfg.ini")));
    other.setEndHandler([](int) {});
    other.MENU_ITI_Click();
    EXPECT_FALSE(other.Label24->text().isEmpty());
}

TEST_F(MainWindow, SettingsDialogHoldsTheButtonsAndTimersUntilClosedUnsaved) {
    Form1& w = Start();
    Tick();
    ASSERT_TRUE(ButtonsReady());
    world.messages.texts.clear();
    // The four timers running, then the four mode buttons enabled.
    const auto held = [&w] {
        std::vector<bool> v;
        for (QTimer* t : {w.Timer1, w.Timer2, w.Timer3, w.Timer4})
            v.push_back(t->isActive());
        for (QPushButton* b : {w.Command2, w.Command3, w.Command5, w.Command6})
            v.push_back(b->isEnabled());
        return v;
    };
    w.menuhoseiti->trigger();
    Form2* dialog = w.settings().settingsDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(held(), std::vector<bool>(8, false));

    dialog->Command1->click();
    EXPECT_EQ(w.state().module.SettingsDialogOpen, QStringLiteral("0"));
    EXPECT_EQ(held(), std::vector<bool>(8, true));
    EXPECT_TRUE(endCodes.isEmpty());
    EXPECT_TRUE(world.messages.texts.isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w.settings().settingsDialog(), nullptr);
}

// Opened twice, each smaller window exists once; Escape leaves it the way its close button does.
TEST_F(MainWindow, SmallWindowsOpenOnceAndCloseWithEscape) {
    Form1& w = Make();
    w.stations().setStationFilePath(dir.filePath(QStringLiteral("azelmon.csv")));
    const std::pair<const char*, QAction*> rows[] = {
        {"Form2", w.menuhoseiti}, {"Form3", w.menuver}, {"Form4", w.menukyoku}};
    for (const auto& [name, action] : rows) {
        SCOPED_TRACE(name);
        action->trigger();
        action->trigger();
        const QList<QWidget*> found = w.findChildren<QWidget*>(QLatin1String(name));
        ASSERT_EQ(found.size(), 1);
        QWidget* small = found.front();
        ASSERT_TRUE(small->isVisible());
        small->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(small, 2000));
        QTest::keyClick(small, Qt::Key_Escape);
        EXPECT_FALSE(small->isVisible());
    }
    EXPECT_EQ(w.state().module.SettingsDialogOpen, "0");
}

TEST_F(MainWindow, TheEndClosesTheHelpWindow) {
    Form1& w = Start();
    w.menusousa->trigger();
    EXPECT_EQ(world.help.shown, 1);
    w.Command1_Click();
    EXPECT_EQ(world.help.closed, 1);
}

} // namespace

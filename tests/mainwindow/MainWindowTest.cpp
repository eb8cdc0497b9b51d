// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowFixture.h"
#include "config/ProfileFile.h"
#include "mainwindow/SettingsController.h"
#include "mainwindow/SystemPorts.h"
#include "mainwindow/WindowPlacement.h"
#include "rotator/RotatorControl.h"
#include "rotator/SimulatedBoard.h"
#include "settingsdialog/Form2.h"
#include "skymap/SkyMapWidget.h"
#include "stations/Form4.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>

namespace {

using MainWindow = WindowFixture;

// The start reads the file once and hands that reading on: the window takes it rather than the file.
TEST_F(MainWindow, StartUpTakesTheSettingsAsTheStartReadThem) {
    WriteFile(QStringLiteral("rotorcfg.ini"), "[TCP/IP]\r\nIP=10.0.0.1\r\n");
    const ProfileDocument settings = ProfileDocument::FromBytes("[TCP/IP]\r\nIP=127.0.0.1\r\n");
    Form1& w = Make();
    ASSERT_TRUE(w.Form_Load(settings));
    EXPECT_EQ(world.board.address, "127.0.0.1");
    EXPECT_EQ(w.state().module.BoardAddress, "127.0.0.1");
}

// A message box during start-up lets timers run; the tracking cycle must not, before the settings are read.
TEST_F(MainWindow, StartUpWithAMessageWritesOnlyTheAllOffAndThePositionRoundTrips) {
    WriteFile(QStringLiteral("rotorcfg.ini"),
              "[WIN_POSITION]\r\nF1_TOP_LEFT=1200:300\r\n[TCP/IP]\r\nIP=127.0.0.1\r\n"
              "[VPOSITION]\r\nV-RANGE=90,0\r\n");
    Form1& w = Make();
    QList<bool> cycleRunning;
    std::size_t writesAtTheBox = 0;
    world.messages.onShow = [&](const QString&) {
        cycleRunning << w.Timer1->isActive();
        writesAtTheBox = world.board.writes.size();
    };
    ASSERT_TRUE(w.Form_Load());
    ASSERT_FALSE(cycleRunning.isEmpty());
    EXPECT_FALSE(cycleRunning.contains(true));
    for (QPushButton* b : {w.Command2, w.Command3, w.Command4, w.Command5, w.Command6})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(w.Timer1->isActive());
    // Only the start-up's all-off, to the configured address, before the box.
    const std::vector<RecordingBoard::Write> off = {{6, 4, 0}, {6, 5, 0}, {6, 6, 0}, {6, 7, 0}};
    EXPECT_EQ(world.board.writes, off);
    EXPECT_EQ(writesAtTheBox, off.size());
    EXPECT_EQ(world.board.address, "127.0.0.1");
    EXPECT_EQ(w.x(), 300 / TwipsPerPixel);
    EXPECT_EQ(w.y(), 1200 / TwipsPerPixel);
    EXPECT_TRUE(endCodes.isEmpty());

    w.move(20, 40);
    w.MENU_ITI_Click();
    EXPECT_EQ(w.state().module.WindowPositionText, "600:300");
    QFile f(iniPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("F1_TOP_LEFT=600:300"));

    // A settings path whose folder is a plain file cannot be written.
    WriteFile(QStringLiteral("notafolder"), {});
    Form1 other(world.ports(), dir.filePath(QStringLiteral("notafolder/rotorcfg.ini")));
    other.setEndHandler([](int) {});
    other.MENU_ITI_Click();
    EXPECT_FALSE(other.Label24->text().isEmpty());
}

// Nobody takes the simulated antenna for the one on the mast: the caption says which board runs.
TEST_F(MainWindow, CaptionNamesTheSimulatedBoard) {
    SimulatedBoard simulated(world.clock);
    const struct {
        IoBoard* board;
        QString caption;
    } rows[] = {
        {&world.board, QStringLiteral("アゼルモンv1.21")},
        {&simulated, QStringLiteral("アゼルモンv1.21（シミュレーション）")},
    };
    for (const auto& row : rows) {
        Ports ports = world.ports();
        ports.board = row.board;
        Form1 w(ports, iniPath());
        w.setEndHandler([](int) {});
        EXPECT_EQ(w.windowTitle(), row.caption);
    }
}

// A second copy or a board another program drives: one message, the end, and the board is never
// touched. No data server: the relays are written off (a right turn left on by a killed copy is named on
// the status line) before the message, then the end.
TEST_F(MainWindow, StartUpRefusals) {
    const QString boardBusy = QStringLiteral("ボード（tcp 127.0.0.1:502）は他の azelmon が使用中です。");
    const struct {
        std::optional<QString> refusal;
        QString message;
        bool rightTurnLeftOn;
    } rows[] = {
        {QStringLiteral("既に起動されています。"), QStringLiteral("既に起動されています。"), true},
        {boardBusy, boardBusy, true},
        {std::nullopt,
         QStringLiteral("ＯＲＢＩかＣＡＬＳＡＴを起動してからＡＺＥＬＭＯＮを再起動してください"), false},
        {std::nullopt,
         QStringLiteral("ＯＲＢＩかＣＡＬＳＡＴを起動してからＡＺＥＬＭＯＮを再起動してください"), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.message.toStdString());
        const bool locked = row.refusal.has_value();
        world.link.servers.clear();
        if (locked)
            world.link.servers[QStringLiteral("ORBI|EXTRN")] = orbi;
        world.messages.texts.clear();
        world.link.log.clear();
        endCodes.clear();
        world.board.WriteOutputBit(6, 4, row.rightTurnLeftOn ? 1 : 0);
        world.board.writes.clear();
        bool offWhenShown = false;
        world.messages.onShow = [&](const QString&) { offWhenShown = world.board.AllRelaysOff(); };
        Make().setInstanceCheck([&row] { return row.refusal; });
        EXPECT_FALSE(window->Form_Load());
        world.messages.onShow = nullptr;
        EXPECT_EQ(world.messages.texts, QStringList{row.message});
        EXPECT_EQ(endCodes.size(), 1);
        EXPECT_EQ(world.link.log.isEmpty(), locked);
        EXPECT_EQ(world.board.writes.empty(), locked);
        EXPECT_EQ(offWhenShown, !locked);
        EXPECT_EQ(window->Label24->text().contains(QStringLiteral("右回転のリレーがオンでした")),
                  !locked && row.rightTurnLeftOn)
            << window->Label24->text().toStdString();
        EXPECT_FALSE(window->Timer1->isActive());
    }
}

TEST_F(MainWindow, SettingsDialogHoldsTheButtonsAndTimersUntilClosedUnsaved) {
    Form1& w = Start();
    Tick();
    ASSERT_TRUE(ButtonsReady());
    world.messages.texts.clear();
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
    // Timer3 waits for a relay to go on.
    EXPECT_EQ(held(), (std::vector<bool>{true, true, false, true, true, true, true, true}));
    EXPECT_TRUE(endCodes.isEmpty());
    EXPECT_TRUE(world.messages.texts.isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w.settings().settingsDialog(), nullptr);
}

// Timer3 moves the simulated counts of the relays that are on, which stand for motors not on the
// board; so it runs only while such a relay is on, and never while the timers are held (settings
// dialog) or after the end. It follows the relays each time the event loop is about to wait.
TEST_F(MainWindow, Timer3RunsOnlyWhileARelayOfASimulatedAxisIsOn) {
    Form1& w = Start();
    Tick();
    MainState& s = w.state();
    ASSERT_EQ(s.AzimuthMotorText, "1");
    RelayOutputs& relays = w.rotator().relays;
    const struct {
        const char* name;
        std::function<void()> step;
        bool running;
    } rows[] = {
        {"idle", [] {}, false},
        {"right, motor on the board", [&] { relays.TurnRight(relays.TakeLease()); }, false},
        {"right, simulated", [&] { s.AzimuthMotorText = QStringLiteral("0"); }, true},
        {"azimuth stopped", [&] { relays.StopAzimuth(); }, false},
        {"down, motor on the board", [&] { relays.MoveDown(relays.TakeLease()); }, false},
        {"down, simulated", [&] { s.ElevationMotorText = QStringLiteral("0"); }, true},
        {"timers held", [&] { w.StopTimers(); }, false},
        {"timers again", [&] { w.StartTimers(); }, true},
        {"end", [&] { w.EndProgram(0); }, false},
        {"on after the end", [&] { relays.TurnLeft(relays.TakeLease()); }, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        r.step();
        emit QAbstractEventDispatcher::instance()->aboutToBlock();
        EXPECT_EQ(w.Timer3->isActive(), r.running);
    }
    EXPECT_TRUE(relays.AllOff());
}

// Opened twice, each smaller window exists once; Escape leaves it the way its close button does.
TEST_F(MainWindow, SmallWindowsOpenOnceAndCloseWithEscape) {
    Form1& w = Make();
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
    // The help window is not one of them, but the end closes it too.
    w.menusousa->trigger();
    EXPECT_EQ(world.help.shown, 1);
    w.Command1_Click();
    EXPECT_EQ(world.help.closed, 1);
}

// A position saved on a monitor that is gone opens on the screen nearest to it.
TEST(WindowPlacement, OffEveryScreenComesToTheNearestScreen) {
    const QList<QRect> two{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const struct {
        QRect saved;
        QPoint expected;
    } rows[] = {
        {QRect(37, 649, 353, 440), QPoint(37, 649)},      // on the first screen: left alone
        {QRect(1880, 40, 353, 440), QPoint(1880, 40)},    // across both: left alone
        {QRect(2500, 1500, 353, 440), QPoint(2500, 584)}, // below the second: up onto it
        {QRect(-900, 300, 353, 440), QPoint(0, 300)},     // left of the first
        {QRect(9000, -500, 353, 440), QPoint(2847, 0)},   // far right and above
        {QRect(3190, 1014, 353, 440), QPoint(2847, 584)}, // a 10x10 corner is no usable part
    };
    for (const auto& r : rows)
        EXPECT_EQ(PlaceOnScreens(r.saved, two), r.expected) << r.saved.x() << "," << r.saved.y();
    EXPECT_EQ(PlaceOnScreens(QRect(0, 0, 2000, 2000), {QRect(0, 0, 800, 600)}), QPoint(0, 0));
    EXPECT_EQ(PlaceOnScreens(QRect(5000, 5000, 10, 10), {}), QPoint(5000, 5000));
}

TEST_F(MainWindow, SavedPositionOffEveryScreenOpensOnAScreen) {
    WriteFile(QStringLiteral("rotorcfg.ini"), "[WIN_POSITION]\r\nF1_TOP_LEFT=30000:30000\r\n");
    Form1& w = Start();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(w.geometry().topLeft())) << w.x() << "," << w.y();
}

// The running mode shows as a flat light green button, the exact colour, not a shaded hint of it.
TEST_F(MainWindow, BusyButtonIsFilledWithTheExactLightGreen) {
    Form1& w = Make();
    w.show();
    const auto greenShare = [](QPushButton* b) {
        const QImage image = b->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int green = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                green += image.pixel(x, y) == qRgb(192, 255, 192) ? 1 : 0;
        return double(green) / (image.width() * image.height());
    };
    Form1::SetButtonBusy(w.Command2, true);
    EXPECT_GT(greenShare(w.Command2), 0.6);
    Form1::SetButtonBusy(w.Command2, false);
    EXPECT_EQ(greenShare(w.Command2), 0.0);
}

// With the information panel hidden no part of it shows at the window's right edge.
TEST_F(MainWindow, HiddenInformationPanelLeavesNothingAtTheEdge) {
    Form1& w = Make();
    w.show();
    const auto showing = [&w] {
        QStringList names;
        for (QWidget* child : w.central->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisibleTo(&w) && child->geometry().right() >= w.width())
                names << child->objectName();
        }
        return names;
    };
    ASSERT_FALSE(w.Check2->isChecked());
    EXPECT_EQ(showing(), QStringList());
    EXPECT_FALSE(w.Text[5]->isVisibleTo(&w));
    w.Check2->click();
    EXPECT_TRUE(w.Text[5]->isVisibleTo(&w));
    EXPECT_TRUE(w.findChild<QLabel*>(QStringLiteral("PanelLabel19"))->isVisibleTo(&w));
    EXPECT_EQ(showing(), QStringList());
    w.Check2->click();
    EXPECT_FALSE(w.Text[19]->isVisibleTo(&w));
}

// No browser to start (a bare SSH session): the address is given in a message instead of nothing.
TEST_F(MainWindow, HomePageWithoutABrowserGivesTheAddress) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("help")));
    WriteFile(QStringLiteral("help/index.html"), "<html></html>");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    Form1& w = Make();
    world.browser.starts = false;
    w.menuhome->trigger();
    ASSERT_EQ(world.browser.opened.size(), 1);
    ASSERT_EQ(world.messages.texts.size(), 1);
    EXPECT_TRUE(world.messages.texts[0].contains(world.browser.opened[0]))
        << world.messages.texts[0].toStdString();
    world.browser.starts = true;
    w.menuhome->trigger();
    EXPECT_EQ(world.messages.texts.size(), 1);
    QDir::setCurrent(previous);
}

// Ending the program while the station editor holds an added station saves it instead of losing it.
TEST_F(MainWindow, EndingTheProgramSavesTheEditorsUnsavedEntries) {
    const struct {
        const char* name;
        std::function<void(Form1&)> end;
    } rows[] = {
        {"exit button", [](Form1& w) { w.Command1_Click(); }},
        {"settings restart",
         [](Form1& w) {
             w.menuhoseiti->trigger();
             Form2* dialog = w.settings().settingsDialog();
             ASSERT_NE(dialog, nullptr);
             dialog->Command4->click(); // save
             ASSERT_TRUE(dialog->SettingsSaved());
             dialog->Command1->click(); // close: the restart demand ends the program
         }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        WriteFile(QStringLiteral("azelmon.csv"), "1,1,A,--:--,--:--\r\n");
        endCodes.clear();
        Form1& w = Start();
        w.menukyoku->trigger();
        Form4* editor = w.stations().Editor();
        ASSERT_NE(editor, nullptr);
        editor->Text1->setText(QStringLiteral("2"));
        editor->Text2->setText(QStringLiteral("2"));
        editor->Text3->setText(QStringLiteral("B"));
        editor->Command1->click();
        ASSERT_EQ(editor->ListCount(), 2);
        r.end(w);
        EXPECT_EQ(endCodes, QList<int>{0});
        QFile f(dir.filePath(QStringLiteral("azelmon.csv")));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), QByteArray("1,1,A,--:--,--:--\r\n2,2,B,--:--,--:--\r\n"));
    }
}

using AccessibilityFixture = WindowFixture;

TEST_F(AccessibilityFixture, EveryControlHasANameOrDescription) {
    Form1& w = Make();
    QList<QWidget*> controls{w.Shape[1], w.Shape[2], w.Shape[3], w.Shape[4], w.Picture1};
    for (QWidget* child : w.central->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QLineEdit*>(child) ||
            qobject_cast<QComboBox*>(child) || qobject_cast<QSlider*>(child) || qobject_cast<QLabel*>(child))
            controls << child;
    }
    // The value displays start empty, so their description alone must speak for them.
    for (QLabel* label : {w.lblAz, w.lblEl, w.Label23, w.Label18, w.Label24, w.Label25, w.Label26, w.Label27})
        label->clear();
    ASSERT_GT(controls.size(), 50);
    for (QWidget* control : controls) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(iface, nullptr) << control->objectName().toStdString();
        EXPECT_FALSE(iface->text(QAccessible::Name).trimmed().isEmpty() &&
                     iface->text(QAccessible::Description).trimmed().isEmpty())
            << control->objectName().toStdString();
    }
}

TEST(MessageBoxKeys, ReturnAndEscapeCloseTheBox) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        bool closedByKey = false;
        QTimer::singleShot(0, [key, &closedByKey] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            QTest::keyClick(box, key);
            closedByKey = QApplication::activeModalWidget() == nullptr;
            if (!closedByKey)
                box->done(0); // so that the test cannot hang
        });
        MessageBoxSink().ShowMessage(QStringLiteral("テスト"));
        EXPECT_TRUE(closedByKey) << "key " << key;
    }
}

} // namespace

#include "WindowFixture.h"
#include "config/Form2.h"
#include "mainwindow/SettingsController.h"
#include "mainwindow/SystemPorts.h"
#include "skymap/SkyMapWidget.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QTest>
#include <QTimer>

namespace {

using MainWindow = WindowFixture;

// A message box during start-up lets timers run; the tracking cycle must not, before the settings are read.
TEST_F(MainWindow, StartUpWithAMessageTouchesNoRelayAndThePositionRoundTrips) {
    WriteFile(QStringLiteral("rotorcfg.ini"),
              "[WIN_POSITION]\r\nF1_TOP_LEFT=1200:300\r\n[TCP/IP]\r\nIP=127.0.0.1\r\n"
              "[VPOSITION]\r\nV-RANGE=90,0\r\n");
    Form1& w = Make();
    QList<bool> cycleRunning;
    world.messages.onShow = [&](const QString&) { cycleRunning << w.Timer1->isActive(); };
    ASSERT_TRUE(w.Form_Load());
    ASSERT_FALSE(cycleRunning.isEmpty());
    EXPECT_FALSE(cycleRunning.contains(true));
    for (QPushButton* b : {w.Command2, w.Command3, w.Command4, w.Command5, w.Command6})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_TRUE(world.board.writes.empty());
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

// A second copy, or no data server: one message, then the end, and the board is never touched.
TEST_F(MainWindow, StartUpRefusals) {
    const struct {
        bool secondCopy;
        QString message;
    } rows[] = {
        {true, QStringLiteral("既に起動されています。")},
        {false, QStringLiteral("ＯＲＢＩかＣＡＬＳＡＴを起動してからＡＺＥＬＭＯＮを再起動してください")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.secondCopy);
        world.link.servers.clear();
        if (row.secondCopy)
            world.link.servers[QStringLiteral("ORBI|EXTRN")] = orbi;
        world.messages.texts.clear();
        world.link.log.clear();
        endCodes.clear();
        Make().setInstanceCheck([&row] { return row.secondCopy; });
        EXPECT_FALSE(window->Form_Load());
        EXPECT_EQ(world.messages.texts, QStringList{row.message});
        EXPECT_EQ(endCodes.size(), 1);
        EXPECT_EQ(world.link.log.isEmpty(), row.secondCopy);
        EXPECT_TRUE(world.board.writes.empty());
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
    EXPECT_EQ(held(), std::vector<bool>(8, true));
    EXPECT_TRUE(endCodes.isEmpty());
    EXPECT_TRUE(world.messages.texts.isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w.settings().settingsDialog(), nullptr);
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

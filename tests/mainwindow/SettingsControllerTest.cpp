#include "mainwindow/SettingsController.h"
#include "config/Form2.h"
#include "mainwindow/Form1.h"
#include "mainwindow/Form3.h"
#include "mainwindow/HelpWindow.h"
#include "support/FakePorts.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

struct SettingsWindowFixture : ::testing::Test {
    QTemporaryDir dir;
    FakeWorld world;
    std::unique_ptr<Form1> window;
    QList<int> endCodes;

    QString iniPath() const { return dir.filePath(QStringLiteral("rotorcfg.ini")); }

    Form1& Start() {
        QMap<QString, QString> orbi;
        for (const char* item : {"TEXT1", "TEXT2", "TEXT3", "TEXT4", "TEXT5", "TEXT6", "TEXT7", "text8",
                                 "text9", "text10", "text11", "text20", "text21"})
            orbi[QString::fromLatin1(item)] = QStringLiteral("10");
        world.link.servers[QStringLiteral("ORBI|EXTRN")] = orbi;
        window = std::make_unique<Form1>(world.ports(), iniPath());
        window->setEndHandler([this](int code) { endCodes << code; });
        EXPECT_TRUE(window->Form_Load());
        for (QPushButton* b : {window->Command2, window->Command3, window->Command5, window->Command6})
            b->setEnabled(true);
        world.messages.texts.clear(); // start-up's own notes (the map picture is not here)
        return *window;
    }

    std::vector<bool> TimersRunning() const {
        return {window->Timer1->isActive(), window->Timer2->isActive(), window->Timer3->isActive(),
                window->Timer4->isActive()};
    }
    std::vector<bool> ModeButtonsEnabled() const {
        return {window->Command3->isEnabled(), window->Command2->isEnabled(), window->Command6->isEnabled(),
                window->Command5->isEnabled()};
    }
};

TEST_F(SettingsWindowFixture, DialogTakesButtonsAndTimersAndGivesThemBackWhenClosedUnsaved) {
    Form1& w = Start();
    w.menuhoseiti->trigger();
    Form2* dialog = w.settings().settingsDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(w.state().module.SettingsDialogOpen, QStringLiteral("1"));
    EXPECT_EQ(TimersRunning(), std::vector<bool>(4, false));
    EXPECT_EQ(ModeButtonsEnabled(), std::vector<bool>(4, false));

    // A range accepted on a slider acts in the running window, saved or not.
    dialog->Slider[10]->setValue(300);
    EXPECT_EQ(w.state().module.AzimuthRangeMax, 300);

    dialog->Command1->click();
    EXPECT_EQ(w.state().module.SettingsDialogOpen, QStringLiteral("0"));
    EXPECT_EQ(TimersRunning(), std::vector<bool>(4, true));
    EXPECT_EQ(ModeButtonsEnabled(), std::vector<bool>(4, true));
    EXPECT_EQ(w.state().module.AzimuthRangeMax, 300);
    EXPECT_TRUE(endCodes.isEmpty());
    EXPECT_TRUE(world.messages.texts.isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w.settings().settingsDialog(), nullptr);
}

TEST_F(SettingsWindowFixture, CloseAfterSaveSwitchesRelaysOffThenDemandsTheRestart) {
    Form1& w = Start();
    w.menuhoseiti->trigger();
    Form2* dialog = w.settings().settingsDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->Command4->click();
    ASSERT_TRUE(dialog->SettingsSaved());
    EXPECT_TRUE(world.messages.texts.isEmpty()); // the save itself says nothing

    // A motor left running from before: it must be off while the user reads the message.
    w.state().piob4 = 1;
    w.state().piob7 = 1;
    ASSERT_FALSE(world.board.WriteOutputBit(6, 4, 1));
    bool relaysOffDuringMessage = false;
    world.messages.onShow = [&](const QString&) {
        relaysOffDuringMessage = world.board.AllRelaysOff() && w.state().piob4 == 0 && w.state().piob7 == 0;
        EXPECT_TRUE(endCodes.isEmpty());
    };
    dialog->close(); // the close box, same as "閉じる"
    EXPECT_EQ(world.messages.texts, QStringList{QStringLiteral(
                                        "設定変更しましたので、改めてプログラムを起動しなおしてください。")});
    EXPECT_TRUE(relaysOffDuringMessage);
    EXPECT_EQ(endCodes, QList<int>{0});
    EXPECT_TRUE(w.HasEnded());
}

TEST_F(SettingsWindowFixture, OpeningTwiceKeepsOneDialog) {
    Form1& w = Start();
    w.menuhoseiti->trigger();
    Form2* first = w.settings().settingsDialog();
    w.menuhoseiti->trigger();
    EXPECT_EQ(w.settings().settingsDialog(), first);
    EXPECT_EQ(w.findChildren<Form2*>().size(), 1);
}

TEST_F(SettingsWindowFixture, VersionBoxCaptions) {
    Form1& w = Start();
    w.menuver->trigger();
    Form3* box = w.settings().versionBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowTitle(), QStringLiteral("バージョン"));
    const std::pair<QWidget*, const char*> captions[] = {{box->Frame2, "プログラム名称"},
                                                         {box->Label1, "アゼルモンプログラム"},
                                                         {box->Frame1, "プログラムバージョン"},
                                                         {box->Label3, "バージョン　"},
                                                         {box->Label4, "ｖ１．21"},
                                                         {box->Frame3, "免責事項"},
                                                         {box->Label2, ""},
                                                         {box->Command1, "閉じる"}};
    for (const auto& [widget, caption] : captions) {
        QString text;
        if (auto* g = qobject_cast<QGroupBox*>(widget))
            text = g->title();
        else if (auto* l = qobject_cast<QLabel*>(widget))
            text = l->text();
        else if (auto* b = qobject_cast<QPushButton*>(widget))
            text = b->text();
        EXPECT_EQ(text, QString::fromUtf8(caption)) << widget->objectName().toStdString();
    }
    // Full-width "ｖ１．" then half-width "21".
    EXPECT_EQ(box->Label4->text(), QString::fromUtf8("\xEF\xBD\x96\xEF\xBC\x91\xEF\xBC\x8E"
                                                     "21"));
    // The main window's timers keep running while it is open.
    EXPECT_TRUE(w.Timer2->isActive());
    box->Command1->click();
    EXPECT_FALSE(box->isVisible());
}

TEST_F(SettingsWindowFixture, HelpOpensAndShutDownClosesIt) {
    Form1& w = Start();
    w.menusousa->trigger();
    EXPECT_EQ(world.help.shown, 1);
    EXPECT_EQ(world.help.closed, 0);
    w.Command1_Click();
    EXPECT_EQ(world.help.closed, 1);
}

// The help window and the home page find the help pages in the current directory first.
struct HelpPagesFixture : SettingsWindowFixture {
    QString oldCurrent;
    void SetUp() override {
        oldCurrent = QDir::currentPath();
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("help")));
        QFile page(dir.filePath(QStringLiteral("help/index.html")));
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write("<html><body><h1>目次</h1></body></html>");
        page.close();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override { QDir::setCurrent(oldCurrent); }
};

TEST_F(HelpPagesFixture, HomePageOpensTheHelpStartPageInTheBrowser) {
    Form1& w = Start();
    w.menuhome->trigger();
    const QString expected =
        QUrl::fromLocalFile(QFileInfo(dir.filePath(QStringLiteral("help/index.html"))).canonicalFilePath())
            .toString();
    EXPECT_EQ(world.browser.opened, QStringList{expected});
    EXPECT_TRUE(world.messages.texts.isEmpty());
}

TEST_F(HelpPagesFixture, HelpWindowShowsTheStartPageAndCloses) {
    HelpWindow help;
    help.ShowContents();
    EXPECT_TRUE(help.isVisible());
    EXPECT_TRUE(help.browser()->toPlainText().contains(QStringLiteral("目次")));
    help.Close();
    EXPECT_FALSE(help.isVisible());
}

} // namespace

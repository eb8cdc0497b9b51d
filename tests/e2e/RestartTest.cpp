// SPDX-License-Identifier: GPL-3.0-or-later
// Changes that need a restart: the settings dialog and the station editor save, switch every relay
// off, ask for the restart and end; the next start reads what was saved.
#include "E2eSupport.h"
#include "config/SettingsDialogLogic.h"
#include "mainwindow/SettingsController.h"
#include "mainwindow/StationsController.h"
#include "settingsdialog/Form2.h"
#include "stations/Form4.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Restart : ::testing::Test {
    Program p;

    void Start(const QStringList& boardArguments) {
        ASSERT_TRUE(p.StartBus());
        ASSERT_TRUE(p.StartServer()) << p.server.errors().toStdString();
        ASSERT_TRUE(p.StartBoard(boardArguments));
        p.WriteSettings();
        ASSERT_TRUE(p.Launch());
        ASSERT_TRUE(p.WaitUntilReady());
    }

    // The restart demand as the user meets it: relays already off when the message shows, then the end.
    void ExpectRestartDemand(const QString& message, bool relaysOffAtMessage) {
        EXPECT_EQ(p.messages.texts, QStringList{message});
        EXPECT_TRUE(relaysOffAtMessage);
        EXPECT_EQ(p.endCodes, QList<int>{0});
        EXPECT_TRUE(p.window->HasEnded());
        EXPECT_TRUE(p.board.AllCoilsOff());
    }

    void Relaunch() {
        p.Close();
        p.messages.texts.clear();
        p.endCodes.clear();
        ASSERT_TRUE(p.Launch());
        ASSERT_TRUE(p.WaitUntilReady());
    }
};

TEST_F(Restart, SettingsCaptureAndSaveAreUsedByTheNextStart) {
    Start({QStringLiteral("--az"), QStringLiteral("3"), QStringLiteral("--el"), QStringLiteral("10")});
    ASSERT_TRUE(WaitFor([this] { return std::abs(p.ShownAzimuth() - 3) < 0.6; }, 5000)) << p.ShownAzimuth();

    p.window->menuhoseiti->trigger();
    Form2* dialog = p.window->settings().settingsDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(p.window->Command2->isEnabled());
    // The dialog shows the live voltage of the azimuth potentiometer: 3° of 360° on 0..5 V.
    ASSERT_TRUE(
        WaitFor([dialog] { return std::abs(dialog->Label[1]->text().toDouble() - 0.044) < 0.005; }, 6000))
        << dialog->Label[1]->text().toStdString();
    // The antenna stands at what is to be 0°: capture it.
    QTest::mouseClick(dialog->Command2, Qt::LeftButton);
    EXPECT_NEAR(dialog->Text[1]->text().toDouble(), 0.044, 0.005) << dialog->Text[1]->text().toStdString();
    // The board address typed in, field by field.
    const char* address[] = {"127", "0", "0", "1"};
    for (int field = 0; field < 4; ++field) {
        QLineEdit* box = dialog->Text[5 + field];
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, QLatin1String(address[field]));
    }
    QTest::mouseClick(dialog->Command4, Qt::LeftButton);
    ASSERT_TRUE(dialog->SettingsSaved()) << p.messages.texts.join(QLatin1Char('/')).toStdString();
    EXPECT_TRUE(p.messages.texts.isEmpty());

    bool relaysOff = false;
    p.messages.onShow = [this, &relaysOff](const QString&) { relaysOff = p.board.AllCoilsOff(); };
    QTest::mouseClick(dialog->Command1, Qt::LeftButton); // 閉じる
    p.messages.onShow = nullptr;
    ExpectRestartDemand(QString::fromUtf8(RestartMessage), relaysOff);

    // The next start reads the captured 0° voltage: the same antenna now shows 0°.
    Relaunch();
    EXPECT_NEAR(p.ShownAzimuth(), 0, 0.6);
    EXPECT_TRUE(p.messages.texts.isEmpty()) << p.messages.texts.join(QLatin1Char('/')).toStdString();
}

TEST_F(Restart, StationAddedInTheEditorIsListedAtTheNextStartAndChosenWithSelect) {
    Start({QStringLiteral("--az"), QStringLiteral("240"), QStringLiteral("--el"), QStringLiteral("10")});
    const int before = p.window->Combo1->count();

    p.window->menukyoku->trigger();
    Form4* editor = p.window->stations().Editor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor->Text1, QStringLiteral("250"));
    QTest::keyClicks(editor->Text2, QStringLiteral("15"));
    QTest::keyClicks(editor->Text3, QStringLiteral("JA1ZZZ test"));
    QTest::mouseClick(editor->Command1, Qt::LeftButton); // add
    ASSERT_TRUE(p.messages.texts.isEmpty()) << p.messages.texts.join(QLatin1Char('/')).toStdString();
    EXPECT_EQ(editor->ListCount(), before + 1);

    bool relaysOff = false;
    p.messages.onShow = [this, &relaysOff](const QString&) { relaysOff = p.board.AllCoilsOff(); };
    QTest::mouseClick(editor->Command3, Qt::LeftButton); // close
    p.messages.onShow = nullptr;
    ExpectRestartDemand(EditorRestartMessage, relaysOff);

    Relaunch();
    ASSERT_EQ(p.window->Combo1->count(), before + 1);
    const int index = p.window->Combo1->findText(QStringLiteral("JA1ZZZ test"), Qt::MatchEndsWith);
    ASSERT_GE(index, 0);
    EXPECT_TRUE(p.window->Combo1->itemText(index).startsWith(QStringLiteral("250.0  15.0")))
        << p.window->Combo1->itemText(index).toStdString();

    // 選局 on the new station: the antenna turns to it and the operation ends with the relays off.
    p.window->Combo1->setCurrentIndex(index);
    QTest::mouseClick(p.window->Command5, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([this] { return p.board.Output().contains(QStringLiteral("relay 4 1")); }, 5000))
        << p.board.Output().toStdString() << p.messages.texts.join(QLatin1Char('/')).toStdString();
    ASSERT_TRUE(WaitFor(
        [this] {
            return p.window->state().OperatingMode == RunMode::Stopped && !p.window->Command4->isEnabled();
        },
        20000));
    EXPECT_TRUE(p.board.AllCoilsOff());
    // Both axes start inside or just outside the 8-degree near margin, so the move may end after a
    // single pulse: the antenna has moved towards the station, never away, by at least a pulse less
    // one converter step.
    EXPECT_GT(p.ShownAzimuth(), 240.5);
    EXPECT_GT(p.ShownElevation(), 10.2);
    EXPECT_TRUE(p.board.Output().contains(QStringLiteral("relay 6 1")));
    EXPECT_FALSE(p.board.Output().contains(QStringLiteral("relay 5 1")));
    EXPECT_FALSE(p.board.Output().contains(QStringLiteral("relay 7 1")));
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// Station lists as users and their editors leave them, opened and closed in the running program's
// editor: nothing is ever wiped, the user is told what was set aside or will change, and the original
// is kept as ".bak" before the first rewrite.
#include "E2eSupport.h"
#include "common/TextFile.h"
#include "mainwindow/StationsController.h"
#include "stations/Form4.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(StationFileRepair, DamagedUtf8AndWideFilesSurviveTheEditor) {
    Program p;
    ASSERT_TRUE(p.StartBus());
    ASSERT_TRUE(p.StartServer()) << p.server.errors().toStdString();
    ASSERT_TRUE(p.StartBoard(
        {QStringLiteral("--az"), QStringLiteral("180"), QStringLiteral("--el"), QStringLiteral("10")}));
    p.WriteSettings();
    const QByteArray utf8Name = QStringLiteral("ひまわり").toUtf8();
    const QByteArray sjisName = EncodeCp932(QStringLiteral("ひまわり")).value();
    const struct {
        const char* name;
        QByteArray file;
        int stations;
        const char* toldAtStart; // the main window's message; empty when it has none
        const char* toldInEditor;
        QByteArray rewritten;
    } rows[] = {
        {"blank first line", "\r\n10,5,A,--:--,--:--\r\n20,6,B,--:--,--:--\r\n", 2, "1行目", "1行目",
         "10,5,A,--:--,--:--\r\n20,6,B,--:--,--:--\r\n"},
        {"heading without commas", "Stations\r\n10,5,A,--:--,--:--\r\n", 1, "1行目", "1行目",
         "10,5,A,--:--,--:--\r\n"},
        {"stray quote", "10,5,A,--:--,--:--\r\n20,6,\"B,--:--,--:--\r\n30,7,C,--:--,--:--\r\n", 2, "2行目",
         "2行目", "10,5,A,--:--,--:--\r\n30,7,C,--:--,--:--\r\n"},
        {"UTF-8", "10,5," + utf8Name + ",06:00,07:00\r\n", 1, "", "UTF-8",
         "10,5," + sjisName + ",06:00,07:00\r\n"},
        {"notes column", "10,5,A,--:--,--:--,QSL via bureau\r\n", 1, "", "6列目", "10,5,A,--:--,--:--\r\n"},
    };
    const QString list = p.dir.filePath(QStringLiteral("azelmon.csv"));
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QFile::remove(list + QStringLiteral(".bak"));
        WriteBytes(list, r.file);
        p.messages.texts.clear();
        p.endCodes.clear();
        ASSERT_TRUE(p.Launch());
        ASSERT_EQ(p.window->Combo1->count(), r.stations);
        if (*r.toldAtStart) {
            ASSERT_EQ(p.messages.texts.size(), 1);
            EXPECT_TRUE(p.messages.texts[0].contains(QString::fromUtf8(r.toldAtStart)));
        } else {
            EXPECT_TRUE(p.messages.texts.isEmpty()) << p.messages.texts.join(QLatin1Char('/')).toStdString();
        }
        if (QByteArray(r.name) == "UTF-8") {
            EXPECT_TRUE(p.window->Combo1->itemText(0).endsWith(QStringLiteral("ひまわり")));
        }

        p.messages.texts.clear();
        p.window->menukyoku->trigger();
        Form4* editor = p.window->stations().Editor();
        ASSERT_NE(editor, nullptr);
        ASSERT_EQ(p.messages.texts.size(), 1);
        EXPECT_TRUE(p.messages.texts[0].contains(QString::fromUtf8(r.toldInEditor)));
        EXPECT_TRUE(p.messages.texts[0].contains(QStringLiteral(".bak")));
        QTest::mouseClick(editor->Command3, Qt::LeftButton); // 終了 without a change
        EXPECT_TRUE(WaitFor([&p] { return p.window->stations().Editor() == nullptr; }, 2000));
        EXPECT_EQ(ReadBytes(list + QStringLiteral(".bak")), r.file);
        EXPECT_EQ(ReadBytes(list), r.rewritten);
        EXPECT_TRUE(p.endCodes.isEmpty()); // no change, so no restart
        EXPECT_EQ(p.messages.texts.size(), 1);
        p.Close();
    }
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "stations/Form4.h"

#include "common/TextFile.h"
#include "support/FakePorts.h"
#include "support/TestFiles.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString AzimuthMessage = QStringLiteral("水平の角度を０から３６０の範囲の値をいれてください");
const QString TimeMessage = QStringLiteral("開始時間を１３：３０の形式で入力してください");

struct EditorFixture : ::testing::Test {
    QTemporaryDir dir;
    RecordingMessages messages;
    int restarts = 0;
    std::unique_ptr<Form4> form;

    QString path() const { return dir.filePath(QStringLiteral("azelmon.csv")); }
    void WriteFile(const QByteArray& bytes) { WriteBytes(path(), bytes); }
    Form4& Open() {
        form = std::make_unique<Form4>(messages, path(), [this] { ++restarts; });
        return *form;
    }
    // Fills the boxes and presses add.
    void Add(const QString& az, const QString& el, const QString& name, const QString& start = QString(),
             const QString& end = QString()) {
        form->Text1->setText(az);
        form->Text2->setText(el);
        form->Text3->setText(name);
        form->Check1->setChecked(!start.isEmpty() || !end.isEmpty());
        form->Text4->setText(start);
        form->Text5->setText(end);
        QTest::mouseClick(form->Command1, Qt::LeftButton);
    }
};

TEST_F(EditorFixture, AddChecksEachInputInTurn) {
    struct Row {
        const char *az, *el, *name, *start, *end;
        QStringList messages;
    };
    const QString empty = QStringLiteral("入力項目を入力してください");
    const QString elevation = QStringLiteral("仰角の角度を０から９０の範囲の値をいれてください");
    const QString noName = QStringLiteral("無線局（人工衛星）／放送局の名前が入力されていません。");
    const QString badName =
        QStringLiteral("名前に「,」（カンマ）や「\"」（ダブルクォーテーション）は使えません。");
    // The value and time rules themselves are checked in StationRulesTest; here, each check's place.
    const Row rows[] = {
        {"360.01", "0", "A", "", "", {AzimuthMessage}},
        {"", "0", "A", "", "", {empty, AzimuthMessage}},
        {"10", "91", "A", "", "", {elevation}},
        {"10", "10", "", "", "", {noName}},
        {"10", "10", "A,B", "", "", {badName}},
        {"10", "10", "A", "9:30", "10:00", {TimeMessage}},
        {"10", "10", "A", "10:00", "12:60", {TimeMessage}},
    };
    for (const Row& r : rows) {
        WriteFile("");
        Open();
        messages.texts.clear();
        Add(QString::fromUtf8(r.az), QString::fromUtf8(r.el), QString::fromUtf8(r.name),
            QString::fromUtf8(r.start), QString::fromUtf8(r.end));
        EXPECT_EQ(messages.texts, r.messages) << r.az << " " << r.name << " " << r.start;
        EXPECT_EQ(form->ListCount(), 0) << r.az << " " << r.name;
        EXPECT_EQ(form->EntryAdded, 1);
    }
}

TEST_F(EditorFixture, AddStoresNormalisedTextsAndNoScheduleWhenUnticked) {
    WriteFile("");
    Form4& f = Open();
    Add(QStringLiteral(" 045.50 "), QStringLiteral("0.5"), QStringLiteral("衛星"), QStringLiteral("09:30"),
        QStringLiteral("12:30:45"));
    f.Text1->setText(QStringLiteral("1"));
    f.Text2->setText(QStringLiteral("2"));
    f.Text3->setText(QStringLiteral("B"));
    f.Text4->setText(QStringLiteral("06:00")); // ignored: Check1 is not ticked
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    ASSERT_EQ(f.ListCount(), 2);
    EXPECT_EQ(f.Entries()[0], (StationRecord{"45.5", ".5", "衛星", "09:30", "12:30:45"}));
    EXPECT_EQ(f.Entries()[1], (StationRecord{"1", "2", "B", "--:--", "--:--"}));
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_FALSE(f.Check1->isChecked());
}

TEST_F(EditorFixture, The258thStationIsRefused) {
    QByteArray bytes;
    for (int i = 0; i < MaxStations; ++i)
        bytes += "1,1,S" + QByteArray::number(i) + ",--:--,--:--\r\n";
    WriteFile(bytes);
    Form4& f = Open();
    ASSERT_EQ(f.ListCount(), MaxStations);
    Add(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("one more"));
    EXPECT_EQ(f.ListCount(), MaxStations);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains(QStringLiteral("257")));
}

TEST_F(EditorFixture, ModifyAndDeleteThroughTheList) {
    WriteFile("1,1,A,,\r\n2,2,B,06:00,07:00\r\n3,3,C,--:--,--:--\r\n"); // blank times become --:--
    Form4& f = Open();
    f.List1->setCurrentRow(1);
    EXPECT_EQ(f.EditIndex, 1);
    EXPECT_TRUE(f.Check1->isChecked());
    EXPECT_EQ(f.Text4->text(), QStringLiteral("06:00"));
    EXPECT_FALSE(f.Command1->isEnabled());
    EXPECT_TRUE(f.Command4->isEnabled());

    // A refused time changes nothing, not even the position typed before it.
    f.Text1->setText(QStringLiteral("20"));
    f.Text5->setText(QStringLiteral("7:00"));
    QTest::mouseClick(f.Command4, Qt::LeftButton);
    EXPECT_EQ(messages.texts, QStringList{TimeMessage});
    EXPECT_EQ(f.Entries()[1].azimuth, QStringLiteral("2"));

    f.Text5->setText(QStringLiteral("08:00"));
    f.Check1->setChecked(false);
    QTest::mouseClick(f.Command4, Qt::LeftButton);
    EXPECT_EQ(f.Entries()[1], (StationRecord{"20", "2", "B", "--:--", "--:--"}));
    EXPECT_EQ(f.List1->item(1)->text(), EditorLine(f.Entries()[1]));
    EXPECT_TRUE(f.Command1->isEnabled());
    EXPECT_FALSE(f.Command4->isEnabled());

    // Cancel returns to idle; the same entry can be chosen again at once.
    f.List1->setCurrentRow(2);
    QTest::mouseClick(f.Command5, Qt::LeftButton);
    EXPECT_TRUE(f.Text3->text().isEmpty());
    EXPECT_TRUE(f.Command1->isEnabled());
    EXPECT_FALSE(f.Command2->isEnabled());
    EXPECT_EQ(f.focusWidget(), f.Text1);
    f.List1->setCurrentRow(2);
    EXPECT_EQ(f.Text3->text(), QStringLiteral("C"));
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    ASSERT_EQ(f.ListCount(), 2);
    EXPECT_EQ(f.List1->count(), 2);
    EXPECT_EQ(f.Entries()[1].name, QStringLiteral("B"));
    EXPECT_EQ(f.EntryDeleted, 1);

    QTest::mouseClick(f.Command3, Qt::LeftButton);
    EXPECT_EQ(ReadBytes(path()), QByteArray("1,1,A,--:--,--:--\r\n20,2,B,--:--,--:--\r\n"));
    EXPECT_EQ(restarts, 1);
}

TEST_F(EditorFixture, ClosingPaths) {
    struct Row {
        const char* name;
        QByteArray file;
        bool change, rewritten;
    };
    // The close button with a change is the whole program's editor test.
    const Row rows[] = {{"entries", "1,2,A,,\r\n", false, true},
                        {"empty list", "", false, false},
                        {"change demands restart", "1,2,A,,\r\n", true, true}};
    for (const Row& r : rows) {
        WriteFile(r.file);
        restarts = 0;
        Form4& f = Open();
        if (r.change)
            QTest::mouseClick(f.Command1, Qt::LeftButton); // refused, but it still counts as a change
        QFile::remove(path());
        f.close();
        EXPECT_EQ(QFile::exists(path()), r.rewritten) << r.name;
        EXPECT_EQ(restarts, r.change ? 1 : 0) << r.name;
    }
}

// Files the editor cannot write back as they are: opened and closed without a change, each is told
// once, kept whole as ".bak", and rewritten with every station that was read.
TEST_F(EditorFixture, FilesThatARewriteChangesAreKeptAsBak) {
    const QByteArray sjisName = EncodeCp932(QStringLiteral("ひまわり")).value();
    const struct {
        const char* name;
        QByteArray file;
        const char* told;
        QByteArray rewritten;
    } rows[] = {
        {"blank first line", "\r\n1,1,A,,\r\n", "1行目", "1,1,A,--:--,--:--\r\n"},
        {"heading without commas", "Stations\r\n1,1,A,,\r\n2,2,B,,\r\n", "1行目",
         "1,1,A,--:--,--:--\r\n2,2,B,--:--,--:--\r\n"},
        {"stray quote", "1,1,A,,\r\n2,2,\"B,,\r\n3,3,C,,\r\n", "2行目",
         "1,1,A,--:--,--:--\r\n3,3,C,--:--,--:--\r\n"},
        {"UTF-8", "1,1,ひまわり,06:00,07:00\r\n", "UTF-8", "1,1," + sjisName + ",06:00,07:00\r\n"},
        {"notes column", "1,1,A,,,QSL via bureau\r\n", "6列目", "1,1,A,--:--,--:--\r\n"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QFile::remove(path() + QStringLiteral(".bak"));
        WriteFile(r.file);
        messages.texts.clear();
        Form4& f = Open();
        ASSERT_EQ(messages.texts.size(), 1);
        EXPECT_TRUE(messages.texts[0].contains(QString::fromUtf8(r.told))) << messages.texts[0].toStdString();
        EXPECT_TRUE(messages.texts[0].contains(QStringLiteral(".bak"))) << messages.texts[0].toStdString();
        QTest::mouseClick(f.Command3, Qt::LeftButton); // saves twice: the .bak must stay the original
        EXPECT_EQ(ReadBytes(path() + QStringLiteral(".bak")), r.file);
        EXPECT_EQ(ReadBytes(path()), r.rewritten);
        EXPECT_EQ(messages.texts.size(), 1);
        EXPECT_EQ(restarts, 0);
    }
}

// A file that cannot be written never traps the editor: the user may close it without saving, and
// the file then stays as it was.
TEST_F(EditorFixture, AFailedSaveOffersToCloseWithoutSaving) {
    // A name read from a UTF-8 file that Shift-JIS cannot hold.
    const QByteArray original = "1,1,한국,,\r\n";
    WriteFile(original);
    for (const bool closeAnyway : {false, true}) {
        SCOPED_TRACE(closeAnyway);
        Form4& f = Open();
        f.show();
        Add(QStringLiteral("2"), QStringLiteral("2"), QStringLiteral("B"));
        messages.questions.clear();
        messages.answer = closeAnyway;
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        ASSERT_EQ(messages.questions.size(), 1);
        EXPECT_TRUE(messages.questions[0].contains(QStringLiteral("書き込めませんでした")));
        EXPECT_EQ(f.isVisible(), !closeAnyway);
        EXPECT_EQ(ReadBytes(path()), original);
        EXPECT_EQ(restarts, 0);
    }
}

// What the program saves when it ends with the editor open.
TEST_F(EditorFixture, DeleteIsUnsavedUntilWritten) {
    WriteFile("1,1,A,,\r\n2,2,B,,\r\n");
    Form4& f = Open();
    f.List1->setCurrentRow(0);
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    EXPECT_TRUE(f.HasUnsavedChanges());
    EXPECT_TRUE(f.TrySaveStationList().isEmpty());
    EXPECT_FALSE(f.HasUnsavedChanges());
    EXPECT_EQ(ReadBytes(path()), QByteArray("2,2,B,--:--,--:--\r\n"));
}

} // namespace

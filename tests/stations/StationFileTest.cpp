// SPDX-License-Identifier: GPL-3.0-or-later
#include "stations/StationFile.h"

#include "common/TextFile.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct StationFileTest : ::testing::Test {
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("azelmon.csv")); }
};

TEST(SplitDelimitedLine, ValueRules) {
    struct Row {
        const char* line;
        QStringList values;
    };
    const Row rows[] = {
        {"  1 , 2 ,a b ,,", {"1", "2", "a b", "", ""}},
        {"1,2, \" padded \" ,x,y\r", {"1", "2", " padded ", "x", "y"}},
        {"1,2,\"open", {"1", "2", "open"}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(SplitDelimitedLine(QString::fromUtf8(r.line)), r.values) << r.line;
}

// Each line that cannot be a station is set aside on its own and named; what follows it is still
// read, so a damaged line never costs the stations around it.
TEST_F(StationFileTest, ReadsWholeAndDamagedFiles) {
    struct Row {
        const char* name;
        QByteArray bytes;
        int stations;
        QList<int> setAside;
        bool extraColumns = false;
    };
    const Row rows[] = {
        {"quoted comma in the first line", "1,2,\"a,b\",,\r\n", 1, {}},
        {"six fields", "1,2,A,--:--,--:--,x\r\n3,4,B,,,y\r\n", 2, {}, true},
        {"empty sixth field", "1,2,A,--:--,--:--,\r\n3,4,B,,,\r\n", 2, {}},
        {"blank lines skipped", "1,2,A,--:--,--:--\r\n\r\n  \r\n3,4,B,,\r\n", 2, {}},
        {"blank first line", "\r\n1,2,A,,\r\n3,4,B,,\r\n", 2, {1}},
        {"heading without commas", "Stations\r\n1,2,A,,\r\n3,4,B,,\r\n", 2, {1}},
        {"stray quote", "1,2,A,,\r\n3,4,\"B,,\r\n5,6,C,,\r\n", 2, {2}},
        {"stray quote in the first line", "1,2,A\",,\r\n3,4,B,,\r\n", 1, {1}},
        {"short first line", "1,2,A\r\n3,4,B\r\n", 0, {1, 2}},
        {"short middle line", "1,2,A,,\r\n3,4,B\r\n5,6,C,,\r\n", 2, {2}},
        {"long middle line", "1,2,A,,\r\n3,4,B,C,,\r\n", 1, {2}},
        {"only blank lines", "\r\n\r\n", 0, {1}},
        {"empty file", "", 0, {}},
    };
    for (const Row& r : rows) {
        WriteBytes(path(), r.bytes);
        const StationFileContents c = ReadStationFile(path());
        SCOPED_TRACE(r.name);
        EXPECT_EQ(c.stations.size(), r.stations);
        EXPECT_EQ(c.setAsideLines, r.setAside);
        EXPECT_EQ(c.extraColumns, r.extraColumns);
        EXPECT_FALSE(c.readAsUtf8);
        const QString message = SetAsideMessage(QStringLiteral("azelmon.csv"), c);
        EXPECT_EQ(message.isEmpty(), r.setAside.isEmpty());
        if (!r.setAside.isEmpty()) {
            EXPECT_TRUE(message.contains(QString::number(r.setAside.back()) + QStringLiteral("行目")))
                << message.toStdString();
        }
    }
}

// Linux editors write UTF-8; names in it must not come out garbled, whether or not the same bytes
// also happen to form valid Shift-JIS.
TEST_F(StationFileTest, AUtf8FileIsReadAsUtf8) {
    const struct {
        const char* name;
        QByteArray bytes;
        bool utf8;
    } rows[] = {
        {"kana that is also valid CP932", "1,2,ひまわり,,\r\n", true},
        {"full-width letters", "1,2,ＪＡ１ＹＡＡ,,\r\n", true},
        {"byte-order mark",
         "\xEF\xBB\xBF"
         "1,2,A,,\r\n",
         true},
        {"Shift-JIS", "1,2," + EncodeCp932(QStringLiteral("ひまわり")).value() + ",,\r\n", false},
        {"plain ASCII", "1,2,A,,\r\n", false},
    };
    for (const auto& r : rows) {
        WriteBytes(path(), r.bytes);
        const StationFileContents c = ReadStationFile(path());
        SCOPED_TRACE(r.name);
        ASSERT_EQ(c.stations.size(), 1);
        EXPECT_EQ(c.readAsUtf8, r.utf8);
        EXPECT_FALSE(c.Damaged());
        EXPECT_EQ(c.NeedsBackup(), r.utf8);
        EXPECT_EQ(RewriteNotice(QStringLiteral("azelmon.csv"), c).contains(QStringLiteral("UTF-8")), r.utf8);
        if (r.utf8 && QByteArray(r.name) != "byte-order mark") {
            EXPECT_EQ(c.stations[0].name.toUtf8(), r.bytes.split(',')[2]);
        }
    }
    EXPECT_EQ(ReadStationFile(path()).stations[0].azimuth, QStringLiteral("1"));
}

TEST_F(StationFileTest, AFileThatCannotBeReadIsNotAnEmptyList) {
    WriteBytes(path(), "1,2,A,,\r\n");
    ASSERT_TRUE(QFile::setPermissions(path(), QFileDevice::Permissions()));
    if (QFile(path()).open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running with rights that read any file";
    const StationFileContents c = ReadStationFile(path());
    EXPECT_TRUE(c.unreadable);
    EXPECT_TRUE(c.Damaged());
    EXPECT_FALSE(ReadStationFile(dir.filePath(QStringLiteral("missing.csv"))).Damaged());
}

TEST_F(StationFileTest, AStationPastTheLimitIsSetAsideAndNamed) {
    QByteArray bytes;
    for (int i = 0; i < MaxStations + 3; ++i)
        bytes += QByteArray::number(i % 360) + ",1,S" + QByteArray::number(i) + ",--:--,--:--\r\n";
    WriteBytes(path(), bytes);
    const StationFileContents c = ReadStationFile(path());
    EXPECT_EQ(c.stations.size(), MaxStations);
    EXPECT_EQ(c.firstLineBeyondLimit, MaxStations + 1);
    EXPECT_TRUE(SetAsideMessage(QStringLiteral("azelmon.csv"), c).contains(QStringLiteral("258行目")));
}

TEST_F(StationFileTest, JapaneseNamesRoundTripInCp932WithCrLf) {
    const QList<StationRecord> stations{{"123.5", "12", "ＪＡ１ＹＡＡ局", "06:00", "07:30"},
                                        {"45", "0", "髙橋", "--:--", "--:--"}};
    ASSERT_TRUE(WriteStationFile(path(), stations));
    EXPECT_EQ(ReadBytes(path()), "123.5,12," + EncodeCp932(stations[0].name).value() +
                                     ",06:00,07:30\r\n45,0," + EncodeCp932(stations[1].name).value() +
                                     ",--:--,--:--\r\n");
    EXPECT_EQ(ReadStationFile(path()).stations, stations);
    // An empty list leaves an empty file.
    ASSERT_TRUE(WriteStationFile(path(), {}));
    EXPECT_EQ(ReadBytes(path()), QByteArray());
}

TEST(StationLines, ComboAndEditorFormats) {
    const StationRecord x{"123.5", "12", "X", "06:00", "07:30"};
    EXPECT_EQ(ComboLine(x), QStringLiteral("123.5  12.0  X"));
    EXPECT_EQ(ComboLine({"5", "5", "Y", "", ""}), QStringLiteral("005.0  05.0  Y"));
    EXPECT_EQ(ComboLine({"abc", "", "Z", "", ""}), QStringLiteral("abc    Z"));
    EXPECT_EQ(EditorLine(x), QStringLiteral("   123.5    12.0     06:00        07:30       X"));
    // Empty times leave only the blanks around them: 5 + 8 + 7.
    EXPECT_EQ(EditorLine({"5", "5", "Y", "", ""}),
              QStringLiteral("   005.0    05.0") + QString(20, u' ') + u'Y');
}

} // namespace

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

TEST_F(StationFileTest, ReadsWholeAndDamagedFiles) {
    using P = StationFileContents::Problem;
    struct Row {
        const char* name;
        QByteArray bytes;
        int stations;
        P problem;
        int line;
    };
    const Row rows[] = {
        {"quoted comma in the first line", "1,2,\"a,b\",,\r\n", 1, P::None, 0},
        {"six fields", "1,2,A,--:--,--:--,x\r\n3,4,B,,,y\r\n", 2, P::None, 0},
        {"blank lines skipped", "1,2,A,--:--,--:--\r\n\r\n  \r\n3,4,B,,\r\n", 2, P::None, 0},
        {"no comma", "hello\r\n1,2,A,,\r\n", 0, P::None, 0},
        {"short first line", "1,2,A\r\n3,4,B\r\n", 0, P::Malformed, 1},
        {"short middle line", "1,2,A,,\r\n3,4,B\r\n5,6,C,,\r\n", 1, P::Malformed, 2},
        {"long middle line", "1,2,A,,\r\n3,4,B,C,,\r\n", 1, P::Malformed, 2},
    };
    for (const Row& r : rows) {
        WriteBytes(path(), r.bytes);
        const StationFileContents c = ReadStationFile(path());
        EXPECT_EQ(c.stations.size(), r.stations) << r.name;
        EXPECT_EQ(c.problem, r.problem) << r.name;
        EXPECT_EQ(c.setAsideFromLine, r.line) << r.name;
    }
}

TEST_F(StationFileTest, AStationPastTheLimitIsSetAsideAndNamed) {
    QByteArray bytes;
    for (int i = 0; i < MaxStations + 3; ++i)
        bytes += QByteArray::number(i % 360) + ",1,S" + QByteArray::number(i) + ",--:--,--:--\r\n";
    WriteBytes(path(), bytes);
    const StationFileContents c = ReadStationFile(path());
    EXPECT_EQ(c.stations.size(), MaxStations);
    EXPECT_EQ(c.problem, StationFileContents::Problem::TooManyStations);
    EXPECT_EQ(c.setAsideFromLine, MaxStations + 1);
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

#include "common/TextFile.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class TextFileTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(TextFileTest, WritesCp932WithCrLfAndReadsItBack) {
    const QStringList lines{QStringLiteral("abc,1"), QStringLiteral("あ水～①髙"), QString(),
                            QStringLiteral("C:\\x")};
    ASSERT_TRUE(WriteCp932Lines(Path("a.csv"), lines));
    EXPECT_EQ(ReadBytes(Path("a.csv")),
              QByteArray("abc,1\r\n\x82\xa0\x90\x85\x81\x60\x87\x40\xfb\xfc\r\n\r\nC:\\x\r\n"));
    EXPECT_EQ(ReadCp932Lines(Path("a.csv")), lines);
}

TEST_F(TextFileTest, ReadsAnyLineEnd) {
    struct Case {
        QByteArray bytes;
        QStringList lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\r\n", {"a", "b"}},
        {"a\r\n\r\n", {"a", ""}},
        {"\r\n", {""}},
        {"\x82\xa0\n", {QStringLiteral("あ")}},
    };
    for (const Case& c : cases) {
        WriteBytes(Path("b.txt"), c.bytes);
        EXPECT_EQ(ReadCp932Lines(Path("b.txt")), c.lines) << c.bytes.toHex().toStdString();
    }
}

TEST_F(TextFileTest, DamagedBytesDoNotLoseTheRest) {
    WriteBytes(Path("c.txt"), QByteArray("ok\r\n\x82\r\nend\r\n"));
    const std::optional<QStringList> lines = ReadCp932Lines(Path("c.txt"));
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 3);
    EXPECT_EQ(lines->at(0), QStringLiteral("ok"));
    EXPECT_EQ(lines->at(2), QStringLiteral("end"));
}

TEST_F(TextFileTest, MissingFileCannotBeRead) {
    EXPECT_FALSE(ReadCp932Lines(Path("none.txt")));
}

TEST_F(TextFileTest, FailedWriteLeavesTheOldFile) {
    const QByteArray old("old\r\n");
    WriteBytes(Path("d.txt"), old);
    // Hangul has no CP932 code.
    EXPECT_FALSE(WriteCp932Lines(Path("d.txt"), {QStringLiteral("new"), QStringLiteral("한")}));
    EXPECT_EQ(ReadBytes(Path("d.txt")), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"d.txt"}) << "no temporary file left";

    // A folder that does not exist, and a "folder" that is a plain file (fails even for root).
    EXPECT_FALSE(WriteFileAtomically(Path("nofolder/e.txt"), "x"));
    EXPECT_FALSE(WriteCp932Lines(Path("d.txt/e.txt"), {QStringLiteral("x")}));
    EXPECT_EQ(ReadBytes(Path("d.txt")), old);
}

TEST_F(TextFileTest, AtomicWriteReplacesTheWholeFile) {
    WriteBytes(Path("f.bin"), QByteArray(1000, 'x'));
    ASSERT_TRUE(WriteFileAtomically(Path("f.bin"), "short"));
    EXPECT_EQ(ReadBytes(Path("f.bin")), QByteArray("short"));
}

} // namespace

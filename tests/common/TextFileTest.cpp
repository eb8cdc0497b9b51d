// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TextFile.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class TextFileTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(TextFileTest, WritesCp932WithCrLfOverTheWholeOldFileAndAFailedWriteLeavesIt) {
    WriteBytes(Path("a.csv"), QByteArray(1000, 'x'));
    const QStringList lines{QStringLiteral("abc,1"), QStringLiteral("あ水～①髙"), QString(),
                            QStringLiteral("C:\\x")};
    ASSERT_TRUE(WriteCp932Lines(Path("a.csv"), lines));
    const QByteArray written("abc,1\r\n\x82\xa0\x90\x85\x81\x60\x87\x40\xfb\xfc\r\n\r\nC:\\x\r\n");
    EXPECT_EQ(ReadBytes(Path("a.csv")), written);
    EXPECT_EQ(ReadCp932Lines(Path("a.csv")), lines);

    // Hangul has no CP932 code; a "folder" that is a plain file fails even for root.
    EXPECT_FALSE(WriteCp932Lines(Path("a.csv"), {QStringLiteral("new"), QStringLiteral("한")}));
    EXPECT_FALSE(WriteCp932Lines(Path("a.csv/e.txt"), {QStringLiteral("x")}));
    EXPECT_EQ(ReadBytes(Path("a.csv")), written);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.csv"}) << "no temporary file left";
}

TEST_F(TextFileTest, ReadsAnyLineEndAndMendsDamagedBytes) {
    const struct {
        QByteArray bytes;
        QStringList lines;
    } rows[] = {
        {"", {}},
        {"a\nb\r\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\r\n\r\n", {"a", ""}},
        {"ok\r\n\x82\r\nend\r\n", {"ok", QStringLiteral("\uFFFD"), "end"}}, // the rest is not lost
    };
    for (const auto& row : rows) {
        WriteBytes(Path("b.txt"), row.bytes);
        EXPECT_EQ(ReadCp932Lines(Path("b.txt")), row.lines) << row.bytes.toHex().toStdString();
    }
    EXPECT_FALSE(ReadCp932Lines(Path("none.txt")));
}

} // namespace

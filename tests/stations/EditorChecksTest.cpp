#include "stations/EditorChecks.h"

#include "support/FakePorts.h"

#include <gtest/gtest.h>

namespace {

TEST(IsBadTime, Table) {
    struct Row {
        const char* text;
        bool bad;
    };
    const Row rows[] = {{"09:30", false}, {"00:00", false}, {"23:59", false}, {"12:30:45", false},
                        {" 9:30", false}, {"9:30", true},   {"24:00", true},  {"12:60", true},
                        {"", true},       {"12-30", true},  {"ab:cd", true},  {"-1:30", true},
                        {"12:", true}};
    for (const Row& r : rows)
        EXPECT_EQ(IsBadTime(QString::fromUtf8(r.text)), r.bad) << r.text;
}

TEST(CheckValueText, CodesAndNormalisedText) {
    struct Row {
        const char* text;
        const char* min;
        const char* max;
        int code;
        const char* after;
        int messages;
    };
    const Row rows[] = {
        {"360", "0", "360", 0, "360", 0},
        {"0", "0", "90", 0, "0", 0},
        {"360.01", "0", "360", -3, "360.01", 0},
        {"-0.1", "0", "360", -3, "-.1", 0},
        {" 045.50 ", "0", "360", 0, "45.5", 0},
        {"0.5", "0", "90", 0, ".5", 0},
        {"abc", "0", "360", -2, "abc", 0},
        {"   ", "0", "360", -1, "   ", 1},
        {"", "", "360", -2, "", 0},
    };
    for (const Row& r : rows) {
        RecordingMessages messages;
        QString text = QString::fromUtf8(r.text);
        EXPECT_EQ(CheckValueText(text, QString::fromUtf8(r.min), QString::fromUtf8(r.max), messages), r.code)
            << r.text;
        EXPECT_EQ(text, QString::fromUtf8(r.after)) << r.text;
        EXPECT_EQ(messages.texts.size(), r.messages) << r.text;
    }
}

TEST(NameProblem, RefusesWhatWouldSplitOrCannotBeWritten) {
    EXPECT_TRUE(NameProblem(QStringLiteral("JA1YAA 430MHz")).isEmpty());
    EXPECT_TRUE(NameProblem(QStringLiteral("   ")).isEmpty());
    EXPECT_TRUE(NameProblem(QStringLiteral("ＮＨＫ第一")).isEmpty());
    EXPECT_FALSE(NameProblem(QStringLiteral("A,B")).isEmpty());
    EXPECT_FALSE(NameProblem(QStringLiteral("say \"hi\"")).isEmpty());
    EXPECT_FALSE(NameProblem(QStringLiteral("emoji 😀")).isEmpty());
}

} // namespace

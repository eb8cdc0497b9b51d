#include "config/StartupSettings.h"
#include "config/ProfileFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct IniFixture : ::testing::Test {
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("rotorcfg.ini")); }
    void Write(const QByteArray& text) {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
};

TEST_F(IniFixture, NoFileGivesEveryDefault) {
    MainState s;
    const QStringList problems = ReadStartupSettings(s, path());
    DeriveWorkingValues(s);
    EXPECT_TRUE(problems.isEmpty());
    EXPECT_EQ(s.module.WindowPositionText, "555:9735");
    EXPECT_EQ(s.module.ElevationRangeMin, 0);
    EXPECT_EQ(s.module.ElevationRangeMax, 90);
    EXPECT_EQ(s.module.AzimuthRangeMin, 0);
    EXPECT_EQ(s.module.AzimuthRangeMax, 360);
    EXPECT_DOUBLE_EQ(s.AzimuthTolerance, 1.5);
    EXPECT_DOUBLE_EQ(s.ElevationTolerance, 1.5);
    EXPECT_FLOAT_EQ(s.module.DelaySeconds, 0);
    EXPECT_EQ(s.module.BoardAddress, "192.168.0.200");
    EXPECT_EQ(s.AzimuthVolt360Text, "5");
    EXPECT_EQ(s.ElevationVolt90Text, "2.5");
    EXPECT_EQ(s.AzimuthMotorText, "1");
    EXPECT_EQ(s.AzimuthStartPoint, "0");
}

TEST_F(IniFixture, ToleranceDelayAndWrittenRangesReadBack) {
    Write("[GOSATABLE]\r\nHGOSA=2\r\nHGOSA_D=3\r\n[DELAY_TIME]\r\nDELAY= 15\r\n"
          "[VPOSITION]\r\nV-RANGE= 0, 90\r\n[HPOSITION]\r\nH-RANGE= 10, 350\r\n");
    MainState s;
    EXPECT_TRUE(ReadStartupSettings(s, path()).isEmpty());
    DeriveWorkingValues(s);
    EXPECT_DOUBLE_EQ(s.AzimuthTolerance, 2.3);
    EXPECT_FLOAT_EQ(s.module.DelaySeconds, 1.5f);
    EXPECT_EQ(s.module.ElevationRangeMax, 90);
    EXPECT_EQ(s.module.AzimuthRangeMin, 10);
    EXPECT_EQ(s.module.AzimuthRangeMax, 350);
}

TEST_F(IniFixture, UnusableRangesFallBackWithOneMessageEach) {
    struct Row {
        const char* value;
        bool usable;
    };
    const Row rows[] = {{"0,90", true},   {" 5, 60", true}, {"0 90", false},  {"a,90", false}, {"0,", false},
                        {"-1,90", false}, {"0,91", false},  {"60,60", false}, {"70,20", false}};
    for (const Row& row : rows) {
        Write(QByteArray("[VPOSITION]\r\nV-RANGE=") + row.value + "\r\n");
        MainState s;
        const QStringList problems = ReadStartupSettings(s, path());
        SCOPED_TRACE(row.value);
        EXPECT_EQ(problems.size(), row.usable ? 0 : 1);
        if (!row.usable) {
            EXPECT_TRUE(problems[0].contains("V-RANGE"));
            EXPECT_EQ(s.module.ElevationRangeText, "0,90");
            EXPECT_EQ(s.module.ElevationRangeMin, 0);
            EXPECT_EQ(s.module.ElevationRangeMax, 90);
        }
    }
}

TEST(WindowPosition, ParsesTopThenLeft) {
    struct Row {
        const char* text;
        bool valid;
        double top, left;
    };
    const Row rows[] = {{"555:9735", true, 555, 9735}, {"1200:300", true, 1200, 300},
                        {"100:200", true, 100, 200},   {"100", false, 0, 0},
                        {"abc:def", false, 0, 0},      {":200", false, 0, 0},
                        {"100:", false, 0, 0}};
    for (const Row& row : rows) {
        const auto p = ParseWindowPosition(QString::fromLatin1(row.text));
        SCOPED_TRACE(row.text);
        ASSERT_EQ(p.has_value(), row.valid);
        if (row.valid) {
            EXPECT_EQ(p->top, row.top);
            EXPECT_EQ(p->left, row.left);
        }
    }
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ProfileFile.h"
#include "config/SettingsLocation.h"
#include "config/StartupSettings.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A hand-edited file: comments, blank lines, odd spacing, quotes, duplicates, a Japanese comment, an
// over-long value and a last line without a line end.
const QByteArray HandEdited = "; rotor settings\r\ntop=outside any section\r\n\r\n"
                              "[HPOSITION]\r\nHVOLT0=0.125\r\n  h-range =  0,360  \r\n; \x90\x85\x95\xbd "
                              "(azimuth)\r\nHHOSEIKAKU\r\n\r\n"
                              "[ houi ]\nHKITEN=\"1\"\nQUOTED='a b'\nHALF=\"x\nEMPTY=\nBLANKS=   \nHKITEN=0\n"
                              "[HOUI]\r\nHKITEN=7\r\nOTHER=from second\r\n[LONG]\r\nK=" +
                              QByteArray(300, '7') +
                              "\r\n[DELAY_TIME]\r\nDELAY= 5\r\nNAME=\x90\x85\x95\xbd\r\nDELAY_SW=1";

class ProfileFileTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("rotorcfg.ini"));
};

TEST_F(ProfileFileTest, ReadsLikeTheWindowsProfileReader) {
    WriteBytes(ini, HandEdited);
    struct Case {
        const char* section;
        const char* key;
        QString expected;
    };
    const Case cases[] = {
        {"HPOSITION", "HVOLT0", "0.125"},
        {"hposition", "hvolt0", "0.125"},     // names match without regard to case
        {"HPOSITION", "H-RANGE", "0,360"},    // blanks around key and value trimmed
        {"HPOSITION", "HHOSEIKAKU", "ERROR"}, // a line without "=" is no key
        {"HPOSITION", "top", "ERROR"},        // lines before the first section belong to none
        {"HOUI", "HKITEN", "1"},              // first of duplicate keys, quotes removed
        {"HOUI", "QUOTED", "a b"},            // single quotes too
        {"HOUI", "HALF", "\"x"},              // unmatched quote stays
        {"HOUI", "EMPTY", ""},                // present but empty: not the default
        {"HOUI", "OTHER", "ERROR"},           // only the first of duplicate sections counts
        {"DELAY_TIME", "NAME", QStringLiteral("水平")},
        {"DELAY_TIME", "DELAY_SW", "1"}, // last line without a line end
        {"DELAY_TIME", "MISSING", "ERROR"},
        {"LONG", "K", QString(254, QLatin1Char('7'))}, // cut as the Windows reader does
        {"NOSUCH", "DELAY", "ERROR"},
    };
    const ProfileDocument document = ProfileDocument::Read(ini);
    for (const Case& c : cases) {
        const QString key = QString::fromLatin1(c.key), section = QString::fromLatin1(c.section);
        EXPECT_EQ(GetINIValue(key, section, ini), c.expected) << c.section << "/" << c.key;
        // The document says "missing" where the profile reader says "ERROR".
        const std::optional<QString> value = document.Value(key, section);
        EXPECT_EQ(value.value_or(QStringLiteral("ERROR")), c.expected) << c.section << "/" << c.key;
        EXPECT_EQ(value.has_value(), c.expected != QLatin1String("ERROR")) << c.section << "/" << c.key;
    }
    EXPECT_EQ(GetINIValue("HVOLT0", "HPOSITION", dir.filePath("none.ini")), "ERROR");
    EXPECT_FALSE(ProfileDocument::Read(dir.filePath("none.ini")).Value("HVOLT0", "HPOSITION"));
    // A value that is the word itself is a value.
    EXPECT_EQ(ProfileDocument::FromBytes("[S]\r\nK=ERROR\r\n").Value("K", "S"), QStringLiteral("ERROR"));
    // The lists the program writes itself are read whole; the rest reads the same.
    EXPECT_EQ(GetWholeINIValue("K", "LONG", ini), QString(300, QLatin1Char('7')));
    EXPECT_EQ(GetWholeINIValue("HKITEN", "HOUI", ini), "1");
    EXPECT_EQ(GetWholeINIValue("MISSING", "DELAY_TIME", ini), "ERROR");
}

TEST_F(ProfileFileTest, WriteChangesOnlyThatKeysLine) {
    WriteBytes(ini, HandEdited);
    ASSERT_TRUE(SetINIValue("1.500", "h-range", "hposition", ini));
    ASSERT_TRUE(SetINIValue("0", "HKITEN", "HOUI", ini));
    ASSERT_TRUE(SetINIValue("0", "DELAY_SW", "DELAY_TIME", ini));
    QByteArray expected = HandEdited;
    expected.replace("  h-range =  0,360  \r\n", "h-range=1.500\r\n");
    expected.replace("[ houi ]\nHKITEN=\"1\"\n", "[ houi ]\nHKITEN=0\r\n");
    expected.replace("DELAY_SW=1", "DELAY_SW=0\r\n");
    EXPECT_EQ(ReadBytes(ini), expected);
    EXPECT_EQ(GetINIValue("H-RANGE", "HPOSITION", ini), "1.500");
}

TEST_F(ProfileFileTest, NewKeysJoinTheirSectionAndNewSectionsTheEnd) {
    WriteBytes(ini, "[A]\r\nX=1\r\n; note\r\n\r\n\r\n[B]\r\nY=2");
    ASSERT_TRUE(SetINIValue("3", "Z", "a", ini));
    ASSERT_TRUE(SetINIValue("4", "W", "B", ini));
    ASSERT_TRUE(SetINIValue(" 5", "DELAY", "DELAY_TIME", ini));
    EXPECT_EQ(ReadBytes(ini), QByteArray("[A]\r\nX=1\r\n; note\r\nZ=3\r\n\r\n\r\n"
                                         "[B]\r\nY=2\r\nW=4\r\n"
                                         "[DELAY_TIME]\r\nDELAY= 5\r\n"));
    EXPECT_EQ(GetINIValue("DELAY", "DELAY_TIME", ini), "5");
}

// Two hand-edited shapes the Windows reader still reads: a section line that lost its "]", and CR-only
// line ends. Their values are read, and a save changes the key where it stands instead of adding a
// second copy of the section.
TEST_F(ProfileFileTest, UnclosedSectionAndCrOnlyFilesReadAndSaveInPlace) {
    struct Row {
        const char* name;
        QByteArray bytes;
        QByteArray afterSave;
    };
    const Row rows[] = {
        {"unclosed section", "[VPOSITION]\r\nVVOLT0=0.5\r\n[HPOSITION\r\nHVOLT0=1.25\r\nH-RANGE= 10, 350\r\n",
         "[VPOSITION]\r\nVVOLT0=0.5\r\n[HPOSITION\r\nHVOLT0=2.000\r\nH-RANGE= 10, 350\r\n"},
        {"CR only", "[VPOSITION]\rVVOLT0=0.5\r[HPOSITION]\rHVOLT0=1.25\rH-RANGE= 10, 350\r",
         "[VPOSITION]\rVVOLT0=0.5\r[HPOSITION]\rHVOLT0=2.000\r\nH-RANGE= 10, 350\r"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        WriteBytes(ini, r.bytes);
        EXPECT_EQ(GetINIValue("VVOLT0", "VPOSITION", ini), "0.5");
        EXPECT_EQ(GetINIValue("HVOLT0", "HPOSITION", ini), "1.25");
        EXPECT_EQ(GetINIValue("H-RANGE", "HPOSITION", ini), "10, 350");
        MainState s;
        EXPECT_TRUE(ReadStartupSettings(s, ini).isEmpty());
        EXPECT_EQ(s.module.AzimuthRangeMin, 10);
        EXPECT_EQ(s.module.AzimuthRangeMax, 350);
        ASSERT_TRUE(SetINIValue("2.000", "HVOLT0", "HPOSITION", ini));
        EXPECT_EQ(ReadBytes(ini), r.afterSave);
    }
}

TEST_F(ProfileFileTest, FailedWritesAreReportedAndChangeNothing) {
    WriteBytes(ini, "[S]\r\nK=1\r\n");
    EXPECT_FALSE(SetINIValue("2", "K", "S", dir.filePath("nofolder/rotorcfg.ini")));
    EXPECT_FALSE(QFile::exists(dir.filePath("nofolder")));
    // Values that would break the file or could never be read back.
    EXPECT_FALSE(SetINIValue("2\r\n[X]", "K", "S", ini));
    EXPECT_FALSE(SetINIValue(QStringLiteral("한"), "K", "S", ini)); // no CP932 code
    EXPECT_EQ(ReadBytes(ini), QByteArray("[S]\r\nK=1\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"rotorcfg.ini"});
}

// A build folder keeps its settings beside the program; an installed tree (share/azelmon beside bin)
// keeps them per user, even when its bin folder is writable, as /usr/bin is for root.
TEST(SettingsLocation, InstalledTreeUsesTheUserFolder) {
    QTemporaryDir dir;
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("AZELMON_CONFIG_DIR");
    qputenv("XDG_CONFIG_HOME", dir.filePath("home-config").toLocal8Bit());
    QStandardPaths::setTestModeEnabled(false);
    const QString build = dir.filePath("build/src/app");
    const QString installed = dir.filePath("usr/bin");
    ASSERT_TRUE(QDir().mkpath(build));
    ASSERT_TRUE(QDir().mkpath(installed));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("usr/share/azelmon")));
    EXPECT_EQ(SettingsFilePathFor(build), build + "/rotorcfg.ini");
    EXPECT_EQ(SettingsFilePathFor(installed), dir.filePath("home-config/azelmon/rotorcfg.ini"));
    EXPECT_TRUE(QDir(dir.filePath("home-config/azelmon")).exists());
    // A first start leaves a file to edit, which reads as no settings at all.
    const QString starter = dir.filePath("home-config/azelmon/rotorcfg.ini");
    EXPECT_TRUE(ReadBytes(starter).startsWith("; azelmon settings")) << qPrintable(starter);
    EXPECT_EQ(GetINIValue("LOCATION", "STATION", starter), "ERROR");
    if (savedXdg.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", savedXdg);
}

TEST_F(ProfileFileTest, UnusableRangesFallBackWithOneMessageEach) {
    struct Row {
        const char* value;
        bool usable;
        const char* travel = nullptr; // a range past the scale points at its travel key
    };
    const Row rows[] = {
        {"0,90", true},
        {" 5, 60", true},
        {"0 90", false},
        {"a,90", false},
        {"-1,90", false},
        {"0,91", false, "[TRACKING] EL_TRAVEL=91"},
        {"60,60", false},
        {"0,180", false, "V-RANGE は 0,90 のままにして、回転範囲を [TRACKING] EL_TRAVEL=180 で設定します"},
        {"0,360", false, "EL_TRAVEL（90〜180）"},
    };
    for (const Row& row : rows) {
        WriteBytes(ini, QByteArray("[VPOSITION]\r\nV-RANGE=") + row.value + "\r\n");
        MainState s;
        const QStringList problems = ReadStartupSettings(s, ini);
        SCOPED_TRACE(row.value);
        ASSERT_EQ(problems.size(), row.usable ? 0 : 1);
        if (!row.usable) {
            EXPECT_TRUE(problems[0].contains("V-RANGE"));
            EXPECT_EQ(problems[0].contains("TRAVEL"), row.travel != nullptr) << problems[0].toStdString();
            if (row.travel) {
                EXPECT_TRUE(problems[0].contains(QString::fromUtf8(row.travel))) << problems[0].toStdString();
            }
            EXPECT_EQ(s.module.ElevationRangeText, "0,90");
            EXPECT_EQ(s.module.ElevationRangeMin, 0);
            EXPECT_EQ(s.module.ElevationRangeMax, 90);
        }
    }
    WriteBytes(ini, "[HPOSITION]\r\nH-RANGE=0,450\r\n");
    MainState s;
    const QStringList problems = ReadStartupSettings(s, ini);
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(
        QStringLiteral("H-RANGE は 0,360 のままにして、回転範囲を [TRACKING] AZ_TRAVEL=450 で設定します")))
        << problems[0].toStdString();
    EXPECT_EQ(s.module.AzimuthRangeMax, 360);
}

// Hand-edited numbers beyond their dialog control are held to its range for the run, named once in
// one message; numbers inside it stay as written.
TEST_F(ProfileFileTest, NumbersOutsideTheirDialogControlAreHeldToItsRange) {
    struct Row {
        const char* text;
        double delaySeconds, azimuthTolerance, elevationTolerance, azimuthCorrection;
        const char* named; // in the one message; nullptr: no message
    };
    const Row rows[] = {
        {"", 0, 1.5, 1.5, 0, nullptr},
        {"[DELAY_TIME]\r\nDELAY=100\r\n", 1.5, 1.5, 1.5, 0, "DELAY=100 → 15"},
        {"[DELAY_TIME]\r\nDELAY=15\r\n", 1.5, 1.5, 1.5, 0, nullptr},
        {"[DELAY_TIME]\r\nDELAY=-3\r\n", 0, 1.5, 1.5, 0, "DELAY=-3 → 0"},
        // A negative tolerance would leave no dead band at all: a manual move would hunt for ever.
        {"[GOSATABLE]\r\nHGOSA=-2\r\nHGOSA_D=0\r\n", 0, 0, 1.5, 0, "HGOSA=-2 → 0"},
        {"[GOSATABLE]\r\nVGOSA=-1\r\nVGOSA_D=-5\r\n", 0, 1.5, 0, 0, "VGOSA=-1 → 0, VGOSA_D=-5 → 0"},
        {"[GOSATABLE]\r\nHGOSA=12\r\nHGOSA_D=30\r\n", 0, 10.9, 1.5, 0, "HGOSA=12 → 10, HGOSA_D=30 → 9"},
        {"[HPOSITION]\r\nHHOSEIKAKU=7\r\n", 0, 1.5, 1.5, 5, "HHOSEIKAKU=7 → 5"},
        {"[HPOSITION]\r\nHHOSEIKAKU=-4.6\r\n", 0, 1.5, 1.5, -4.6, nullptr}, // the slider shows -5
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        WriteBytes(ini, QByteArray(row.text));
        MainState s;
        const QStringList problems = ReadStartupSettings(s, ini);
        DeriveWorkingValues(s);
        EXPECT_FLOAT_EQ(s.module.DelaySeconds, static_cast<float>(row.delaySeconds));
        EXPECT_DOUBLE_EQ(s.AzimuthTolerance, row.azimuthTolerance);
        EXPECT_DOUBLE_EQ(s.ElevationTolerance, row.elevationTolerance);
        EXPECT_DOUBLE_EQ(s.AzimuthCorrection, row.azimuthCorrection);
        ASSERT_EQ(problems.size(), row.named ? 1 : 0);
        if (row.named) {
            EXPECT_TRUE(problems[0].contains(QString::fromUtf8(row.named))) << problems[0].toStdString();
        }
    }
}

// The stall watch's section: missing means on with 10 s; only "0" switches it off.
TEST_F(ProfileFileTest, StallWatchKeysSwitchAndTimeTheWatch) {
    struct Row {
        const char* text; // the [WATCH] section, or "" for none
        bool on;
        double seconds;
        bool problem;
    };
    const Row rows[] = {
        {"", true, 10, false},
        {"[WATCH]\r\nSTALL_SW=0\r\n", false, 10, false},
        {"[WATCH]\r\nSTALL_SW=no\r\nSTALL_TIME=25\r\n", true, 25, false},
        {"[WATCH]\r\nSTALL_TIME=2\r\n", true, 10, true},   // would trip on a slow rotator
        {"[WATCH]\r\nSTALL_TIME=10s\r\n", true, 10, true}, // not a number
        {"[WATCH]\r\nSTALL_TIME=601\r\n", true, 10, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        WriteBytes(ini, QByteArray(row.text));
        MainState s;
        const QStringList problems = ReadStartupSettings(s, ini);
        EXPECT_EQ(s.StallWatchOn, row.on);
        EXPECT_EQ(s.StallSeconds, row.seconds);
        ASSERT_EQ(problems.size(), row.problem ? 1 : 0);
        if (row.problem) {
            EXPECT_TRUE(problems[0].contains("STALL_TIME"));
        }
    }
}

TEST(WindowPosition, ParsesTopThenLeft) {
    struct Row {
        const char* text;
        bool valid;
        double top, left;
    };
    const Row rows[] = {
        {"555:9735", true, 555, 9735}, {"100", false, 0, 0}, {"abc:def", false, 0, 0}, {"100:", false, 0, 0}};
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

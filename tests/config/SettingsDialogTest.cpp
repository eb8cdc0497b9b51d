#include "Form2Fixture.h"
#include "config/Form2.h"
#include "config/StartupSettings.h"
#include "support/FakePorts.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct DialogFixture : Form2Fixture {};

// The file the first save writes when nothing was changed in the dialog.
const QByteArray kDefaultsWritten = "[VPOSITION]\r\n"
                                    "VHOSEIKAKU=0.000\r\n"
                                    "VVOLT0=0.000\r\n"
                                    "VVOLT90=2.500\r\n"
                                    "V-RANGE= 0, 90\r\n"
                                    "[HPOSITION]\r\n"
                                    "HHOSEIKAKU=0.000\r\n"
                                    "HVOLT0=0.000\r\n"
                                    "HVOLT360=5.000\r\n"
                                    "H-RANGE= 0, 360\r\n"
                                    "[GOSATABLE]\r\n"
                                    "HGOSA=1\r\n"
                                    "VGOSA=1\r\n"
                                    "HGOSA_D=5\r\n"
                                    "VGOSA_D=5\r\n"
                                    "[MOTOR]\r\n"
                                    "H_MOTOR=1\r\n"
                                    "V_MOTOR=1\r\n"
                                    "[TCP/IP]\r\n"
                                    "IP=192.168.0.200\r\n"
                                    "[HOUI]\r\n"
                                    "HKITEN=0\r\n"
                                    "[DELAY_TIME]\r\n"
                                    "DELAY=0\r\n"
                                    "DELAY_SW=0\r\n";

TEST_F(DialogFixture, FirstOpenWithoutFileShowsEveryDefault) {
    Form2& f = Open();
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_TRUE(f.Option1->isChecked());
    EXPECT_FALSE(f.Check3->isChecked());
    EXPECT_TRUE(f.Check1->isChecked());
    EXPECT_TRUE(f.Check2->isChecked());
    const int sliders[][2] = {{1, 0},  {2, 0}, {3, 1}, {4, 1},    {5, 5}, {6, 5},
                              {7, 90}, {8, 0}, {9, 0}, {10, 360}, {11, 0}};
    for (const auto& s : sliders)
        EXPECT_EQ(f.Slider[s[0]]->value(), s[1]) << "Slider" << s[0];
    const char* texts[] = {nullptr, " 0.000", " 5.000", " 0.000", " 2.500", "192", "168", "0", "200"};
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(f.Text[i]->text(), QString::fromLatin1(texts[i])) << "Text" << i;
    EXPECT_EQ(f.Label[34]->text(), QStringLiteral("0.0"));
    EXPECT_EQ(f.Command5->text(), QStringLiteral("00度"));
    EXPECT_EQ(f.Command6->text(), QStringLiteral("90度"));
    EXPECT_EQ(f.Command2->text(), QStringLiteral("00度"));
    EXPECT_EQ(f.Command3->text(), QStringLiteral("360度"));
    EXPECT_EQ(board.address, QStringLiteral("192.168.0.200"));
    EXPECT_EQ(module.DelaySwitch, QStringLiteral("0"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("設定（ＩＮＩファイル）"));

    // Nothing changed: the first save writes every key with its default, in the save's order.
    f.Command4_Click();
    EXPECT_TRUE(f.SettingsSaved());
    EXPECT_EQ(ReadIni(), kDefaultsWritten);
}

TEST_F(DialogFixture, HandEditedValuesAreClampedOrDefaultedWithOneMessage) {
    WriteIni("[HPOSITION]\r\nHHOSEIKAKU=7\r\nH-RANGE=abc\r\n[VPOSITION]\r\nV-RANGE=10,120\r\n"
             "[DELAY_TIME]\r\nDELAY=20\r\n[GOSATABLE]\r\nVGOSA_D=-3\r\n[TCP/IP]\r\nIP=10.0.1\r\n"
             "[HOUI]\r\nHKITEN=7\r\n");
    Form2& f = Open();
    ASSERT_EQ(messages.texts.size(), 1);
    const QString& notice = messages.texts[0];
    for (const char* key : {"HHOSEIKAKU", "V-RANGE", "DELAY", "VGOSA_D", "IP", "H-RANGE"})
        EXPECT_TRUE(notice.contains(QLatin1String(key))) << key << " in " << notice.toStdString();
    EXPECT_EQ(f.Slider[1]->value(), 5);
    EXPECT_EQ(f.Slider[6]->value(), 0);
    EXPECT_EQ(f.Slider[11]->value(), 15);
    EXPECT_EQ(f.Label[34]->text(), QStringLiteral("1.5"));
    EXPECT_FLOAT_EQ(module.DelaySeconds, 1.5f);
    EXPECT_EQ(f.Slider[8]->value(), 10);
    EXPECT_EQ(f.Slider[7]->value(), 90);
    EXPECT_EQ(module.ElevationRangeMax, 90);
    EXPECT_EQ(f.Slider[9]->value(), 0);
    EXPECT_EQ(f.Slider[10]->value(), 360);
    EXPECT_TRUE(f.Option1->isChecked());
    EXPECT_EQ(f.Text[7]->text(), QStringLiteral("0"));
    EXPECT_EQ(f.Text[8]->text(), QStringLiteral("200"));
    // The board keeps the address the program started with until a save and restart.
    EXPECT_EQ(board.address, QStringLiteral("10.0.1"));

    // What is shown is what a save writes.
    f.Command4_Click();
    const QByteArray written = ReadIni();
    for (const char* line : {"HHOSEIKAKU=5.000", "V-RANGE= 10, 90", "H-RANGE= 0, 360", "DELAY= 15",
                             "VGOSA_D=0", "IP=192.168.0.200", "HKITEN=0"})
        EXPECT_TRUE(written.contains(line)) << line;
}

TEST_F(DialogFixture, RangeSlidersRefuseACrossedRangeAndKeepTheLastAcceptedValue) {
    struct Row {
        int first, firstPos;   // accepted move
        int second, secondPos; // refused move
        const char* message;
        int expectedBack;
    };
    const Row rows[] = {
        {8, 30, 7, 20, "最大値が最小値より小さい値が選択されています", 90},
        {7, 40, 8, 50, "最小値が最大値より大きい値が選択されています", 0},
        {9, 200, 10, 100, "最大値が最小値より小さい値が選択されています", 360},
        {10, 150, 9, 151, "最小値が最大値より大きい値が選択されています", 0},
    };
    for (const Row& r : rows) {
        module = ModuleState{};
        messages.texts.clear();
        Open();
        Move(r.first, r.firstPos);
        EXPECT_TRUE(messages.texts.isEmpty());
        Move(r.second, r.secondPos);
        ASSERT_EQ(messages.texts.size(), 1) << "Slider" << r.second;
        EXPECT_EQ(messages.texts[0], QString::fromUtf8(r.message));
        EXPECT_EQ(form->Slider[r.second]->value(), r.expectedBack);
    }
    // Accepted moves act in the running program at once, with the button captions.
    EXPECT_EQ(module.AzimuthRangeMax, 150);
    EXPECT_EQ(form->Command3->text(), QStringLiteral("150度"));
    Move(8, 5);
    EXPECT_EQ(module.ElevationRangeMin, 5);
    EXPECT_EQ(form->Command5->text(), QStringLiteral("5度"));
}

TEST_F(DialogFixture, SaveRefusalsWriteNothingAndFocusTheCulprit) {
    struct Row {
        const char* what;
        std::function<void(Form2&)> setUp;
        const char* message;
        const char* focus;
    };
    const Row rows[] = {
        {"azimuth min = max",
         [this](Form2&) {
             Move(10, 100);
             Move(9, 100);
         },
         "水平角の最大値が最小値より小さい値が選択されています", "Slider9"},
        {"elevation min = max",
         [this](Form2&) {
             Move(7, 45);
             Move(8, 45);
         },
         "仰角の最大値が最小値より小さい値が選択されています", "Slider7"},
        {"256", [](Form2& f) { f.Text[7]->setText(QStringLiteral("256")); },
         "ＩＰ３アドレスを正しくセットしてください", "Text7"},
        {"-1", [](Form2& f) { f.Text[7]->setText(QStringLiteral("-1")); },
         "ＩＰ３アドレスを正しくセットしてください", "Text7"},
        {"abc", [](Form2& f) { f.Text[7]->setText(QStringLiteral("abc")); },
         "ＩＰ３アドレスを正しくセットしてください", "Text7"},
        {"empty", [](Form2& f) { f.Text[7]->clear(); }, "ＩＰ３アドレスを正しくセットしてください", "Text7"},
        {"leading zero", [](Form2& f) { f.Text[5]->setText(QStringLiteral("010")); },
         "ＩＰ１アドレスを正しくセットしてください", "Text5"},
        {"first bad box wins",
         [](Form2& f) {
             f.Text[8]->setText(QStringLiteral("x"));
             f.Text[6]->setText(QStringLiteral("999"));
         },
         "ＩＰ２アドレスを正しくセットしてください", "Text6"},
    };
    for (const Row& r : rows) {
        module = ModuleState{};
        messages.texts.clear();
        Form2& f = Open();
        r.setUp(f);
        f.Command4_Click();
        ASSERT_EQ(messages.texts.size(), 1) << r.what;
        EXPECT_EQ(messages.texts[0], QString::fromUtf8(r.message)) << r.what;
        ASSERT_NE(f.focusWidget(), nullptr) << r.what;
        EXPECT_EQ(f.focusWidget()->objectName(), QLatin1String(r.focus)) << r.what;
        EXPECT_FALSE(QFile::exists(iniPath())) << r.what;
        EXPECT_FALSE(f.SettingsSaved()) << r.what;
    }
}

TEST_F(DialogFixture, AddressLimitsAreAccepted) {
    Form2& f = Open();
    f.Text[5]->setText(QStringLiteral("127"));
    f.Text[6]->setText(QStringLiteral("0"));
    f.Text[7]->setText(QStringLiteral("255"));
    f.Text[8]->setText(QStringLiteral("1"));
    EXPECT_EQ(f.CheckBoardAddress(), 0);
    f.Command4_Click();
    EXPECT_TRUE(ReadIni().contains("IP=127.0.255.1\r\n"));
    EXPECT_EQ(module.BoardAddress, QStringLiteral("127.0.255.1"));
}

TEST_F(DialogFixture, EditedSettingsAreWrittenAndReadBackByStartUp) {
    WriteIni("[HPOSITION]\r\nHVOLT0=0.120\r\n");
    board.counts[0] = 1000;
    board.counts[1] = 400;
    Form2& f = Open();
    f.Text[1]->setText(QStringLiteral("3.3")); // typed voltages are never read back
    f.Timer1_Timer();
    f.Command3_Click(); // HVOLT360 from count 1000
    f.Command6_Click(); // VVOLT90 from count 400
    f.Slider[1]->setValue(-2);
    f.Slider[2]->setValue(3);
    f.Slider[3]->setValue(2);
    f.Slider[6]->setValue(9);
    f.Check2->setChecked(false);
    f.Option2->setChecked(true);
    Move(11, 5);
    f.Check3->setChecked(true);
    Move(8, 10);
    Move(7, 80);
    Move(9, 20);
    Move(10, 340);
    f.Text[5]->setText(QStringLiteral("127"));
    f.Text[6]->setText(QStringLiteral("0"));
    f.Text[7]->setText(QStringLiteral("0"));
    f.Text[8]->setText(QStringLiteral("1"));
    f.Command4_Click();
    ASSERT_TRUE(f.SettingsSaved());
    EXPECT_TRUE(messages.texts.isEmpty());

    const QByteArray written = ReadIni();
    for (const char* line : {"HVOLT0=0.120\r\n", "HVOLT360=4.888\r\n", "VVOLT90=1.955\r\n",
                             "HHOSEIKAKU=-2.000\r\n", "VHOSEIKAKU=3.000\r\n", "HGOSA=2\r\n", "VGOSA_D=9\r\n",
                             "V_MOTOR=0\r\n", "HKITEN=1\r\n", "DELAY= 5\r\n", "DELAY_SW=1\r\n",
                             "V-RANGE= 10, 80\r\n", "H-RANGE= 20, 340\r\n", "IP=127.0.0.1\r\n"})
        EXPECT_TRUE(written.contains(line)) << line;

    MainState started;
    EXPECT_TRUE(ReadStartupSettings(started, iniPath()).isEmpty());
    DeriveWorkingValues(started);
    EXPECT_EQ(started.AzimuthStartPoint, QStringLiteral("1"));
    EXPECT_DOUBLE_EQ(started.AzimuthCorrection, -2);
    EXPECT_DOUBLE_EQ(started.ElevationCorrection, 3);
    EXPECT_DOUBLE_EQ(started.AzimuthTolerance, 2.5);
    EXPECT_DOUBLE_EQ(started.ElevationTolerance, 1.9);
    EXPECT_EQ(started.ElevationMotorText, QStringLiteral("0"));
    EXPECT_EQ(started.AzimuthVolt0Text, QStringLiteral("0.120"));
    EXPECT_FLOAT_EQ(started.module.DelaySeconds, 0.5f);
    EXPECT_EQ(started.module.DelaySwitch, QStringLiteral("1"));
    EXPECT_EQ(started.module.ElevationRangeMin, 10);
    EXPECT_EQ(started.module.ElevationRangeMax, 80);
    EXPECT_EQ(started.module.AzimuthRangeMin, 20);
    EXPECT_EQ(started.module.AzimuthRangeMax, 340);
    EXPECT_EQ(started.module.BoardAddress, QStringLiteral("127.0.0.1"));

    // The dialog opened again shows what was saved.
    module = ModuleState{};
    Form2& again = Open();
    EXPECT_TRUE(again.Option2->isChecked());
    EXPECT_EQ(again.Slider[1]->value(), -2);
    EXPECT_EQ(again.Slider[11]->value(), 5);
    EXPECT_TRUE(again.Check3->isChecked());
    EXPECT_FALSE(again.Check2->isChecked());
    EXPECT_EQ(again.Text[2]->text(), QStringLiteral(" 4.888"));
    EXPECT_EQ(again.Command3->text(), QStringLiteral("340度"));
}

TEST_F(DialogFixture, DelayWidgetsActAtOnce) {
    Form2& f = Open();
    Move(11, 7);
    EXPECT_EQ(f.Label[34]->text(), QStringLiteral("0.7"));
    EXPECT_FLOAT_EQ(module.DelaySeconds, 0.7f);
    EXPECT_EQ(module.DelaySetting, QStringLiteral(" 7"));
    f.Check3->setChecked(true);
    EXPECT_EQ(module.DelaySwitch, QStringLiteral("1"));
    f.Check3->setChecked(false);
    EXPECT_EQ(module.DelaySwitch, QStringLiteral("0"));
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The settings dialog over a settings file in a temporary folder, a recording board and recorded messages.
#include "config/StartupSettings.h"
#include "config/TrackingSettings.h"
#include "settingsdialog/Form2.h"
#include "support/FakePorts.h"
#include "support/TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

namespace {

struct DialogFixture : ::testing::Test {
    QTemporaryDir dir;
    ModuleState module;
    RecordingBoard board;
    RecordingMessages messages;
    std::unique_ptr<Form2> form;

    QString iniPath() const { return dir.filePath(QStringLiteral("rotorcfg.ini")); }
    Form2& Open() {
        module = ModuleState{};
        messages.texts.clear();
        form = std::make_unique<Form2>(module, &board, &messages, iniPath());
        form->Form_Load();
        return *form;
    }
    // A user's move of a slider: the dialog sees it as the slider's click.
    void Move(int slider, int position) { form->Slider[slider]->setValue(position); }
};

TEST_F(DialogFixture, FirstSaveWithoutFileWritesEveryDefaultInOrder) {
    Form2& f = Open();
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(board.address, QStringLiteral("192.168.0.200"));
    f.Command4_Click();
    EXPECT_TRUE(f.SettingsSaved());
    EXPECT_EQ(
        ReadBytes(iniPath()),
        QByteArray("[VPOSITION]\r\nVHOSEIKAKU=0.000\r\nVVOLT0=0.000\r\nVVOLT90=2.500\r\nV-RANGE= 0, 90\r\n"
                   "[HPOSITION]\r\nHHOSEIKAKU=0.000\r\nHVOLT0=0.000\r\nHVOLT360=5.000\r\nH-RANGE= 0, 360\r\n"
                   "[GOSATABLE]\r\nHGOSA=1\r\nVGOSA=1\r\nHGOSA_D=5\r\nVGOSA_D=5\r\n"
                   "[MOTOR]\r\nH_MOTOR=1\r\nV_MOTOR=1\r\n[TCP/IP]\r\nIP=192.168.0.200\r\nBOARD=SIM\r\n"
                   "[HOUI]\r\nHKITEN=0\r\n[DELAY_TIME]\r\nDELAY=0\r\nDELAY_SW=0\r\n"));

    // The board beside the address: chosen, saved, shown again at the next opening.
    f.Combo1->setCurrentIndex(f.Combo1->findData(QStringLiteral("MODBUS")));
    f.Command4_Click();
    EXPECT_TRUE(ReadBytes(iniPath()).contains("[TCP/IP]\r\nIP=192.168.0.200\r\nBOARD=MODBUS\r\n"));
    EXPECT_EQ(Open().Combo1->currentData().toString(), QStringLiteral("MODBUS"));
}

TEST_F(DialogFixture, HandEditedValuesAreClampedOrDefaultedWithOneMessage) {
    WriteBytes(iniPath(), "[HPOSITION]\r\nHHOSEIKAKU=7\r\nH-RANGE=abc\r\n[VPOSITION]\r\nV-RANGE=10,120\r\n"
                          "[DELAY_TIME]\r\nDELAY=20\r\n[GOSATABLE]\r\nVGOSA_D=-3\r\n[TCP/IP]\r\nIP=10.0.1\r\n"
                          "BOARD=real\r\n[HOUI]\r\nHKITEN=7\r\n[BOARD_MAP]\r\nUNIT=3\r\nPORT=70000\r\n");
    Form2& f = Open();
    ASSERT_EQ(messages.texts.size(), 1);
    const QString& notice = messages.texts[0];
    for (const char* key : {"HHOSEIKAKU", "V-RANGE", "DELAY", "VGOSA_D", "IP", "H-RANGE", "BOARD", "PORT"})
        EXPECT_TRUE(notice.contains(QLatin1String(key))) << key << " in " << notice.toStdString();
    // An elevation range past 90 points at the travel key.
    EXPECT_TRUE(notice.contains(QStringLiteral("EL_TRAVEL=120"))) << notice.toStdString();
    EXPECT_FLOAT_EQ(module.DelaySeconds, 1.5f);
    EXPECT_EQ(module.ElevationRangeMax, 90);
    // The board keeps the address the program started with until a save and restart.
    EXPECT_EQ(board.address, QStringLiteral("10.0.1"));
    EXPECT_TRUE(f.BoardPort->text().isEmpty());

    // What is shown is what a save writes.
    f.Command4_Click();
    const QByteArray written = ReadBytes(iniPath());
    for (const char* line :
         {"HHOSEIKAKU=5.000", "V-RANGE= 10, 90", "H-RANGE= 0, 360", "DELAY= 15", "VGOSA_D=0",
          "IP=192.168.0.200", "BOARD=SIM", "HKITEN=0", "[BOARD_MAP]\r\nUNIT=3\r\nPORT=502\r\n"})
        EXPECT_TRUE(written.contains(line)) << line;
}

TEST_F(DialogFixture, RangeSlidersRefuseACrossedRangeAndAcceptedMovesActAtOnce) {
    struct Row {
        int first, firstPos;   // accepted move
        int second, secondPos; // refused move
        const char* message;
        int expectedBack;
    };
    const Row rows[] = {
        // A range of no width is refused on the slider, not left for the next start to trip over.
        {8, 30, 7, 30, "最大値と最小値が同じ値になっています。最大値は最小値より大きい値にしてください", 90},
        {7, 40, 8, 40, "最大値と最小値が同じ値になっています。最大値は最小値より大きい値にしてください", 0},
        {10, 100, 9, 100, "最大値と最小値が同じ値になっています。最大値は最小値より大きい値にしてください",
         0},
        {8, 30, 7, 20, "最大値が最小値より小さい値が選択されています", 90},
        {7, 40, 8, 50, "最小値が最大値より大きい値が選択されています", 0},
        {9, 200, 10, 100, "最大値が最小値より小さい値が選択されています", 360},
        {10, 150, 9, 151, "最小値が最大値より大きい値が選択されています", 0},
    };
    for (const Row& r : rows) {
        Open();
        Move(r.first, r.firstPos);
        EXPECT_TRUE(messages.texts.isEmpty());
        Move(r.second, r.secondPos);
        ASSERT_EQ(messages.texts.size(), 1) << "Slider" << r.second;
        EXPECT_EQ(messages.texts[0], QString::fromUtf8(r.message));
        EXPECT_EQ(form->Slider[r.second]->value(), r.expectedBack);
    }
    // Accepted moves act in the running program at once, as do the delay widgets.
    EXPECT_EQ(module.AzimuthRangeMax, 150);
    Move(8, 5);
    EXPECT_EQ(module.ElevationRangeMin, 5);
    Move(11, 7);
    EXPECT_FLOAT_EQ(module.DelaySeconds, 0.7f);
    EXPECT_EQ(module.DelaySetting, QStringLiteral(" 7"));
    form->Check3->setChecked(true);
    EXPECT_EQ(module.DelaySwitch, QStringLiteral("1"));
    form->Check3->setChecked(false);
    EXPECT_EQ(module.DelaySwitch, QStringLiteral("0"));
}

TEST_F(DialogFixture, SaveRefusalsWriteNothingAndFocusTheCulprit) {
    const char* ip1 = "ＩＰ１アドレスを正しくセットしてください";
    const char* ip2 = "ＩＰ２アドレスを正しくセットしてください";
    const char* ip3 = "ＩＰ３アドレスを正しくセットしてください";
    struct Row {
        const char* what;
        std::vector<std::pair<int, int>> moves;
        std::vector<std::pair<int, const char*>> boxes;
        const char *message, *focus;
        const char* port = "";
    };
    const char* port = "ボードのポート番号は 1〜65535 の整数にしてください（空欄は既定の 502）";
    const Row rows[] = {
        {"256", {}, {{7, "256"}}, ip3, "Text7"},
        {"leading zero", {}, {{5, "010"}}, ip1, "Text5"},
        {"first bad box wins", {}, {{8, "x"}, {6, "999"}}, ip2, "Text6"},
        {"address before port", {}, {{5, "300"}}, ip1, "Text5", "0"},
        {"port 0", {}, {}, port, "BoardPort", "0"},
        {"port 65536", {}, {}, port, "BoardPort", "65536"},
        {"port with sign", {}, {}, port, "BoardPort", "-502"},
        {"port with leading zero", {}, {}, port, "BoardPort", "0502"},
        {"port with a blank inside", {}, {}, port, "BoardPort", "5 02"},
        {"port as a fraction", {}, {}, port, "BoardPort", "502.5"},
        {"port with a word", {}, {}, port, "BoardPort", "502tcp"},
        {"port in full-width digits", {}, {}, port, "BoardPort", "５０２"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Form2& f = Open();
        for (const auto& [slider, position] : r.moves)
            Move(slider, position);
        for (const auto& [box, text] : r.boxes)
            f.Text[box]->setText(QString::fromUtf8(text));
        f.BoardPort->setText(QString::fromUtf8(r.port));
        f.Command4_Click();
        ASSERT_EQ(messages.texts.size(), 1);
        EXPECT_EQ(messages.texts[0], QString::fromUtf8(r.message));
        ASSERT_NE(f.focusWidget(), nullptr);
        EXPECT_EQ(f.focusWidget()->objectName(), QLatin1String(r.focus));
        EXPECT_FALSE(QFile::exists(iniPath()));
        EXPECT_FALSE(f.SettingsSaved());
    }
}

// A travel past the range that the captured calibration cannot read is refused on the save, with the
// voltage to capture and the focus on the travel; captured right, it is saved.
TEST_F(DialogFixture, TravelTheCalibrationCannotReadIsRefusedUntilCapturedRight) {
    struct Row {
        const char* what;
        const char* tracking;
        int channel, count; // captured at the range maximum
        const char *says, *focus;
    };
    const Row rows[] = {
        {"azimuth", "[TRACKING]\r\nAZ_TRAVEL=450\r\n", 0, 818, "360 度の電圧は 4.00 V 以下", "AzimuthTravel"},
        {"elevation", "[TRACKING]\r\nEL_TRAVEL=180\r\n", 1, 511, "90 度の電圧は 2.50 V 以下",
         "ElevationTravel"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const QByteArray before = QByteArray("[VPOSITION]\r\nVVOLT90=3.000\r\n") + r.tracking;
        WriteBytes(iniPath(), before);
        Form2& f = Open();
        EXPECT_TRUE(messages.texts.isEmpty());
        f.Command4_Click();
        ASSERT_EQ(messages.texts.size(), 1);
        EXPECT_TRUE(messages.texts[0].contains(QString::fromUtf8(r.says))) << messages.texts[0].toStdString();
        ASSERT_NE(f.focusWidget(), nullptr);
        EXPECT_EQ(f.focusWidget()->objectName(), QLatin1String(r.focus));
        EXPECT_EQ(ReadBytes(iniPath()), before);
        EXPECT_FALSE(f.SettingsSaved());

        board.counts[r.channel] = r.count;
        f.Timer1_Timer();
        (r.channel == 0 ? f.Command3_Click() : f.Command6_Click());
        f.Command4_Click();
        EXPECT_EQ(messages.texts.size(), 1);
        EXPECT_TRUE(f.SettingsSaved());
        MainState started;
        EXPECT_TRUE(ReadStartupSettings(started, iniPath()).isEmpty());
        EXPECT_TRUE(ReadTrackingSettings(started.tracking, iniPath()).isEmpty());
        EXPECT_TRUE(RefuseUnreadableTravel(started.tracking, started).isEmpty());
        EXPECT_TRUE(started.tracking.azimuthTravelMax == 450 || started.tracking.elevationTravelMax == 180);
    }
}

TEST_F(DialogFixture, EditedSettingsAreWrittenAndReadBackByStartUp) {
    WriteBytes(iniPath(), "[HPOSITION]\r\nHVOLT0=0.120\r\n");
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
    const char* address[] = {"127", "0", "255", "1"}; // both ends of an address field
    for (int i = 0; i < 4; ++i)
        f.Text[5 + i]->setText(QLatin1String(address[i]));
    f.Command4_Click();
    ASSERT_TRUE(f.SettingsSaved());
    EXPECT_TRUE(messages.texts.isEmpty());

    const QByteArray written = ReadBytes(iniPath());
    for (const char* line : {"HVOLT0=0.120\r\n", "HVOLT360=4.888\r\n", "VVOLT90=1.955\r\n",
                             "HHOSEIKAKU=-2.000\r\n", "VHOSEIKAKU=3.000\r\n", "HGOSA=2\r\n", "VGOSA_D=9\r\n",
                             "V_MOTOR=0\r\n", "HKITEN=1\r\n", "DELAY= 5\r\n", "DELAY_SW=1\r\n",
                             "V-RANGE= 10, 80\r\n", "H-RANGE= 20, 340\r\n", "IP=127.0.255.1\r\n"})
        EXPECT_TRUE(written.contains(line)) << line;
    EXPECT_EQ(module.BoardAddress, QStringLiteral("127.0.255.1"));

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
    EXPECT_EQ(started.module.BoardAddress, QStringLiteral("127.0.255.1"));

    // The dialog opened again shows what was saved.
    Form2& again = Open();
    EXPECT_TRUE(again.Option2->isChecked());
    EXPECT_EQ(again.Slider[1]->value(), -2);
    EXPECT_TRUE(again.Check3->isChecked());
    EXPECT_FALSE(again.Check2->isChecked());
    EXPECT_EQ(again.Text[2]->text(), QStringLiteral(" 4.888"));
}

TEST_F(DialogFixture, PortBoxWritesAWholePortOrTheDefaultAndKeepsTheRestOfTheMap) {
    const QByteArray map = "[BOARD_MAP]\r\nTRANSPORT=TCP\r\nPORT=1502\r\nUNIT=2\r\n";
    struct Row {
        const char* what;
        QByteArray before;
        const char* shown; // the box after opening
        const char* typed;
        const char* port; // PORT written, nullptr for none
    };
    const Row rows[] = {
        {"no key, left empty", "", "", "", nullptr},
        {"no key, typed", "", "", "5020", "5020"},
        {"lowest", "", "", "1", "1"},
        {"highest", "", "", "65535", "65535"},
        {"blanks around", "", "", " 503 ", "503"},
        {"kept as read", map, "1502", "1502", "1502"},
        {"emptied: the default, not a removal", map, "1502", "", "502"},
        {"read as the start reads it", "[BOARD_MAP]\r\nPORT= 802 \r\n", "802", "802", "802"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        if (r.before.isEmpty())
            QFile::remove(iniPath());
        else
            WriteBytes(iniPath(), r.before);
        Form2& f = Open();
        EXPECT_TRUE(messages.texts.isEmpty());
        EXPECT_EQ(f.BoardPort->text(), QString::fromUtf8(r.shown));
        f.BoardPort->setText(QString::fromUtf8(r.typed));
        f.Command4_Click();
        ASSERT_TRUE(f.SettingsSaved());
        const QByteArray written = ReadBytes(iniPath());
        if (!r.port) {
            EXPECT_FALSE(written.contains("BOARD_MAP"));
            continue;
        }
        const QByteArray line = "PORT=" + QByteArray(r.port) + "\r\n";
        if (r.before == map)
            EXPECT_TRUE(written.startsWith("[BOARD_MAP]\r\nTRANSPORT=TCP\r\n" + line + "UNIT=2\r\n"));
        else if (r.before.isEmpty())
            EXPECT_TRUE(written.endsWith("DELAY_SW=0\r\n[BOARD_MAP]\r\n" + line)) << written.toStdString();
        else
            EXPECT_TRUE(written.startsWith("[BOARD_MAP]\r\n" + line));
        EXPECT_EQ(Open().BoardPort->text(), QLatin1String(r.port));
    }
}

TEST_F(DialogFixture, CountsBecomeVoltsCapturesTakeTheLastTicksCountAndFailuresKeepIt) {
    board.counts[0] = 800;
    Form2& f = Open();
    f.Command3_Click(); // before the first tick: nothing read yet
    EXPECT_EQ(f.Text[2]->text(), QStringLiteral(" 0.000"));
    EXPECT_EQ(f.workingCopies()[DialogKey::HVOLT360], 0.0);
    EXPECT_TRUE(board.reads.empty());
    board.counts[0] = 1023;
    board.counts[1] = 0;
    f.Timer1_Timer();
    EXPECT_EQ(f.Label[1]->text(), QStringLiteral("5.000"));
    EXPECT_EQ(f.Label[4]->text(), QStringLiteral("0.000"));
    const auto reads = board.reads.size();
    f.Command2_Click();
    f.Command6_Click();
    EXPECT_EQ(board.reads.size(), reads);
    EXPECT_EQ(f.Text[1]->text(), QStringLiteral(" 5.000"));
    EXPECT_EQ(f.Text[4]->text(), QStringLiteral(" 0.000"));
    EXPECT_DOUBLE_EQ(f.workingCopies()[DialogKey::HVOLT0], 5.0);
    EXPECT_TRUE(f.Label[27]->text().isEmpty());
    // A failing board fills the error lines and keeps the last voltages.
    board.failAllReads = true;
    board.counts[0] = 100;
    f.Timer1_Timer();
    EXPECT_EQ(f.Label[27]->text(), QStringLiteral("発生したエラーの番号は 10060"));
    EXPECT_EQ(f.Label[28]->text(), QStringLiteral("エラーメッセージは board did not answer"));
    EXPECT_EQ(f.Label[1]->text(), QStringLiteral("5.000"));
    EXPECT_EQ(f.Label[4]->text(), QStringLiteral("0.000"));
    EXPECT_TRUE(messages.texts.isEmpty());
    // Still usable; the lines stay after the board answers again.
    board.failAllReads = false;
    f.Timer1_Timer();
    EXPECT_EQ(f.Label[1]->text(), QStringLiteral("0.489"));
    EXPECT_FALSE(f.Label[27]->text().isEmpty());
}

TEST_F(DialogFixture, AnAxisNotInUseIsNotReadUntilSaved) {
    WriteBytes(iniPath(), "[MOTOR]\r\nH_MOTOR=0\r\n");
    board.counts[0] = 700;
    board.counts[1] = 300;
    Form2& f = Open();
    f.Timer1_Timer();
    EXPECT_EQ(board.reads, std::vector<int>{1});
    f.Command2_Click();
    EXPECT_EQ(f.Text[1]->text(), QStringLiteral(" 0.000"));
    // Ticking the box alone changes nothing; a save press that passes the range checks does, even when
    // the address check then refuses it.
    f.Check1->setChecked(true);
    f.Timer1_Timer();
    EXPECT_EQ(f.Label[1]->text(), QStringLiteral("0.000"));
    f.Text[8]->setText(QStringLiteral("300"));
    f.Command4_Click();
    EXPECT_FALSE(f.SettingsSaved());
    board.reads.clear();
    f.Timer1_Timer();
    EXPECT_EQ(board.reads, (std::vector<int>{0, 1}));
    EXPECT_EQ(f.Label[1]->text(), QStringLiteral("3.421"));
}

} // namespace

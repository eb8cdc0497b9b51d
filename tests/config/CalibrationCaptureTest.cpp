#include "Form2Fixture.h"
#include "config/Form2.h"
#include "support/FakePorts.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct CaptureFixture : Form2Fixture {};

TEST_F(CaptureFixture, CountsBecomeVoltsInLabelsAndCapturedBoxes) {
    struct Row {
        int azimuthCount, elevationCount;
        const char *azimuthLabel, *elevationLabel, *azimuthBox, *elevationBox;
    };
    const Row rows[] = {{1023, 0, "5.000", "0.000", " 5.000", " 0.000"},
                        {512, 511, "2.502", "2.498", " 2.502", " 2.498"},
                        {1, 1022, "0.005", "4.995", " 0.005", " 4.995"}};
    Form2& f = Open();
    for (const Row& r : rows) {
        board.counts[0] = r.azimuthCount;
        board.counts[1] = r.elevationCount;
        f.Timer1_Timer();
        EXPECT_EQ(f.Label[1]->text(), QLatin1String(r.azimuthLabel));
        EXPECT_EQ(f.Label[4]->text(), QLatin1String(r.elevationLabel));
        f.Command2_Click();
        f.Command6_Click();
        EXPECT_EQ(f.Text[1]->text(), QLatin1String(r.azimuthBox));
        EXPECT_EQ(f.Text[4]->text(), QLatin1String(r.elevationBox));
        EXPECT_DOUBLE_EQ(f.workingCopies()[DialogKey::HVOLT0], r.azimuthCount * 5.0 / 1023.0);
    }
    EXPECT_TRUE(f.Label[27]->text().isEmpty());
    // A capture takes the last tick's count: no fresh read.
    const auto reads = board.reads.size();
    f.Command3_Click();
    f.Command5_Click();
    EXPECT_EQ(board.reads.size(), reads);
}

TEST_F(CaptureFixture, CaptureBeforeTheFirstTickStoresZeroVolts) {
    board.counts[0] = 800;
    Form2& f = Open();
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_EQ(f.Timer1->interval(), 2000);
    f.Command3_Click();
    EXPECT_EQ(f.Text[2]->text(), QStringLiteral(" 0.000"));
    EXPECT_EQ(f.workingCopies()[DialogKey::HVOLT360], 0.0);
    EXPECT_TRUE(board.reads.empty());
}

TEST_F(CaptureFixture, FailingBoardFillsTheErrorLinesAndKeepsTheLastVoltages) {
    Form2& f = Open();
    board.counts[0] = 512;
    board.counts[1] = 1023;
    f.Timer1_Timer();
    board.failAllReads = true;
    board.counts[0] = 100;
    f.Timer1_Timer();
    EXPECT_EQ(f.Label[27]->text(), QStringLiteral("発生したエラーの番号は 10060"));
    EXPECT_EQ(f.Label[28]->text(), QStringLiteral("エラーメッセージは board did not answer"));
    EXPECT_EQ(f.Label[1]->text(), QStringLiteral("2.502"));
    EXPECT_EQ(f.Label[4]->text(), QStringLiteral("5.000"));
    EXPECT_TRUE(messages.texts.isEmpty());
    // Still usable; the lines stay after the board answers again.
    board.failAllReads = false;
    f.Timer1_Timer();
    EXPECT_EQ(f.Label[1]->text(), QStringLiteral("0.489"));
    EXPECT_FALSE(f.Label[27]->text().isEmpty());
}

TEST_F(CaptureFixture, AnAxisNotInUseIsNotReadUntilSaved) {
    WriteIni("[MOTOR]\r\nH_MOTOR=0\r\n");
    board.counts[0] = 700;
    board.counts[1] = 300;
    Form2& f = Open();
    f.Timer1_Timer();
    EXPECT_EQ(board.reads, std::vector<int>{1});
    EXPECT_EQ(f.Label[1]->text(), QStringLiteral("0.000"));
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

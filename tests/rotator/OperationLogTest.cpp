#include "RotatorFixture.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

class OperationLogTest : public RotatorTest {
  protected:
    OperationLogTest() { rotator.log.path = dir.filePath(QStringLiteral("azelmon_log.LOG")); }
    QByteArray Contents() {
        QFile file(rotator.log.path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

struct StepLineCase {
    const char* name;
    double present, pointed, tolerance;
    const char* line;
};

class ManualStepLine : public OperationLogTest, public ::testing::WithParamInterface<StepLineCase> {};

TEST_P(ManualStepLine, OneLinePerStep) {
    const auto& c = GetParam();
    state.module.DebugLogSwitch = QStringLiteral("1");
    state.OperatingMode = 1;
    state.PresentAzimuth = c.present;
    state.PointedAzimuth = c.pointed;
    state.AzimuthTolerance = c.tolerance;
    rotator.positioning.ManualPositioningStep();
    EXPECT_EQ(Contents(), QByteArray(c.line) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    WriteLog, ManualStepLine,
    ::testing::Values(StepLineCase{"Plain", 10, 12, 1.5, "hkaku= 10 h_gosa= 1.5tp_m_hkaku= 12"},
                      StepLineCase{"Fractions", 123.5, 130, 1.5, "hkaku= 123.5 h_gosa= 1.5tp_m_hkaku= 130"},
                      StepLineCase{"Negative", -0.5, 12, 2.3, "hkaku=-.5 h_gosa= 2.3tp_m_hkaku= 12"},
                      StepLineCase{"TargetHeldAt0", 10, -4, 1.5, "hkaku= 10 h_gosa= 1.5tp_m_hkaku= 0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OperationLogTest, SwitchOffWritesNothing) {
    for (const char* value : {"", "0", "1 ", "on"}) {
        state.module.DebugLogSwitch = QString::fromUtf8(value);
        state.OperatingMode = 1;
        rotator.positioning.ManualPositioningStep();
        rotator.log.StopAzimuthAndLog();
        rotator.log.StopElevationAndLog();
        rotator.log.ResumeAzimuthAndLog(512);
    }
    EXPECT_FALSE(QFile::exists(rotator.log.path));
    EXPECT_TRUE(world.messages.texts.isEmpty());
}

TEST_F(OperationLogTest, StopAndResumeRestoreTheRelaysAndLogTheVolts) {
    state.module.DebugLogSwitch = QStringLiteral("1");
    state.piob4 = 1;
    state.piob6 = 1;
    world.board.counts[0] = 0;
    world.board.counts[1] = 1023;
    rotator.log.StopAzimuthAndLog();
    EXPECT_TRUE(Relays(0, 0, 1, 0));
    rotator.log.StopElevationAndLog();
    rotator.log.ResumeAzimuthAndLog(1023);
    EXPECT_TRUE(Relays(1, 0, 0, 0));
    EXPECT_EQ(state.sv_piob4, 0);
    EXPECT_EQ(state.sv_piob6, 1); // the elevation is never resumed
    const QString text = QString::fromUtf8("水平停止 電圧＝ 0\r\n仰角停止 電圧＝ 5\r\n水平再開 電圧＝ 5\r\n");
    QByteArray expected;
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        QTemporaryDir other;
        const QString path = other.filePath(QStringLiteral("x"));
        ASSERT_TRUE(AppendCp932Line(path, line));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        expected += f.readAll();
    }
    EXPECT_EQ(Contents(), expected);
    EXPECT_EQ(Contents().left(2), QByteArray("\x90\x85")); // CP932 for 水
}

TEST_F(OperationLogTest, ElevationStopIgnoresAFailedRead) {
    state.module.DebugLogSwitch = QStringLiteral("1");
    world.board.failAllReads = true;
    rotator.log.StopElevationAndLog();
    EXPECT_TRUE(Contents().endsWith(" 0\r\n"));
    EXPECT_TRUE(world.status.history.isEmpty());
}

TEST_F(OperationLogTest, UnopenableFileShowsTheMessageEveryLine) {
    state.module.DebugLogSwitch = QStringLiteral("1");
    rotator.log.path = dir.filePath(QStringLiteral("no/such/dir/azelmon_log.LOG"));
    rotator.log.WriteLog(QStringLiteral("a"));
    rotator.log.WriteLog(QStringLiteral("b"));
    EXPECT_EQ(world.messages.texts,
              QStringList(2, QStringLiteral("azelmon_log.LOGファイルがオープンできません")));
}

TEST_F(OperationLogTest, AppendsToAnExistingFile) {
    state.module.DebugLogSwitch = QStringLiteral("1");
    rotator.log.WriteLog(QStringLiteral("one"));
    rotator.log.WriteLog(QStringLiteral("two"));
    EXPECT_EQ(Contents(), QByteArray("one\r\ntwo\r\n"));
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "RotatorFixture.h"
#include "support/StepPhases.h"

#include <QTemporaryDir>

namespace {

class OperationLogTest : public RotatorTest {
  protected:
    OperationLogTest() {
        rotator.log.path = dir.filePath(QStringLiteral("azelmon_log.LOG"));
        state.module.DebugLogSwitch = QStringLiteral("1");
    }
    QByteArray Contents() {
        QFile file(rotator.log.path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

// The stop logs the azimuth's voltage: a read that fails on the way is said on the status line.
TEST_F(OperationLogTest, AutomaticTargetOutsideRangeStopsAzimuthAndShowsAFailedRead) {
    state.OperatingMode = RunMode::Automatic;
    state.module.AzimuthRangeMax = 300;
    SetOwned(state.TargetAzimuth, 320);
    SetOwned(state.PresentElevation, 30);
    SetOwned(state.TargetElevation, 30);
    SetRelay(state.piob4, 1);
    world.board.failAllReads = true;
    rotator.StartAutoTracking();
    EXPECT_EQ(state.sv_piob4, 1);
    EXPECT_EQ(state.piob4, 0);
    EXPECT_EQ(world.status.left, QStringLiteral("4.発生したエラーの番号は 10060"));
}

// Every aim stays inside the travel by the tolerance (1.5), so a motor stops before its end stop: the
// log's line shows the working target.
TEST_F(OperationLogTest, EveryAimStaysInsideTheTravelByTheTolerance) {
    struct Row {
        double pointed, azimuthTravel;
        const char* logged;
    } const rows[] = {
        {360, 0, "tp_m_hkaku= 358.5"},
        {0, 0, "tp_m_hkaku= 1.5"},
        {449.9, 450, "tp_m_hkaku= 448.5"},
        {180, 0, "tp_m_hkaku= 180"},
    };
    state.OperatingMode = RunMode::Manual;
    SetOwned(state.PresentAzimuth, 10);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.logged);
        QFile::remove(rotator.log.path);
        state.tracking.azimuthTravelMax = row.azimuthTravel;
        state.PointedAzimuth = row.pointed;
        rotator.positioning.ManualPositioningStep();
        RunStepPhases(rotator.positioning, world.clock);
        EXPECT_TRUE(Contents().endsWith(QByteArray(row.logged) + "\r\n")) << Contents().toStdString();
    }
}

TEST_F(OperationLogTest, ManualStepsAppendOneLineEach) {
    state.OperatingMode = RunMode::Manual;
    SetOwned(state.PresentAzimuth, 10);
    state.PointedAzimuth = 12;
    rotator.positioning.ManualPositioningStep();
    RunStepPhases(rotator.positioning, world.clock);
    state.PointedAzimuth = -4; // held inside the travel by the tolerance
    rotator.positioning.ManualPositioningStep();
    EXPECT_EQ(Contents(), QByteArray("hkaku= 10 h_gosa= 1.5tp_m_hkaku= 12\r\n"
                                     "hkaku= 10 h_gosa= 1.5tp_m_hkaku= 1.5\r\n"));
}

TEST_F(OperationLogTest, SwitchOffWritesNothing) {
    state.module.DebugLogSwitch = QStringLiteral("1 "); // only "1" switches it on
    state.OperatingMode = RunMode::Manual;
    rotator.positioning.ManualPositioningStep();
    world.board.reads.clear();
    rotator.log.StopAzimuthAndLog();
    rotator.log.StopElevationAndLog();
    rotator.log.ResumeAzimuthAndLog(512);
    EXPECT_FALSE(QFile::exists(rotator.log.path));
    EXPECT_TRUE(world.board.reads.empty()) << "the voltages are read for the log alone";
    EXPECT_TRUE(world.messages.texts.isEmpty());
}

TEST_F(OperationLogTest, StopAndResumeRestoreTheRelaysAndLogTheVoltsInCp932) {
    HoldLeases();
    SetRelay(state.piob4, 1);
    SetRelay(state.piob6, 1);
    world.board.counts[0] = 0;
    world.board.counts[1] = 1023;
    rotator.log.StopAzimuthAndLog();
    EXPECT_TRUE(Relays(0, 0, 1, 0));
    rotator.log.StopElevationAndLog();
    rotator.log.ResumeAzimuthAndLog(1023);
    EXPECT_TRUE(Relays(1, 0, 0, 0));
    EXPECT_EQ(state.sv_piob4, 0);
    EXPECT_EQ(state.sv_piob6, 1); // the elevation is never resumed
    // 水平停止 電圧＝ 0, 仰角停止 電圧＝ 5, 水平再開 電圧＝ 5
    EXPECT_EQ(Contents(), QByteArray("\x90\x85\x95\xbd\x92\xe2\x8e\x7e \x93\x64\x88\xb3\x81\x81 0\r\n"
                                     "\x8b\xc2\x8a\x70\x92\xe2\x8e\x7e \x93\x64\x88\xb3\x81\x81 5\r\n"
                                     "\x90\x85\x95\xbd\x8d\xc4\x8a\x4a \x93\x64\x88\xb3\x81\x81 5\r\n"));
}

// No box (it would wait for OK inside a positioning step): the status line says it once and the log
// goes off, so the lines after it are not even tried.
TEST_F(OperationLogTest, UnwritableFileIsReportedOnceOnTheStatusLineAndSwitchesTheLogOff) {
    rotator.log.path = dir.filePath(QStringLiteral("no/such/dir/azelmon_log.LOG"));
    HoldLeases();
    SetRelay(state.piob4, 1);
    rotator.OutputAzimuthRelays();
    rotator.log.WriteLog(QStringLiteral("a"));
    rotator.log.WriteLog(QStringLiteral("b"));
    EXPECT_TRUE(world.messages.texts.isEmpty());
    EXPECT_EQ(world.status.history.count(QStringLiteral("L:") + OperationLog::LogFailedText), 1);
    EXPECT_TRUE(world.status.right.endsWith(QStringLiteral("no/such/dir/azelmon_log.LOG")));
    EXPECT_EQ(state.module.DebugLogSwitch, QStringLiteral("0"));
    EXPECT_EQ(world.board.Level(4), 1); // the control goes on
}

} // namespace

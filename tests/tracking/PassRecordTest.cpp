// SPDX-License-Identifier: GPL-3.0-or-later
// The record of a followed pass: when it begins and ends, what it measures, the file it leaves.
#include "tracking/PassRecord.h"
#include "common/MainState.h"
#include "common/NoSatellite.h"
#include "common/TextFile.h"
#include "support/FakePorts.h"
#include "support/ScenarioForTests.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// One tracking cycle as the recorder sees it; the antenna lags the satellite by 1° of azimuth.
struct Step {
    RunMode mode = RunMode::Automatic;
    int option = 1;
    QString satellite = QStringLiteral("ISS");
    double elevation = 20;
    int startup = 0;
    int repeat = 1;
};
using Files = std::vector<std::pair<QString, int>>; // satellite and samples, oldest file first

Files RecordsIn(const QString& folder) {
    Files files;
    const QStringList names = ListPassRecords(folder);
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        const auto record = ReadPassRecord(QDir(folder).filePath(*it));
        files.emplace_back(record ? record->satellite : *it, record ? int(record->samples.size()) : -1);
    }
    return files;
}

TEST(PassRecord, BeginsAndEndsWithTheFollowedPass) {
    const Step set{.elevation = -0.5};
    const struct Row {
        const char* name;
        std::vector<Step> steps;
        Files beforeEnd, afterEnd; // on disk after the steps, and once the program has ended
    } rows[] = {
        {"followed until it sets",
         {{.repeat = 5}, set, {.repeat = 3}},
         {{"ISS", 5}},
         {{"ISS", 5}, {"ISS", 3}}},
        {"nothing followed",
         {{.mode = RunMode::Manual, .repeat = 3},
          {.option = 2, .repeat = 3},
          {.satellite = NoSatelliteName, .repeat = 3},
          {.startup = 2, .repeat = 3},
          {.elevation = -10, .repeat = 3}},
         {},
         {}},
        {"abort ends it, automatic again begins another",
         {{.repeat = 3}, {.mode = RunMode::Stopped}, {.repeat = 2}},
         {{"ISS", 3}},
         {{"ISS", 3}, {"ISS", 2}}},
        {"the satellite changes",
         {{.repeat = 3}, {.satellite = "SO-50", .repeat = 4}},
         {{"ISS", 3}},
         {{"ISS", 3}, {"SO-50", 4}}},
        {"one cycle is no record", {{}, set, {}}, {}, {}},
        {"the program ends mid-pass", {{.repeat = 4}}, {}, {{"ISS", 4}}},
        {"a long pass is on disk before it ends",
         {{.repeat = PassRecorder::RewriteEvery + 1}},
         {{"ISS", PassRecorder::RewriteEvery}},
         {{"ISS", PassRecorder::RewriteEvery + 1}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        FakeClock clock;
        MainState state;
        {
            PassRecorder recorder(dir.path());
            int cycle = 0;
            for (const Step& step : row.steps)
                for (int i = 0; i < step.repeat; ++i, ++cycle) {
                    state.OperatingMode = step.mode;
                    state.StartupState = static_cast<std::int16_t>(step.startup);
                    SetOwned(state.TargetName, step.satellite);
                    SetOwned(state.TargetAzimuth, 100 + cycle);
                    SetOwned(state.TargetElevation, step.elevation);
                    SetOwned(state.PresentAzimuth, state.TargetAzimuth - 1);
                    SetOwned(state.PresentElevation, std::max(step.elevation, 0.0));
                    recorder.Observe(ObservePass(state, step.option, state.TargetAzimuth, clock));
                    clock.Advance(1000);
                }
            EXPECT_EQ(RecordsIn(dir.path()), row.beforeEnd);
        }
        EXPECT_EQ(RecordsIn(dir.path()), row.afterEnd);
    }

    // A folder that cannot take the file: said once a pass, on the rewrite that failed first.
    QTemporaryDir dir;
    FakeClock clock;
    MainState state;
    state.OperatingMode = RunMode::Automatic;
    state.StartupState = 0;
    SetOwned(state.TargetName, QStringLiteral("ISS"));
    SetOwned(state.TargetElevation, 10);
    PassRecorder recorder(dir.filePath(QStringLiteral("missing")));
    QStringList told;
    for (int i = 0; i <= 2 * PassRecorder::RewriteEvery; ++i) {
        if (i == 2 * PassRecorder::RewriteEvery)
            SetOwned(state.TargetElevation, -1);
        if (const auto text = recorder.Observe(ObservePass(state, 1, 0, clock)))
            told << *text;
        clock.Advance(1000);
    }
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told.front().contains(QStringLiteral("追跡記録を書き込めません: ") + dir.filePath("missing")))
        << qPrintable(told.front());
}

// The antenna as the map shows it against the satellite's compass direction, whatever the rotator's
// frame: corrections, the south start point, a rotator past 360° or tipped over the top.
TEST(PassRecord, PointingErrorOnTheSky) {
    const struct Row {
        const char* name;
        const char* startPoint;
        double elevationTravel, presentAzimuth, presentElevation, azimuthCorrection;
        double targetAzimuth, targetElevation, error;
    } rows[] = {
        {"one degree on the horizon", "0", 90, 11, 0, 0, 10, 0, 1},
        {"across north", "0", 90, 359.5, 10, 0, 0.5, 10, 0.98481},
        {"near the zenith azimuth counts little", "0", 90, 0, 89, 0, 180, 89, 2},
        {"the correction taken off", "0", 90, 12, 30, 2, 10, 30, 0},
        {"south start point", "1", 90, 190, 45, 0, 10, 45, 0},
        {"past 360 degrees", "0", 90, 400, 20, 0, 40, 20, 0},
        {"over the top", "0", 180, 190, 100, 0, 10, 80, 0},
    };
    FakeClock clock;
    for (const Row& r : rows) {
        MainState state;
        state.AzimuthStartPoint = QString::fromLatin1(r.startPoint);
        state.tracking.elevationTravelMax = r.elevationTravel;
        state.tracking.azimuthTravelMax = 450;
        SetOwned(state.PresentAzimuth, r.presentAzimuth);
        SetOwned(state.PresentElevation, r.presentElevation);
        state.AzimuthCorrection = r.azimuthCorrection;
        SetOwned(state.TargetElevation, r.targetElevation);
        // Stamped with the time the positions are served for, not the computer's clock.
        const QDateTime served = clock.UtcNow().addSecs(-3600);
        const PassObservation seen = ObservePass(state, 1, r.targetAzimuth, clock, served);
        EXPECT_EQ(seen.utc, served);
        EXPECT_NEAR(PointingError(seen.targetAzimuth, seen.targetElevation, seen.antennaAzimuth,
                                  seen.antennaElevation),
                    r.error, 1e-4)
            << r.name;
    }
}

TEST(PassRecord, FiguresAndTheFileReadBack) {
    PassRecord record{
        QStringLiteral("NOAA 15, \"ふじ\""), QDateTime(QDate(2026, 12, 7), QTime(2, 27, 43), Qt::UTC), {}};
    for (int i = 0; i < 20; ++i) // errors 0.0 .. 1.9 in a shuffled order
        record.samples.push_back({record.startUtc.addSecs(i), double(i), 10.0 + i, 5.0 + i, 10.0 + i, 5.0 + i,
                                  ((i * 7) % 20) / 10.0});
    const ErrorFigures f = PointingErrorFigures(record.samples);
    EXPECT_NEAR(f.median, 0.95, 1e-9);
    EXPECT_NEAR(f.p95, 1.805, 1e-9);
    EXPECT_NEAR(f.max, 1.9, 1e-9);
    EXPECT_EQ(PointingErrorFigures({}).max, 0);

    EXPECT_EQ(PassRecordFileName(QStringLiteral("ISS (ZARYA)"), record.startUtc),
              "azelmon_pass_20261207T022743Z_ISS_ZARYA.csv");
    EXPECT_EQ(PassRecordFileName(QStringLiteral("ふじ"), record.startUtc),
              "azelmon_pass_20261207T022743Z_satellite.csv");

    QTemporaryDir dir;
    const QString path = dir.filePath(PassRecordFileName(record.satellite, record.startUtc));
    ASSERT_TRUE(WritePassRecord(path, record));
    const QByteArray bytes = ReadBytes(path);
    EXPECT_TRUE(bytes.startsWith(*EncodeCp932(QStringLiteral("衛星,時刻(UTC),経過秒,"))))
        << bytes.left(40).toHex().data();
    EXPECT_EQ(bytes.count("\r\n"), 21);
    QString problem;
    const auto back = ReadPassRecord(path, &problem);
    ASSERT_TRUE(back) << qPrintable(problem);
    EXPECT_EQ(back->satellite, record.satellite);
    EXPECT_EQ(back->startUtc, record.startUtc);
    ASSERT_EQ(back->samples.size(), record.samples.size());
    for (std::size_t i = 0; i < record.samples.size(); ++i) {
        const PassSample &a = record.samples[i], &b = back->samples[i];
        EXPECT_EQ(b.utc, a.utc);
        EXPECT_EQ(std::vector({b.seconds, b.targetAzimuth, b.targetElevation, b.antennaAzimuth,
                               b.antennaElevation, b.error}),
                  std::vector({a.seconds, a.targetAzimuth, a.targetElevation, a.antennaAzimuth,
                               a.antennaElevation, a.error}));
    }
    EXPECT_NEAR(PointingErrorFigures(back->samples).p95, f.p95, 1e-9);

    // Not a record: another file's header, a line cut short.
    for (const QStringList& lines :
         {QStringList{"0,0,a,--:--,--:--"},
          QStringList{PassRecordLines(record)[0], "ISS,2026-12-07 02:27:43,0.0,1"}})
        EXPECT_FALSE(ParsePassRecord(lines, &problem)) << qPrintable(lines.join('|'));
}

} // namespace

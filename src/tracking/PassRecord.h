// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class Clock;
struct MainState;

// The record of one automatically followed pass: the satellite's direction and the antenna's, once a
// tracking cycle, both in the compass frame (the antenna as the map shows it), and the pointing error
// between them. Written as "azelmon_pass_<start, UTC>_<satellite>.csv" beside the operation log
// (CP932, CR LF): a header line, then one line per cycle:
//   衛星,時刻(UTC),経過秒,目標方位,目標仰角,アンテナ方位,アンテナ仰角,指向誤差
//   ISS (ZARYA),2026-12-07 02:27:43,0.0,123.46,12.30,122.10,11.80,1.432

struct PassSample {
    QDateTime utc;
    double seconds = 0; // since the record began
    double targetAzimuth = 0, targetElevation = 0;
    double antennaAzimuth = 0, antennaElevation = 0;
    double error = 0; // degrees of great circle between the two directions
};

struct PassRecord {
    QString satellite;
    QDateTime startUtc;
    std::vector<PassSample> samples;
};

// The angle between two directions on the sky, degrees; near the zenith a large azimuth difference
// counts for little, as it should.
double PointingError(double azimuth1, double elevation1, double azimuth2, double elevation2);

// Median, 95th percentile (linear between ranks, as tools/trackeval counts it) and maximum of the
// pointing error; all 0 for a record without samples.
struct ErrorFigures {
    double median = 0, p95 = 0, max = 0;
};
ErrorFigures PointingErrorFigures(const std::vector<PassSample>& samples);

// "azelmon_pass_20261207T022743Z_ISS_ZARYA.csv": the start in UTC first, so the names sort by time;
// the satellite's name with everything but ASCII letters, digits and "-" turned into "_".
QString PassRecordFileName(const QString& satellite, const QDateTime& startUtc);
// The file names of the records in `folder` (empty: the current directory), newest first.
QStringList ListPassRecords(const QString& folder);

QStringList PassRecordLines(const PassRecord& record);
// std::nullopt, with the reason in `problem`, for a file that is not a pass record.
std::optional<PassRecord> ParsePassRecord(const QStringList& lines, QString* problem = nullptr);
bool WritePassRecord(const QString& path, const PassRecord& record);
std::optional<PassRecord> ReadPassRecord(const QString& path, QString* problem = nullptr);

// What one tracking cycle saw: whether it followed a satellite (automatic mode, the satellite option,
// start-up over, a real satellite rather than the tracker's placeholder) and the two directions.
struct PassObservation {
    bool following = false;
    QString satellite;
    double targetAzimuth = 0, targetElevation = 0; // compass frame
    double antennaAzimuth = 0, antennaElevation = 0;
    QDateTime utc;
    std::int64_t monotonicMs = 0;
};
// `servedUtc` is the time the served positions are for (a data server may serve another time than
// the computer's clock); without it, the clock's.
PassObservation ObservePass(const MainState& state, int selectedOption, double compassTargetAzimuth,
                            const Clock& clock, const std::optional<QDateTime>& servedUtc = std::nullopt);

// Keeps the record of the pass being followed. A record begins with the first cycle that follows a
// satellite above the horizon and ends when it sets, the mode leaves automatic or the satellite
// changes; then it is written. A record of fewer than MinimumSamples cycles is not worth a file.
// While the pass goes on, the file is rewritten every RewriteEvery samples, so a program that dies
// leaves most of its pass; one that ends in order writes the rest (Finish, or the destructor). A file
// that cannot be written never stops the tracking: the caller gets a text for the status line, once a
// pass.
class PassRecorder {
  public:
    explicit PassRecorder(QString folder = {}) : folder_(std::move(folder)) {}
    ~PassRecorder();
    PassRecorder(const PassRecorder&) = delete;
    PassRecorder& operator=(const PassRecorder&) = delete;

    // The status-line text when the record could not be written (once a record), else nothing.
    std::optional<QString> Observe(const PassObservation& seen);
    // Ends the record in progress, if any, and writes it.
    std::optional<QString> Finish();

    bool Recording() const { return recording_; }
    // The file last written (empty before the first).
    const QString& lastWritten() const { return lastWritten_; }
    // Where records go; empty for the current directory.
    void SetFolder(const QString& folder) { folder_ = folder; }

    static constexpr int MinimumSamples = 2;
    static constexpr int RewriteEvery = 60;

  private:
    std::optional<QString> Write();

    QString folder_;
    bool recording_ = false;
    std::int64_t startMs_ = 0;
    PassRecord record_;
    QString lastWritten_;
    bool failureTold_ = false;
};

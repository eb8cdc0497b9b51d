// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracking/PassRecord.h"

#include "common/Clock.h"
#include "common/MainState.h"
#include "common/NoSatellite.h"
#include "common/TextFile.h"
#include "rotator/AngleMeasurement.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

const QString Header =
    QStringLiteral("衛星,時刻(UTC),経過秒,目標方位,目標仰角,アンテナ方位,アンテナ仰角,指向誤差");
const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
constexpr int Columns = 8;

double Percentile(std::vector<double> sorted, double p) {
    const double index = p * static_cast<double>(sorted.size() - 1);
    const auto low = static_cast<std::size_t>(index);
    const std::size_t high = std::min(low + 1, sorted.size() - 1);
    return sorted[low] + (index - static_cast<double>(low)) * (sorted[high] - sorted[low]);
}

// A field quoted only when it has to be: a comma, a quote, or blanks at an end.
QString CsvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && text.trimmed() == text)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QStringList SplitCsvLine(const QString& line) {
    QStringList fields;
    QString field;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

QString Fixed(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

QString InFolder(const QString& folder, const QString& name) {
    return folder.isEmpty() ? name : QDir(folder).filePath(name);
}

} // namespace

double PointingError(double azimuth1, double elevation1, double azimuth2, double elevation2) {
    // Vincenty's form: as exact for a hundredth of a degree as for a half turn.
    constexpr double rad = std::numbers::pi / 180;
    const double e1 = elevation1 * rad, e2 = elevation2 * rad, da = (azimuth2 - azimuth1) * rad;
    const double x = std::sin(e1) * std::sin(e2) + std::cos(e1) * std::cos(e2) * std::cos(da);
    const double a = std::cos(e2) * std::sin(da);
    const double b = std::cos(e1) * std::sin(e2) - std::sin(e1) * std::cos(e2) * std::cos(da);
    return std::atan2(std::hypot(a, b), x) / rad;
}

ErrorFigures PointingErrorFigures(const std::vector<PassSample>& samples) {
    if (samples.empty())
        return {};
    std::vector<double> errors;
    errors.reserve(samples.size());
    for (const PassSample& s : samples)
        errors.push_back(s.error);
    std::sort(errors.begin(), errors.end());
    return {Percentile(errors, 0.5), Percentile(errors, 0.95), errors.back()};
}

QString PassRecordFileName(const QString& satellite, const QDateTime& startUtc) {
    QString name;
    for (const QChar c : satellite.trimmed()) {
        const bool plain = c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('-'));
        if (plain)
            name += c;
        else if (!name.endsWith(QLatin1Char('_')))
            name += QLatin1Char('_');
    }
    while (name.endsWith(QLatin1Char('_')))
        name.chop(1);
    while (name.startsWith(QLatin1Char('_')))
        name.remove(0, 1);
    if (name.isEmpty())
        name = QStringLiteral("satellite");
    return QStringLiteral("azelmon_pass_%1_%2.csv")
        .arg(startUtc.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")), name);
}

QStringList ListPassRecords(const QString& folder) {
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    QStringList names = dir.entryList({QStringLiteral("azelmon_pass_*.csv")}, QDir::Files, QDir::Name);
    std::reverse(names.begin(), names.end());
    return names;
}

QStringList PassRecordLines(const PassRecord& record) {
    QStringList lines{Header};
    const QString satellite = CsvField(record.satellite);
    for (const PassSample& s : record.samples)
        lines << QStringList{satellite,
                             s.utc.toUTC().toString(TimeFormat),
                             Fixed(s.seconds, 1),
                             Fixed(s.targetAzimuth, 2),
                             Fixed(s.targetElevation, 2),
                             Fixed(s.antennaAzimuth, 2),
                             Fixed(s.antennaElevation, 2),
                             Fixed(s.error, 3)}
                     .join(QLatin1Char(','));
    return lines;
}

std::optional<PassRecord> ParsePassRecord(const QStringList& lines, QString* problem) {
    auto fail = [problem](const QString& why) -> std::optional<PassRecord> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    if (lines.isEmpty() || lines.front().trimmed() != Header)
        return fail(QStringLiteral("追跡記録の見出し行がありません"));
    PassRecord record;
    for (int i = 1; i < lines.size(); ++i) {
        if (lines[i].trimmed().isEmpty())
            continue;
        const QStringList f = SplitCsvLine(lines[i]);
        if (f.size() != Columns)
            return fail(QStringLiteral("%1 行目の項目数が違います").arg(i + 1));
        PassSample s;
        s.utc = QDateTime::fromString(f[1], TimeFormat);
        s.utc.setTimeSpec(Qt::UTC);
        double* numbers[] = {&s.seconds,        &s.targetAzimuth,    &s.targetElevation,
                             &s.antennaAzimuth, &s.antennaElevation, &s.error};
        bool ok = s.utc.isValid();
        for (int n = 0; n < 6 && ok; ++n)
            *numbers[n] = f[n + 2].toDouble(&ok);
        if (!ok)
            return fail(QStringLiteral("%1 行目が読めません").arg(i + 1));
        if (record.samples.empty()) {
            record.satellite = f[0];
            record.startUtc = s.utc;
        }
        record.samples.push_back(std::move(s));
    }
    if (record.samples.empty())
        return fail(QStringLiteral("記録がありません"));
    return record;
}

bool WritePassRecord(const QString& path, const PassRecord& record) {
    return WriteCp932Lines(path, PassRecordLines(record));
}

std::optional<PassRecord> ReadPassRecord(const QString& path, QString* problem) {
    const auto lines = ReadCp932Lines(path);
    if (!lines) {
        if (problem)
            *problem = QStringLiteral("ファイルを読めません");
        return std::nullopt;
    }
    return ParsePassRecord(*lines, problem);
}

PassObservation ObservePass(const MainState& state, int selectedOption, double compassTargetAzimuth,
                            const Clock& clock, const std::optional<QDateTime>& servedUtc) {
    PassObservation seen;
    seen.following = state.StartupState == 0 && state.OperatingMode == RunMode::Automatic &&
                     selectedOption == 1 && !IsNoSatelliteTarget(state.TargetName);
    seen.satellite = state.TargetName->trimmed();
    seen.targetAzimuth = compassTargetAzimuth;
    seen.targetElevation = state.TargetElevation;
    const PointingDirection antenna = MapPointingDirection(state);
    seen.antennaAzimuth = antenna.azimuth;
    seen.antennaElevation = antenna.elevation;
    seen.utc = servedUtc.value_or(clock.UtcNow());
    seen.monotonicMs = clock.MonotonicMs();
    return seen;
}

PassRecorder::~PassRecorder() {
    Finish();
}

std::optional<QString> PassRecorder::Observe(const PassObservation& seen) {
    const bool inPass = seen.following && seen.targetElevation >= 0;
    std::optional<QString> failure;
    if (recording_ && (!inPass || seen.satellite != record_.satellite))
        failure = Finish();
    if (!inPass)
        return failure;
    if (!recording_) {
        recording_ = true;
        failureTold_ = false;
        startMs_ = seen.monotonicMs;
        record_ = PassRecord{seen.satellite, seen.utc.toUTC(), {}};
    }
    PassSample s;
    s.utc = seen.utc.toUTC();
    s.seconds = static_cast<double>(seen.monotonicMs - startMs_) / 1000.0;
    s.targetAzimuth = seen.targetAzimuth;
    s.targetElevation = seen.targetElevation;
    s.antennaAzimuth = seen.antennaAzimuth;
    s.antennaElevation = seen.antennaElevation;
    s.error = PointingError(s.targetAzimuth, s.targetElevation, s.antennaAzimuth, s.antennaElevation);
    record_.samples.push_back(std::move(s));
    if (record_.samples.size() % RewriteEvery == 0)
        return Write();
    return failure;
}

std::optional<QString> PassRecorder::Finish() {
    if (!recording_)
        return std::nullopt;
    recording_ = false;
    std::optional<QString> failure;
    if (record_.samples.size() >= static_cast<std::size_t>(MinimumSamples))
        failure = Write();
    record_ = {};
    return failure;
}

std::optional<QString> PassRecorder::Write() {
    const QString path = InFolder(folder_, PassRecordFileName(record_.satellite, record_.startUtc));
    if (WritePassRecord(path, record_)) {
        lastWritten_ = path;
        return std::nullopt;
    }
    // A record that cannot be written costs the record, never the tracking; said once a pass.
    if (failureTold_)
        return std::nullopt;
    failureTold_ = true;
    return QStringLiteral("追跡記録を書き込めません: %1").arg(QFileInfo(path).absoluteFilePath());
}

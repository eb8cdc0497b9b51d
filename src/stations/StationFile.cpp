#include "stations/StationFile.h"

#include "common/NumberFormat.h"
#include "common/NumberText.h"
#include "common/TextFile.h"

#include <QFile>

namespace {

bool IsBlankLine(const QString& line) {
    for (QChar c : line) {
        if (!IsBlank(c) && c != QLatin1Char('\r'))
            return false;
    }
    return true;
}

StationRecord RecordOf(const QStringList& values) {
    StationRecord r;
    r.azimuth = values.value(0);
    r.elevation = values.value(1);
    r.name = values.value(2);
    r.startTime = values.value(3);
    r.endTime = values.value(4);
    return r;
}

} // namespace

int FieldCountOfLine(const QString& line) {
    int commas = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"')) {
            const qsizetype close = line.indexOf(QLatin1Char('"'), i + 1);
            if (close < 0)
                return 0;
            i = close;
        } else if (c == QLatin1Char(',')) {
            ++commas;
        }
    }
    return commas == 0 ? 0 : commas + 1;
}

QStringList SplitDelimitedLine(const QString& text) {
    QString line = text;
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    QStringList values;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (true) {
        while (i < n && IsBlank(line.at(i)))
            ++i;
        QString value;
        if (i < n && line.at(i) == QLatin1Char('"')) {
            qsizetype close = line.indexOf(QLatin1Char('"'), i + 1);
            if (close < 0)
                close = n;
            value = line.mid(i + 1, close - i - 1);
            i = close + 1;
            // Whatever stands between the closing quote and the next comma is not part of the value.
            while (i < n && line.at(i) != QLatin1Char(','))
                ++i;
        } else {
            qsizetype end = line.indexOf(QLatin1Char(','), i);
            if (end < 0)
                end = n;
            value = line.mid(i, end - i).trimmed();
            i = end;
        }
        values << value;
        if (i >= n)
            break;
        ++i; // the comma; a value (perhaps empty) follows it
    }
    return values;
}

StationFileContents ReadStationFile(const QString& path) {
    StationFileContents result;
    const std::optional<QStringList> lines = ReadCp932Lines(path);
    if (!lines || lines->isEmpty())
        return result;
    const int fields = FieldCountOfLine(lines->first());
    if (fields < 1)
        return result;
    using Problem = StationFileContents::Problem;
    if (fields < 5) {
        // Without the five columns no line can be taken for a station.
        result.problem = Problem::Malformed;
        result.setAsideFromLine = 1;
        return result;
    }
    for (qsizetype i = 0; i < lines->size(); ++i) {
        const QString& line = lines->at(i);
        if (IsBlankLine(line))
            continue;
        const QStringList values = SplitDelimitedLine(line);
        // A line of another length would shift every later station by a column: stop before it.
        if (values.size() != fields) {
            result.problem = Problem::Malformed;
            result.setAsideFromLine = static_cast<int>(i + 1);
            return result;
        }
        if (result.stations.size() >= MaxStations) {
            result.problem = Problem::TooManyStations;
            result.setAsideFromLine = static_cast<int>(i + 1);
            return result;
        }
        result.stations << RecordOf(values);
    }
    return result;
}

QString SetAsideMessage(const QString& path, const StationFileContents& contents) {
    switch (contents.problem) {
    case StationFileContents::Problem::None:
        return QString();
    case StationFileContents::Problem::TooManyStations:
        return QStringLiteral(
                   "局リスト \"%1\" は登録できる%2局を超えています。%3行目から後は読み込みませんでした。")
            .arg(path)
            .arg(MaxStations)
            .arg(contents.setAsideFromLine);
    case StationFileContents::Problem::Malformed:
        break;
    }
    return QStringLiteral(
               "局リスト \"%1\" の%2行目の形式が正しくありません。%2行目から後は読み込みませんでした。")
        .arg(path)
        .arg(contents.setAsideFromLine);
}

namespace {

// A value read from a quoted field may hold a comma or blanks at its ends; written bare it would
// split the line or lose the blanks, so it goes back in quotes (a value with a quote cannot).
QString FileValue(const QString& value) {
    const bool needsQuotes = value.contains(QLatin1Char(',')) ||
                             (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsQuotes || value.contains(QLatin1Char('"')))
        return value;
    return QLatin1Char('"') + value + QLatin1Char('"');
}

} // namespace

QStringList StationFileLines(const QList<StationRecord>& stations) {
    QStringList lines;
    for (const StationRecord& s : stations) {
        lines << QStringList{FileValue(s.azimuth), FileValue(s.elevation), FileValue(s.name),
                             FileValue(s.startTime), FileValue(s.endTime)}
                     .join(QLatin1Char(','));
    }
    return lines;
}

bool WriteStationFile(const QString& path, const QList<StationRecord>& stations) {
    return WriteCp932Lines(path, StationFileLines(stations));
}

bool KeepBackup(const QString& path) {
    QFile original(path);
    if (!original.exists())
        return true;
    if (!original.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = original.readAll();
    if (original.error() != QFileDevice::NoError)
        return false;
    return WriteFileAtomically(path + QStringLiteral(".bak"), bytes);
}

QString FormatColumn(const QString& text, const QString& pattern) {
    const std::optional<double> value = StrictNumber(text);
    return value ? FormatNumber(*value, pattern) : text;
}

QString ComboLine(const StationRecord& s) {
    return FormatColumn(s.azimuth, QStringLiteral("000.0")) + QStringLiteral("  ") +
           FormatColumn(s.elevation, QStringLiteral("00.0")) + QStringLiteral("  ") + s.name;
}

QString EditorLine(const StationRecord& s) {
    return QStringLiteral("   ") + FormatColumn(s.azimuth, QStringLiteral("000.0")) + QStringLiteral("    ") +
           FormatColumn(s.elevation, QStringLiteral("00.0")) + QStringLiteral("     ") + s.startTime +
           QStringLiteral("        ") + s.endTime + QStringLiteral("       ") + s.name;
}

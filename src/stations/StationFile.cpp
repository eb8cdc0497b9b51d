// SPDX-License-Identifier: GPL-3.0-or-later
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

namespace {

bool HasUnclosedQuote(const QString& line) {
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) == QLatin1Char('"')) {
            const qsizetype close = line.indexOf(QLatin1Char('"'), i + 1);
            if (close < 0)
                return true;
            i = close;
        }
    }
    return false;
}

constexpr int ColumnCount = 5;

} // namespace

StationFileContents ReadStationFile(const QString& path) {
    StationFileContents result;
    const std::optional<DecodedLines> decoded = ReadCp932OrUtf8Lines(path);
    if (!decoded) {
        // A file that is there but cannot be read must not be taken for an empty list: that would let
        // the editor write an empty file over it.
        result.unreadable = QFile::exists(path);
        return result;
    }
    const QStringList& lines = decoded->lines;
    result.readAsUtf8 = decoded->encoding == TextEncoding::Utf8;
    int fields = 0; // the record length, set by the first line that can be a station
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const int lineNumber = static_cast<int>(i + 1);
        if (IsBlankLine(line)) {
            // Blank lines between stations carry nothing; a blank first line is how a damaged or
            // hand-made file starts, and the user hears of it.
            if (i == 0)
                result.setAsideLines << lineNumber;
            continue;
        }
        if (result.firstLineBeyondLimit > 0)
            continue;
        if (HasUnclosedQuote(line)) {
            result.setAsideLines << lineNumber;
            continue;
        }
        const QStringList values = SplitDelimitedLine(line);
        if (fields == 0) {
            if (values.size() < ColumnCount) {
                result.setAsideLines << lineNumber;
                continue;
            }
            fields = static_cast<int>(values.size());
        }
        if (values.size() != fields) {
            result.setAsideLines << lineNumber;
            continue;
        }
        if (result.stations.size() >= MaxStations) {
            result.firstLineBeyondLimit = lineNumber;
            continue;
        }
        for (qsizetype v = ColumnCount; v < values.size(); ++v)
            result.extraColumns = result.extraColumns || !values.at(v).isEmpty();
        result.stations << RecordOf(values);
    }
    return result;
}

namespace {

// "3、7、12行目", at most ten numbers and then how many more.
QString LineList(const QList<int>& lines) {
    constexpr int Shown = 10;
    QStringList numbers;
    for (qsizetype i = 0; i < lines.size() && i < Shown; ++i)
        numbers << QString::number(lines.at(i));
    QString text = numbers.join(QStringLiteral("、")) + QStringLiteral("行目");
    if (lines.size() > Shown)
        text += QStringLiteral("（ほか%1行）").arg(lines.size() - Shown);
    return text;
}

} // namespace

QString SetAsideMessage(const QString& path, const StationFileContents& contents) {
    if (contents.unreadable)
        return QStringLiteral("局リスト \"%1\" を読み込めませんでした。このファイルは書き換えません。")
            .arg(path);
    QStringList parts;
    if (!contents.setAsideLines.isEmpty())
        parts << QStringLiteral("局リスト \"%1\" の%2は形式が正しくないため読み込みませんでした。")
                     .arg(path, LineList(contents.setAsideLines));
    if (contents.firstLineBeyondLimit > 0)
        parts << QStringLiteral(
                     "局リスト \"%1\" は登録できる%2局を超えています。%3行目から後は読み込みませんでした。")
                     .arg(path)
                     .arg(MaxStations)
                     .arg(contents.firstLineBeyondLimit);
    return parts.join(QLatin1Char('\n'));
}

QString RewriteNotice(const QString& path, const StationFileContents& contents) {
    QStringList parts;
    if (contents.readAsUtf8)
        parts << QStringLiteral("局リスト \"%1\" は UTF-8 で書かれていたので UTF-8 として読み込みました。"
                                "保存するときはこれまでどおり Shift-JIS (CP932) で書きます。")
                     .arg(path);
    if (contents.extraColumns)
        parts << QStringLiteral(
                     "局リスト \"%1\" の6列目から後（メモなど）は、保存するときに書き出されません。")
                     .arg(path);
    if (parts.isEmpty())
        return QString();
    parts << QStringLiteral("元のファイルは \"%1.bak\" として残します。").arg(path);
    return parts.join(QLatin1Char('\n'));
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

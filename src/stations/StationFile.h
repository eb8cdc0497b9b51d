// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The station list "azelmon.csv": one station a line, five values joined by commas (azimuth,
// elevation, name, start time HH:MM or "--:--", end time HH:MM or "--:--"), CP932 with CR LF.
// The file is opened by its bare name, so it is found in the current directory.

inline constexpr int MaxStations = 257;
inline const QString StationFileName = QStringLiteral("azelmon.csv");
inline const QString NoScheduleTime = QStringLiteral("--:--");

// The five columns of one station, as texts (numbers are not converted here).
struct StationRecord {
    QString azimuth, elevation, name, startTime, endTime;
    bool operator==(const StationRecord&) const = default;
};

// Number of fields on a line (the file's first line sets the record length): the commas outside
// double-quoted stretches, plus one. 0 for a line without a comma or with an unclosed quote.
int FieldCountOfLine(const QString& line);

// The values of one line by the delimited-value rules: blanks before a value skipped; a value that
// begins with a double quote runs to the next double quote, quotes dropped; any other value runs to
// the next comma or the line end, surrounding blanks dropped. "a,b," gives three values, the last empty.
QStringList SplitDelimitedLine(const QString& line);

// What a reading of the file gave. A line that cannot be a station is set aside and named, the rest
// of the file is still read; a rewrite of such a file keeps the original as ".bak" first.
struct StationFileContents {
    QList<StationRecord> stations;
    QList<int> setAsideLines;     // 1-based lines that could not be read as a station
    int firstLineBeyondLimit = 0; // 1-based line of the 258th station; 0 when the list fits
    bool unreadable = false;      // the file is there but could not be read
    bool readAsUtf8 = false;      // written by an editor in UTF-8; the program writes CP932
    bool extraColumns = false;    // values after the fifth, which a rewrite does not keep
    bool Damaged() const { return unreadable || !setAsideLines.isEmpty() || firstLineBeyondLimit > 0; }
    // Something of the file would not survive a rewrite as it stands: keep its original first.
    bool NeedsBackup() const { return Damaged() || readAsUtf8 || extraColumns; }
};

// Reads the file. The first line that can be a station (five or more fields) sets the record
// length; a longer record has its values after the fifth ignored. Blank lines further down are
// skipped. Set aside, each on its own, are: a blank first line or a first line without a comma (a
// heading), a line with a double quote that is never closed, a line whose value count differs from
// the record length (or, ahead of the first station, one with two to four fields), and every line
// after the 257th station. A missing or empty file is an empty list, not damage.
StationFileContents ReadStationFile(const QString& path);

// The one message that tells the user which lines of which file were not loaded; empty when none.
QString SetAsideMessage(const QString& path, const StationFileContents& contents);
// What a rewrite by the editor will change (UTF-8 to CP932, extra columns dropped) and that the
// original is kept as ".bak"; empty when a rewrite keeps everything.
QString RewriteNotice(const QString& path, const StationFileContents& contents);

// The file's lines for the stations, values unquoted.
QStringList StationFileLines(const QList<StationRecord>& stations);
// Writes the stations through a temporary file renamed over the old one. False on any failure,
// the old file then untouched.
bool WriteStationFile(const QString& path, const QList<StationRecord>& stations);
// Keeps a copy of the file as path + ".bak" (replacing an older copy). True when there is nothing
// to keep or the copy was written.
bool KeepBackup(const QString& path);

// Chooser line of the main window: azimuth "000.0", two blanks, elevation "00.0", two blanks, name.
QString ComboLine(const StationRecord& station);
// List line of the editor: 3 blanks, azimuth "000.0", 4 blanks, elevation "00.0", 5 blanks, start
// time, 8 blanks, end time, 7 blanks, name.
QString EditorLine(const StationRecord& station);
// A number text in a display pattern; a text that is not a number is shown unchanged.
QString FormatColumn(const QString& text, const QString& pattern);

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

// What a reading of the file gave. A file that is not sound to its end is loaded up to the first
// line that is wrong, and that line is named so the user can be told.
struct StationFileContents {
    enum class Problem { None, Malformed, TooManyStations };
    QList<StationRecord> stations;
    Problem problem = Problem::None;
    int setAsideFromLine = 0; // 1-based; 0 when the whole file was loaded
    bool Damaged() const { return problem != Problem::None; }
};

// Reads the file. Records follow the first line's field count; a first line of six or more fields
// has its extra values ignored. Blank lines are skipped. Loading stops, and the rest is set aside, at
// a first line of two to four fields (nothing loaded), at a line whose value count differs from the
// first line's, and at a 258th station. A file whose first line gives no field count loads nothing
// and is not called damaged (an empty or missing list is normal).
StationFileContents ReadStationFile(const QString& path);

// The one message that tells the user which part of which file was not loaded.
QString SetAsideMessage(const QString& path, const StationFileContents& contents);

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

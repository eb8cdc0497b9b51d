// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct MainState;
struct Ports;
class RelayOutputs;

// The operation log "azelmon_log.LOG" in the current directory (CP932, CR LF), written only while
// DebugLogSwitch is "1", and the routines that hold an axis still for a quiet voltage reading.
class OperationLog {
  public:
    OperationLog(MainState& state, Ports& ports, RelayOutputs& relays);

    // Appends one line. The file is opened and closed for every line, and closed even when the write
    // fails. A failure switches the log off (DebugLogSwitch "0") and says so once on the status line
    // (LogFailedText, and the file on the right); the program goes on.
    void WriteLog(const QString& text);
    static const QString LogFailedText;

    // Saves piob4/piob5, switches the azimuth off on the board (indicators left as they were) and,
    // with the log on, reads channel 0 and logs "水平停止 電圧＝" with its volts. A failed read throws
    // BoardFailure.
    void StopAzimuthAndLog();
    // The same for the elevation ("仰角停止 電圧＝"); a failed read is ignored and logs 0 volts.
    void StopElevationAndLog();
    // Logs "水平再開 電圧＝" with the volts of `count`, puts the saved azimuth relays back, writes
    // them and clears the saved copies.
    void ResumeAzimuthAndLog(double count);

    // Where the log goes; the bare name, so it lands in the current directory.
    QString path = QStringLiteral("azelmon_log.LOG");

  private:
    MainState& state_;
    Ports& ports_;
    RelayOutputs& relays_;
};

// Appends text + CR LF, encoded in CP932, to the file (created when missing). False when the file
// cannot be opened or written or the text has a character CP932 cannot hold; the file is closed
// in every case.
bool AppendCp932Line(const QString& path, const QString& text);

#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The user's text files are Shift-JIS (CP932) with CR LF line ends.

// Reads all lines (without their CR LF or a lone LF). std::nullopt when the file cannot be opened.
std::optional<QStringList> ReadCp932Lines(const QString& path);

// Writes the lines, each ended by CR LF, to a temporary file that is renamed over the old one, so a
// crash never leaves half a file. False (and the old file untouched) on any failure, including a
// character that CP932 cannot hold.
bool WriteCp932Lines(const QString& path, const QStringList& lines);

// The same for raw bytes (already encoded).
bool WriteFileAtomically(const QString& path, const QByteArray& bytes);

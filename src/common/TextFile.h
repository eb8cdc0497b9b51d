// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The user's text files are Shift-JIS (CP932) with CR LF line ends.

// Reads all lines (without their CR LF or a lone LF); the line end after the last line does not make
// an extra empty line. std::nullopt when the file cannot be opened or read.
std::optional<QStringList> ReadCp932Lines(const QString& path);

// How a text file's bytes were taken.
enum class TextEncoding { Cp932, Utf8 };

struct DecodedLines {
    QStringList lines;
    TextEncoding encoding = TextEncoding::Cp932;
};

// Reads lines as ReadCp932Lines does, except that a file written in UTF-8 (what Linux editors write)
// is read as UTF-8, a leading byte-order mark dropped. A file counts as UTF-8 when it is valid UTF-8
// and either is not valid CP932, or holds a character of three UTF-8 bytes (kana, kanji): UTF-8 kana
// and kanji are often also valid, garbled CP932, while real Shift-JIS kana and kanji are next to
// never valid UTF-8 (most of their bytes cannot start a UTF-8 character).
// std::nullopt when the file cannot be opened or read.
std::optional<DecodedLines> ReadCp932OrUtf8Lines(const QString& path);

// Writes the lines, each ended by CR LF, to a temporary file that is renamed over the old one, so a
// crash never leaves half a file. False (and the old file untouched) on any failure, including a
// character that CP932 cannot hold.
bool WriteCp932Lines(const QString& path, const QStringList& lines);

// The same for raw bytes (already encoded). The folder must exist.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes);

// CP932 bytes to text; a byte sequence that is not CP932 becomes U+FFFD. nullopt only when the
// converter is not available.
std::optional<QString> DecodeCp932(const QByteArray& bytes);

// Text to CP932 bytes; nullopt when a character has no CP932 code.
std::optional<QByteArray> EncodeCp932(const QString& text);

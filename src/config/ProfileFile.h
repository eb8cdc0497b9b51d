// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The profile (INI) file, read and written the way the Windows profile functions do. The file is
// CP932 bytes with lines ending in CR LF, LF or a lone CR; "[Section]" lines open sections (a line that
// lost its "]" too, its name running to the line end), "key=value" lines hold keys. Section and key names
// match without regard to letter case, with blanks (spaces, tabs) at their ends ignored. Only the
// first section of a name counts (for reads and writes), and in it only the first line of a key.
// Lines without "=" (comments, stray words) and lines before the first section never match a key.

// The file as read once: every look-up of a start-up or a reload answers from the same lines, and a
// missing key is no value rather than a text that could also be written in the file.
class ProfileDocument {
  public:
    // A document without lines: every key is missing.
    ProfileDocument() = default;
    // The file's lines; a missing or unreadable file reads as a document without lines.
    static ProfileDocument Read(const QString& path);
    static ProfileDocument FromBytes(const QByteArray& bytes);

    // KEY in Section, with blanks at the ends of the value dropped and matching quotes taken off, at
    // most 254 characters; nothing when the section or the key is missing. An empty value is "".
    std::optional<QString> Value(const QString& key, const QString& section) const;
    // The same, the whole value however long (the lists the program writes itself).
    std::optional<QString> WholeValue(const QString& key, const QString& section) const;

    // The file's bytes as read, for a reader with rules of its own.
    const QByteArray& bytes() const { return bytes_; }

  private:
    QByteArray bytes_;
    QStringList lines_; // decoded, without their line ends
};

// The value of KEY in Section of the file ININame, or "ERROR" when the file, section or key is
// missing. Blanks at the ends of the value are dropped and a value in matching double or single
// quotes loses them; at most 254 characters come back. A key with an empty value gives "".
QString GetINIValue(const QString& KEY, const QString& Section, const QString& ININame);

// The same for a value that is a list the program itself writes (the satellites chosen, the element
// files): the whole value, however long. The file stays as any profile reader takes it; one that stops
// at 254 characters would only see the list cut short.
QString GetWholeINIValue(const QString& KEY, const QString& Section, const QString& ININame);

// Writes one value: replaces the first line of the key with "KEY=Value" where it stands, or appends
// that line to its section after the section's last non-blank line (the section "[Section]" to the
// end of the file when it is new; the file is created when missing, but not its folder). All other
// lines stay byte for byte as they were; written lines end in CR LF. The file is rewritten through a
// temporary file renamed over it. True on success; false, with the file unchanged, when the file
// cannot be read or replaced, when the text has no CP932 code, or when the key, section or value
// could not be read back as written (a line break anywhere, "=" or a leading "[" in the key, "]" in
// the section, an empty key or section).
bool SetINIValue(const QString& Value, const QString& KEY, const QString& Section, const QString& ININame);

// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ProfileFile.h"

#include "common/NumberText.h"
#include "common/TextFile.h"

#include <QFile>
#include <QFileInfo>

#include <optional>
#include <vector>

namespace {

constexpr qsizetype MaximumValueLength = 254; // a 255-character buffer with its closing NUL

// One line of the file as stored: its bytes without the line end, and the line end itself
// ("\r\n", "\n" or nothing for a last line without one), so untouched lines are written back as read.
struct RawLine {
    QByteArray bytes;
    QByteArray ending;
    QString text; // decoded for matching
};

// Lines end in CR LF, LF or a lone CR (a file saved by an old Mac editor), as the Windows reader
// takes them.
std::vector<RawLine> SplitLines(const QByteArray& bytes) {
    std::vector<RawLine> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') {
            ++end;
        }
        RawLine line;
        line.bytes = bytes.mid(start, end - start);
        if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') {
            line.ending = "\r\n";
        } else if (end < bytes.size()) {
            line.ending = bytes.mid(end, 1);
        }
        start = end + line.ending.size();
        line.text = DecodeCp932(line.bytes).value_or(QString::fromLatin1(line.bytes));
        lines.push_back(std::move(line));
    }
    return lines;
}

// The section name of a "[name]" line (blanks inside the brackets trimmed), or nullopt. A hand-edited
// line that lost its "]" still opens the section, its name running to the line end, as the Windows
// reader takes it; otherwise its keys would fall to the section above and a save would add a second
// copy of the section.
std::optional<QString> SectionName(const QString& lineText) {
    const QString trimmed = TrimBlanks(lineText);
    if (!trimmed.startsWith(QLatin1Char('['))) {
        return std::nullopt;
    }
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    return TrimBlanks(trimmed.mid(1, close < 0 ? -1 : close - 1));
}

// The key name of a "key=value" line, or nullopt for a line without "=".
std::optional<QString> KeyName(const QString& lineText) {
    const qsizetype equals = lineText.indexOf(QLatin1Char('='));
    if (equals < 0) {
        return std::nullopt;
    }
    return TrimBlanks(lineText.left(equals));
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct Location {
    qsizetype sectionLine = -1; // the "[Section]" line, -1 when the section is missing
    qsizetype sectionEnd = -1;  // one past the section's last line
    qsizetype keyLine = -1;     // the first line of the key, -1 when missing
};

// Finds the first section of that name and the first line of the key in it.
Location Find(const QStringList& lines, const QString& key, const QString& section) {
    Location found;
    const QString sectionWanted = TrimBlanks(section);
    const QString keyWanted = TrimBlanks(key);
    const qsizetype count = static_cast<qsizetype>(lines.size());
    for (qsizetype i = 0; i < count; ++i) {
        const std::optional<QString> name = SectionName(lines[i]);
        if (found.sectionLine < 0) {
            if (name && SameName(*name, sectionWanted)) {
                found.sectionLine = i;
            }
            continue;
        }
        if (name) {
            found.sectionEnd = i;
            return found;
        }
        if (found.keyLine < 0) {
            const std::optional<QString> keyName = KeyName(lines[i]);
            if (keyName && SameName(*keyName, keyWanted)) {
                found.keyLine = i;
            }
        }
    }
    if (found.sectionLine >= 0) {
        found.sectionEnd = count;
    }
    return found;
}

QStringList Texts(const std::vector<RawLine>& lines) {
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(lines.size()));
    for (const RawLine& line : lines)
        texts << line.text;
    return texts;
}

std::optional<std::vector<RawLine>> ReadLines(const QString& path, bool& exists) {
    QFile file(path);
    exists = file.exists();
    if (!exists) {
        return std::vector<RawLine>{};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return SplitLines(bytes);
}

bool HasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

ProfileDocument ProfileDocument::Read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {};
    return FromBytes(bytes);
}

ProfileDocument ProfileDocument::FromBytes(const QByteArray& bytes) {
    ProfileDocument document;
    document.bytes_ = bytes;
    document.lines_ = Texts(SplitLines(bytes));
    return document;
}

std::optional<QString> ProfileDocument::WholeValue(const QString& key, const QString& section) const {
    const Location found = Find(lines_, key, section);
    if (found.keyLine < 0)
        return std::nullopt;
    const QString& text = lines_[found.keyLine];
    QString value = TrimBlanks(text.mid(text.indexOf(QLatin1Char('=')) + 1));
    // A value in matching quotes comes back without them, as the Windows reader does.
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front()) {
        value = value.mid(1, value.size() - 2);
    }
    return value;
}

std::optional<QString> ProfileDocument::Value(const QString& key, const QString& section) const {
    std::optional<QString> value = WholeValue(key, section);
    if (value)
        value->truncate(MaximumValueLength);
    return value;
}

QString GetINIValue(const QString& KEY, const QString& Section, const QString& ININame) {
    return ProfileDocument::Read(ININame).Value(KEY, Section).value_or(QStringLiteral("ERROR"));
}

QString GetWholeINIValue(const QString& KEY, const QString& Section, const QString& ININame) {
    return ProfileDocument::Read(ININame).WholeValue(KEY, Section).value_or(QStringLiteral("ERROR"));
}

bool SetINIValue(const QString& Value, const QString& KEY, const QString& Section, const QString& ININame) {
    const QString key = TrimBlanks(KEY);
    const QString section = TrimBlanks(Section);
    // A line break would split the entry and corrupt the file; an empty or "="-holding key or a
    // "]" in a section name could never be read back. Refuse them instead of writing.
    if (key.isEmpty() || key.contains(QLatin1Char('=')) || key.startsWith(QLatin1Char('[')) ||
        section.isEmpty() || section.contains(QLatin1Char(']')) || HasLineBreak(key) ||
        HasLineBreak(section) || HasLineBreak(Value)) {
        return false;
    }
    bool exists = false;
    std::optional<std::vector<RawLine>> read = ReadLines(ININame, exists);
    if (!read) {
        return false;
    }
    std::vector<RawLine>& lines = *read;
    const QByteArray crlf("\r\n");
    const auto makeLine = [&crlf](const QString& text) -> std::optional<RawLine> {
        const std::optional<QByteArray> bytes = EncodeCp932(text);
        if (!bytes) {
            return std::nullopt;
        }
        return RawLine{*bytes, crlf, text};
    };
    const std::optional<RawLine> entry = makeLine(key + QLatin1Char('=') + Value);
    if (!entry) {
        return false;
    }

    const Location found = Find(Texts(lines), key, section);
    if (found.keyLine >= 0) {
        lines[found.keyLine] = *entry; // the written line ends in CR LF whatever it had before
    } else {
        // A last line without a line end gets one before anything is added behind it.
        if (!lines.empty() && lines.back().ending.isEmpty()) {
            lines.back().ending = crlf;
        }
        if (found.sectionLine >= 0) {
            // After the section's last non-blank line, as the Windows writer does.
            qsizetype insertAt = found.sectionEnd;
            while (insertAt - 1 > found.sectionLine && TrimBlanks(lines[insertAt - 1].text).isEmpty()) {
                --insertAt;
            }
            lines.insert(lines.begin() + insertAt, *entry);
        } else {
            const std::optional<RawLine> header = makeLine(QLatin1Char('[') + section + QLatin1Char(']'));
            if (!header) {
                return false;
            }
            lines.push_back(*header);
            lines.push_back(*entry);
        }
    }

    QByteArray bytes;
    for (const RawLine& line : lines) {
        bytes += line.bytes;
        bytes += line.ending;
    }
    return WriteFileAtomically(ININame, bytes);
}

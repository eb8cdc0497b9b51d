// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file reader and writer on hand-edited, damaged or foreign files and on any key,
// section and value the program or the user could give.
#include "FuzzInput.h"
#include "config/ProfileFile.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

const QString& FilePath() {
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("rotorcfg.ini"));
    return path;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// A value that GetINIValue gives back unchanged: no blanks at its ends, not wrapped in matching
// quotes, short enough.
bool ReadsBackUnchanged(const QString& value) {
    if (value.size() > 254)
        return false;
    if (!value.isEmpty() && (IsBlank(value.front()) || IsBlank(value.back())))
        return false;
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return false;
    return true;
}

QString Trimmed(const QString& text) {
    qsizetype start = 0, end = text.size();
    while (start < end && IsBlank(text[start]))
        ++start;
    while (end > start && IsBlank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t mode = input.Byte();
    const QString key = input.Text();
    const QString section = input.Text();
    const QString value = input.Text();
    const QString otherKey = input.Text();
    const QString otherSection = input.Text();
    const QByteArray original = input.Rest();

    const QString& path = FilePath();
    if (mode & 1) {
        QFile::remove(path); // a first start: no file yet
    } else {
        WriteFile(path, original);
    }

    // Reading never fails: a value or "ERROR", never longer than the reader's buffer.
    const QString before = GetINIValue(key, section, path);
    FUZZ_CHECK(before.size() <= 254);
    const QString otherBefore = GetINIValue(otherKey, otherSection, path);
    const QByteArray bytesBefore = ReadFile(path);

    if (!SetINIValue(value, key, section, path)) {
        // A refused write leaves the file as it was.
        FUZZ_CHECK(ReadFile(path) == bytesBefore);
        return 0;
    }
    const QByteArray bytesAfter = ReadFile(path);
    if (ReadsBackUnchanged(value))
        FUZZ_CHECK(GetINIValue(key, section, path) == value);

    // Another key keeps its value unless it names the same entry.
    const bool sameEntry = Trimmed(key).compare(Trimmed(otherKey), Qt::CaseInsensitive) == 0 &&
                           Trimmed(section).compare(Trimmed(otherSection), Qt::CaseInsensitive) == 0;
    if (!sameEntry)
        FUZZ_CHECK(GetINIValue(otherKey, otherSection, path) == otherBefore);

    // Writing the same value again changes nothing.
    FUZZ_CHECK(SetINIValue(value, key, section, path));
    FUZZ_CHECK(ReadFile(path) == bytesAfter);
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TextFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <iconv.h>

namespace {

// One conversion through glibc's iconv. With `lenient`, a byte sequence that cannot be converted
// becomes U+FFFD (reading a damaged file still shows the rest); otherwise it fails the conversion.
std::optional<QByteArray> Convert(const char* to, const char* from, const QByteArray& input, bool lenient) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    QByteArray output;
    char buffer[4096];
    char* in = const_cast<char*>(input.constData());
    size_t inLeft = static_cast<size_t>(input.size());
    bool ok = true;
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
        output.append(buffer, static_cast<qsizetype>(out - buffer));
        if (result != static_cast<size_t>(-1)) {
            continue;
        }
        if (errno == E2BIG) {
            continue;
        }
        // EILSEQ or EINVAL (a sequence cut short at the end of the input)
        if (!lenient) {
            ok = false;
            break;
        }
        output.append("\xEF\xBF\xBD"); // U+FFFD in UTF-8; used only when decoding
        ++in;
        --inLeft;
    }
    iconv_close(cd);
    if (!ok) {
        return std::nullopt;
    }
    return output;
}

} // namespace

std::optional<QString> DecodeCp932(const QByteArray& bytes) {
    const std::optional<QByteArray> utf8 = Convert("UTF-8", "CP932", bytes, true);
    if (!utf8) {
        return std::nullopt;
    }
    return QString::fromUtf8(*utf8);
}

std::optional<QByteArray> EncodeCp932(const QString& text) {
    return Convert("CP932", "UTF-8", text.toUtf8(), false);
}

namespace {

QStringList SplitIntoLines(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    // The line end of the last line leaves an empty piece behind it; it is no line of its own.
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
    }
    return lines;
}

std::optional<QByteArray> ReadAllBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return bytes;
}

bool IsAscii(const QByteArray& bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// A character of three or more UTF-8 bytes (kana, kanji, full-width letters).
bool HasWideCharacter(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x800) {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<QStringList> ReadCp932Lines(const QString& path) {
    const std::optional<QByteArray> bytes = ReadAllBytes(path);
    if (!bytes) {
        return std::nullopt;
    }
    const std::optional<QString> text = DecodeCp932(*bytes);
    if (!text) {
        return std::nullopt;
    }
    return SplitIntoLines(*text);
}

std::optional<DecodedLines> ReadCp932OrUtf8Lines(const QString& path) {
    std::optional<QByteArray> bytes = ReadAllBytes(path);
    if (!bytes) {
        return std::nullopt;
    }
    const QByteArray bom("\xEF\xBB\xBF");
    const bool marked = bytes->startsWith(bom);
    if (marked || !IsAscii(*bytes)) {
        const QByteArray body = marked ? bytes->mid(bom.size()) : *bytes;
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder(body);
        if (!decoder.hasError() &&
            (marked || HasWideCharacter(text) || !Convert("UTF-8", "CP932", *bytes, false))) {
            return DecodedLines{SplitIntoLines(text), TextEncoding::Utf8};
        }
    }
    const std::optional<QString> text = DecodeCp932(*bytes);
    if (!text) {
        return std::nullopt;
    }
    return DecodedLines{SplitIntoLines(*text), TextEncoding::Cp932};
}

bool WriteCp932Lines(const QString& path, const QStringList& lines) {
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    const std::optional<QByteArray> bytes = EncodeCp932(text);
    if (!bytes) {
        return false;
    }
    return WriteFileAtomically(path, *bytes);
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    // No direct-write fallback: when no temporary file can be made beside the old one, fail
    // rather than overwrite the old file in place.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/NumberText.h"

#include "common/DecimalDigits.h"

#include <charconv>
#include <cstdlib>
#include <string>
#include <system_error>

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString TrimBlanks(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && IsBlank(text[start]))
        ++start;
    while (end > start && IsBlank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

namespace {

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Length of the number that starts at `start` (0 when there is none), and its ASCII text.
qsizetype ScanNumber(const QString& text, qsizetype start, std::string& ascii) {
    ascii.clear();
    qsizetype i = start;
    const qsizetype n = text.size();
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        if (text[i] == QLatin1Char('-')) {
            ascii.push_back('-');
        }
        ++i;
    }
    int digits = 0;
    while (i < n && IsDigit(text[i])) {
        ascii.push_back(text[i].toLatin1());
        ++i;
        ++digits;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        ascii.push_back('.');
        ++i;
        while (i < n && IsDigit(text[i])) {
            ascii.push_back(text[i].toLatin1());
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        ascii.clear();
        return 0;
    }
    // An exponent counts only when digits follow the "E" (and its sign).
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        std::string exponent = "e";
        if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-'))) {
            exponent.push_back(text[j].toLatin1());
            ++j;
        }
        const qsizetype firstDigit = j;
        while (j < n && IsDigit(text[j])) {
            exponent.push_back(text[j].toLatin1());
            ++j;
        }
        if (j > firstDigit) {
            ascii += exponent;
            i = j;
        }
    }
    return i - start;
}

// Locale-independent conversion of a scanned number. Out of range (1e999) gives 0, never an
// infinity that would poison the angle arithmetic; underflow gives 0 as well.
double ToDouble(const std::string& ascii) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error != std::errc() || end != ascii.data() + ascii.size()) {
        return 0.0;
    }
    return value;
}

} // namespace

double LeadingNumber(const QString& text) {
    qsizetype start = 0;
    while (start < text.size() && IsBlank(text[start])) {
        ++start;
    }
    std::string ascii;
    if (ScanNumber(text, start, ascii) == 0) {
        return 0.0;
    }
    return ToDouble(ascii);
}

std::optional<double> StrictNumber(const QString& text) {
    const QString trimmed = TrimBlanks(text);
    std::string ascii;
    const qsizetype length = ScanNumber(trimmed, 0, ascii);
    if (length == 0 || length != trimmed.size()) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto [last, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error != std::errc() || last != ascii.data() + ascii.size()) {
        return std::nullopt; // out of range
    }
    return value;
}

QString LogNumberText(double value) {
    DecimalDigits number = ShortestDecimalDigits(value);
    number = RoundDecimalDigits(number, 15);
    if (number.digits.empty()) {
        return QStringLiteral(" 0");
    }
    QString text = number.negative ? QStringLiteral("-") : QStringLiteral(" ");
    const QString digits = QString::fromLatin1(number.digits.data(), qsizetype(number.digits.size()));
    const int exponent = number.pointPosition - 1; // value = d.ddd x 10^exponent
    // Fixed form holds at most 15 digit places; below 1 the zeros after the point count too
    // (1/3 is " .333333333333333", 1/30 is " 3.33333333333333E-02").
    const bool exponentForm =
        exponent >= 15 || exponent < -4 || (exponent < 0 && digits.size() - exponent - 1 > 15);
    if (exponentForm) {
        text += digits.left(1);
        if (digits.size() > 1) {
            text += QLatin1Char('.') + digits.mid(1);
        }
        text += QLatin1Char('E');
        text += QLatin1Char(exponent < 0 ? '-' : '+');
        text += QString::number(std::abs(exponent)).rightJustified(2, QLatin1Char('0'));
    } else if (number.pointPosition <= 0) {
        // Below 1 the leading zero is left out: " .5", "-.001".
        text += QLatin1Char('.') + QString(-number.pointPosition, QLatin1Char('0')) + digits;
    } else if (number.pointPosition >= digits.size()) {
        text += digits + QString(number.pointPosition - digits.size(), QLatin1Char('0'));
    } else {
        text += digits.left(number.pointPosition) + QLatin1Char('.') + digits.mid(number.pointPosition);
    }
    return text;
}

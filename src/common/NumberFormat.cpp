// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/NumberFormat.h"

#include "common/DecimalDigits.h"

#include <cmath>

namespace {

bool IsDigitPlaceholder(QChar c) {
    return c == QLatin1Char('0') || c == QLatin1Char('#');
}

// The digits of the rounded value: the integer part without leading zeros (empty for zero)
// and exactly `decimals` fraction digits.
void SplitDigits(const DecimalDigits& rounded, int decimals, std::string& integerDigits,
                 std::string& fractionDigits) {
    integerDigits.clear();
    fractionDigits.assign(decimals, '0');
    const int size = static_cast<int>(rounded.digits.size());
    for (int i = 0; i < size; ++i) {
        const int position = i - rounded.pointPosition; // <0: integer part, >=0: fraction index
        if (position < 0) {
            continue;
        }
        if (position < decimals) {
            fractionDigits[position] = rounded.digits[i];
        }
    }
    if (rounded.pointPosition > 0) {
        integerDigits = rounded.digits.substr(0, std::min(size, rounded.pointPosition));
        integerDigits.append(std::max(0, rounded.pointPosition - size), '0');
    }
}

} // namespace

QString FormatNumber(double value, const QString& pattern) {
    if (!std::isfinite(value)) {
        return QString::number(value);
    }
    const qsizetype pointIndex = pattern.indexOf(QLatin1Char('.'));
    const QString integerPattern = pointIndex < 0 ? pattern : pattern.left(pointIndex);
    const QString fractionPattern = pointIndex < 0 ? QString() : pattern.mid(pointIndex + 1);

    // Every integer place from the first "0" on is always shown.
    const qsizetype firstZero = integerPattern.indexOf(QLatin1Char('0'));
    int integerPlaces = 0;
    int minimumIntegerDigits = 0;
    for (qsizetype i = 0; i < integerPattern.size(); ++i) {
        if (IsDigitPlaceholder(integerPattern[i])) {
            ++integerPlaces;
            minimumIntegerDigits += (firstZero >= 0 && i >= firstZero) ? 1 : 0;
        }
    }
    int decimals = 0;
    int minimumDecimals = 0;
    for (const QChar c : fractionPattern) {
        if (IsDigitPlaceholder(c)) {
            ++decimals;
            if (c == QLatin1Char('0')) {
                minimumDecimals = decimals;
            }
        }
    }

    const DecimalDigits exact = ShortestDecimalDigits(value);
    const DecimalDigits rounded = RoundDecimalDigits(exact, exact.pointPosition + decimals);
    std::string integerDigits;
    std::string fractionDigits;
    SplitDigits(rounded, decimals, integerDigits, fractionDigits);
    // Optional ("#") fraction places drop their trailing zeros.
    while (static_cast<int>(fractionDigits.size()) > minimumDecimals && fractionDigits.back() == '0') {
        fractionDigits.pop_back();
    }
    if (static_cast<int>(integerDigits.size()) < minimumIntegerDigits) {
        integerDigits.insert(0, minimumIntegerDigits - integerDigits.size(), '0');
    }

    QString text;
    // A value that rounds to zero shows no sign. Otherwise "-" stands right before the first digit
    // (or the point), after any text the pattern puts ahead of its digits: " #0.000" gives " -1.000".
    bool signPending = rounded.negative && !rounded.digits.empty();
    const auto putSign = [&] {
        if (signPending) {
            text += QLatin1Char('-');
            signPending = false;
        }
    };
    const int integerCount = static_cast<int>(integerDigits.size());
    int place = 0;
    for (const QChar c : integerPattern) {
        if (!IsDigitPlaceholder(c)) {
            text += c;
            continue;
        }
        // Digits beyond the pattern's places all go to its first place.
        const int first = integerCount - integerPlaces + place;
        const int from = place == 0 ? 0 : first;
        for (int i = std::max(0, from); i <= first; ++i) {
            putSign();
            text += QLatin1Char(integerDigits[i]);
        }
        ++place;
    }
    if (pointIndex >= 0) {
        putSign();
        text += QLatin1Char('.');
        int index = 0;
        for (const QChar c : fractionPattern) {
            if (!IsDigitPlaceholder(c)) {
                text += c;
            } else if (index < static_cast<int>(fractionDigits.size())) {
                text += QLatin1Char(fractionDigits[index++]);
            }
        }
    }
    if (signPending) // a pattern without digit places or point: the sign leads
        text.prepend(QLatin1Char('-'));
    return text;
}

#pragma once

#include <QString>
#include <optional>

// Leading-number conversion: leading blanks skipped, then the longest prefix that forms a number
// (sign, digits, decimal part, exponent) with "." as decimal point; 0 when there is none. Never fails.
double LeadingNumber(const QString& text);

// Strict conversion: the whole text, blanks at either end allowed, must be one number.
std::optional<double> StrictNumber(const QString& text);

// The operation log's number text: a blank before a non-negative number, up to 15 significant
// digits, no trailing zeros, exponent form (1E-05, 1.5E+16) for very small or large magnitudes,
// "." whatever the locale.
QString LogNumberText(double value);

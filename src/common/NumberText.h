// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// Blanks, in the settings file, the station list and number texts alike: spaces and tabs.
bool IsBlank(QChar c);
// The text without blanks at either end (other white space is kept).
QString TrimBlanks(const QString& text);

// Leading-number conversion: leading blanks skipped, then the longest prefix that forms a number
// (sign, digits, decimal part, exponent) with "." as decimal point; 0 when there is none. Never fails.
// Blanks are spaces and tabs. "E" counts as exponent only with digits after it ("1e3x" is 1000,
// "2E" is 2). A number too large for a double ("1e999") gives 0 rather than an infinity.
double LeadingNumber(const QString& text);

// Strict conversion: the whole text, blanks at either end allowed, must be one number (same syntax
// as above). std::nullopt for an empty text, anything else in it, or a number out of range.
std::optional<double> StrictNumber(const QString& text);

// The operation log's number text, in the manner of the classic Str$ of a double:
// - a blank before a non-negative number, "-" before a negative one; "." whatever the locale;
// - the value rounded half away from zero to 15 significant digits (of its shortest decimal form),
//   trailing zeros and a trailing "." dropped;
// - below 1 in magnitude the leading zero is left out (" .5", "-.25");
// - exponent form when the magnitude is 1E15 or more, below 1E-4, or when the fixed form would need
//   more than 15 places after the point: mantissa, "E", a sign and at least two exponent digits
//   (" 1E-05", " 1.5E+16", "-2.5E-07", 1/30 -> " 3.33333333333333E-02");
// - zero (and minus zero) is " 0".
// Examples: 5 -> " 5", 123.5 -> " 123.5", -0.5 -> "-.5", 0.0001 -> " .0001".
QString LogNumberText(double value);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// A finite double as the shortest decimal digits that read back as the same double, so that
// 2.675 is handled as the 2.675 the user wrote, not as the binary 2.67499999...
// The value is 0.d1d2d3... x 10^pointPosition; digits carry no leading or trailing zeros,
// and zero has empty digits.
struct DecimalDigits {
    bool negative = false;
    std::string digits;
    int pointPosition = 0;
};

DecimalDigits ShortestDecimalDigits(double value);

// Rounds half away from zero so that only the digits in front of position `keep` remain
// (keep counted from the start of digits, may be negative or beyond the end). pointPosition moves
// up by one when the rounding carries into a new leading digit. Trailing zeros are removed.
DecimalDigits RoundDecimalDigits(DecimalDigits value, int keep);

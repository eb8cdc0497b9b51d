// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/DecimalDigits.h"

#include <charconv>
#include <cstdlib>

namespace {

void TrimZeros(DecimalDigits& value) {
    while (!value.digits.empty() && value.digits.back() == '0') {
        value.digits.pop_back();
    }
    std::size_t lead = 0;
    while (lead < value.digits.size() && value.digits[lead] == '0') {
        ++lead;
    }
    if (lead > 0) {
        value.digits.erase(0, lead);
        value.pointPosition -= static_cast<int>(lead);
    }
    if (value.digits.empty()) {
        value.pointPosition = 0;
    }
}

} // namespace

DecimalDigits ShortestDecimalDigits(double value) {
    DecimalDigits result;
    char buffer[64];
    // Scientific form of the shortest round-trip representation: "-2.675e+00".
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    if (error != std::errc()) {
        return result;
    }
    const char* p = buffer;
    if (p < end && *p == '-') {
        result.negative = true;
        ++p;
    }
    int exponent = 0;
    for (; p < end; ++p) {
        if (*p >= '0' && *p <= '9') {
            result.digits.push_back(*p);
        } else if (*p == 'e') {
            exponent = std::atoi(std::string(p + 1, static_cast<const char*>(end)).c_str());
            break;
        } else if (*p != '.') {
            return DecimalDigits{}; // inf or nan: no digits
        }
    }
    result.pointPosition = exponent + 1;
    TrimZeros(result);
    return result;
}

DecimalDigits RoundDecimalDigits(DecimalDigits value, int keep) {
    const int size = static_cast<int>(value.digits.size());
    if (keep >= size) {
        return value;
    }
    if (keep < 0) {
        value.digits.clear();
        TrimZeros(value);
        return value;
    }
    const bool up = value.digits[keep] >= '5';
    value.digits.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && value.digits[i] == '9') {
            value.digits[i] = '0';
            --i;
        }
        if (i >= 0) {
            ++value.digits[i];
        } else {
            value.digits.insert(value.digits.begin(), '1');
            ++value.pointPosition;
        }
    }
    TrimZeros(value);
    return value;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/NumberFormat.h"

#include <gtest/gtest.h>

namespace {

TEST(FormatNumber, MatchesPattern) {
    const struct {
        double value;
        const char* pattern;
        const char* expected;
    } rows[] = {
        {9.995, "0.00", "10.00"}, // half away from zero on the decimal value as written, with a carry
        {-0.5, "0", "-1"},
        {999.5, "##0", "1000"},
        {5, "###0.00", "5.00"},
        {-3, "00", "-03"},
        {1e20, "0", "100000000000000000000"},
        {-0.004, "0.00", "0.00"},
        // The sign follows the text ahead of the digits.
        {-1.5, " #0.000", " -1.500"},
        {-1, " #0.000", " -1.000"},
        {-12.25, " #0.000", " -12.250"},
        {-0.5, "#.00", "-.50"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FormatNumber(row.value, QString::fromLatin1(row.pattern)).toStdString(), row.expected)
            << row.value << " with \"" << row.pattern << '"';
    }
}

} // namespace

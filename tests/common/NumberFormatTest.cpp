#include "common/NumberFormat.h"

#include <gtest/gtest.h>

namespace {

TEST(FormatNumber, MatchesPattern) {
    const struct {
        double value;
        const char* pattern;
        const char* expected;
    } rows[] = {
        // clang-format off
        // rounding half away from zero on the decimal value as written, carrying into new places
        {2.675, "0.00", "2.68"}, {1.005, "0.00", "1.01"}, {2.5, "0", "3"}, {-0.5, "0", "-1"},
        {0.4999, "0", "0"}, {-12.345, "####0.00", "-12.35"}, {9.995, "0.00", "10.00"}, {999.5, "##0", "1000"},
        {359.96, "##0.0", "360.0"},
        // "#" places disappear, "0" places pad; digits beyond the pattern's places are still shown
        {0.5, "#0.0", "0.5"}, {0.04, "####0.0", "0.0"}, {5, "###0.00", "5.00"}, {5, "000.0", "005.0"},
        {-3, "00", "-03"}, {0, "#0", "0"}, {12345, "#0", "12345"}, {1e20, "0", "100000000000000000000"},
        // no sign for a value that rounds to zero, else in front of everything; other characters copied
        {-0.004, "0.00", "0.00"}, {-0.005, "0.00", "-0.01"}, {-0.0, "0", "0"},
        {123.4567, " #0.000", " 123.457"}, {-1.5, " #0.000", "- 1.500"},
        // clang-format on
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FormatNumber(row.value, QString::fromLatin1(row.pattern)).toStdString(), row.expected)
            << row.value << " with \"" << row.pattern << '"';
    }
}

} // namespace

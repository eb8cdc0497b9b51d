#include "common/NumberFormat.h"

#include <gtest/gtest.h>

namespace {

struct PatternCase {
    double value;
    const char* pattern;
    const char* expected;
};

std::ostream& operator<<(std::ostream& out, const PatternCase& c) {
    return out << c.value << " with \"" << c.pattern << "\"";
}

class FormatNumberTest : public ::testing::TestWithParam<PatternCase> {};

TEST_P(FormatNumberTest, MatchesPattern) {
    const PatternCase& c = GetParam();
    EXPECT_EQ(FormatNumber(c.value, QString::fromLatin1(c.pattern)).toStdString(), c.expected);
}

// clang-format off
const PatternCase PatternCases[] = {
    // rounding half away from zero on the decimal value as written
    {2.675, "0.00", "2.68"},
    {1.005, "0.00", "1.01"},
    {0.5, "0", "1"},
    {-0.5, "0", "-1"},
    {1.5, "0", "2"},
    {2.5, "0", "3"},
    {0.4999, "0", "0"},
    {9.995, "0.00", "10.00"},
    {99.96, "00.0", "100.0"},
    {5.25, "00.0", "05.3"},
    {-12.345, "####0.00", "-12.35"},
    {0.005, "####0.00", "0.01"},
    {0.004, "####0.00", "0.00"},
    {999.5, "##0", "1000"},
    // "#" places disappear, "0" places pad
    {0.5, "#0.0", "0.5"},
    {0.5, "##0.0", "0.5"},
    {0.04, "####0.0", "0.0"},
    {5, "###0.00", "5.00"},
    {5, "000.0", "005.0"},
    {7, "00", "07"},
    {-3, "00", "-03"},
    {0, "#0", "0"},
    {0, "##0.0", "0.0"},
    {123.456, "#0.0", "123.5"},
    // digits beyond the pattern's places are still shown
    {12345, "#0", "12345"},
    {123, "00", "123"},
    {1e20, "0", "100000000000000000000"},
    // sign: none for a value that rounds to zero, else in front of everything
    {-0.0001, "0.00", "0.00"},
    {-0.004, "0.00", "0.00"},
    {-0.005, "0.00", "-0.01"},
    {-0.0, "0", "0"},
    {-3, "0.000", "-3.000"},
    {2.5, "0.000", "2.500"},
    {0.005, "0.000", "0.005"},
    // other characters are copied
    {1.5, " #0.000", " 1.500"},
    {123.4567, " #0.000", " 123.457"},
    {-1.5, " #0.000", "- 1.500"},
    {45.6, "##0.0", "45.6"},
    {359.96, "##0.0", "360.0"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Patterns, FormatNumberTest, ::testing::ValuesIn(PatternCases));

} // namespace

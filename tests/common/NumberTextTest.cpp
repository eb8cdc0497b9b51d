// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/NumberText.h"

#include <gtest/gtest.h>

namespace {

// What the lenient reader (longest number prefix, 0 when none) and the strict one (one whole number
// between blanks, nothing otherwise) make of the same text.
TEST(NumberText, LeadingAndStrictReaders) {
    constexpr std::optional<double> none;
    const struct {
        const char* text;
        double leading;
        std::optional<double> strict;
    } rows[] = {
        {"", 0, none},        {".", 0, none},        {"- 5", 0, none},
        {"1e999", 0, none},   {"-.5", -0.5, -0.5},   {"5.", 5, 5},
        {"+4", 4, 4},         {"\t360\t", 360, 360}, {"1.5e-2", 0.015, 0.015},
        {"9 0", 9, none},     {"1e3x", 1000, none},  {"2E+", 2, none},
        {"1.2.3", 1.2, none}, {"１２", 0, none}, // full-width digits are not digits of a number
    };
    for (const auto& row : rows) {
        const QString text = QString::fromUtf8(row.text);
        EXPECT_DOUBLE_EQ(LeadingNumber(text), row.leading) << '"' << row.text << '"';
        EXPECT_EQ(StrictNumber(text), row.strict) << '"' << row.text << '"';
    }
}

TEST(LogNumberText, WritesLikeStr) {
    const struct {
        double value;
        const char* expected;
    } rows[] = {
        {0, " 0"},
        {-0.5, "-.5"},
        {0.000123, " .000123"},
        {0.00001, " 1E-05"},
        {0.1 + 0.2, " .3"},
        {2.0 / 3, " .666666666666667"},
        {1.0 / 30, " 3.33333333333333E-02"}, // 15 places below 1 count the zeros after the point
        {123.5, " 123.5"},
        {-130, "-130"},
        {999999999999999, " 999999999999999"},
        {1e15, " 1E+15"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(LogNumberText(row.value).toStdString(), row.expected) << row.value;
    }
}

} // namespace

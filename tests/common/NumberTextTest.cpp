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
        // clang-format off
        {"", 0, none}, {"  ", 0, none}, {".", 0, none}, {"-", 0, none}, {"abc", 0, none}, {"- 5", 0, none},
        {"e5", 0, none}, {"1e999", 0, none}, {"-1e999", 0, none}, {"0,90", 0, none},
        {".5", 0.5, 0.5}, {"-.5", -0.5, -0.5}, {"5.", 5, 5}, {"+4", 4, 4}, {"\t360\t", 360, 360},
        {"1e2", 100, 100}, {"1.5e-2", 0.015, 0.015}, {"2E+1", 20, 20},
        {"9 0", 9, none}, {"555:9735", 555, none}, {"1e3x", 1000, none}, {"1e", 1, none}, {"2E+", 2, none},
        {"2e-x", 2, none}, {"1.2.3", 1.2, none}, {"90x", 90, none},
        // clang-format on
    };
    for (const auto& row : rows) {
        const QString text = QString::fromLatin1(row.text);
        EXPECT_DOUBLE_EQ(LeadingNumber(text), row.leading) << '"' << row.text << '"';
        EXPECT_EQ(StrictNumber(text), row.strict) << '"' << row.text << '"';
    }
    // Full-width digits are not digits of a number.
    EXPECT_EQ(LeadingNumber(QStringLiteral("１２")), 0.0);
}

TEST(LogNumberText, WritesLikeStr) {
    const struct {
        double value;
        const char* expected;
    } rows[] = {
        // clang-format off
        {0, " 0"}, {-0.0, " 0"}, {-130, "-130"}, {123.5, " 123.5"}, {0.5, " .5"}, {-0.5, "-.5"},
        {0.000123, " .000123"}, {0.1 + 0.2, " .3"}, {1.0 / 3, " .333333333333333"},
        {2.0 / 3, " .666666666666667"}, {1023 * 5.0 / 1023, " 5"}, {5.0 / 1023, " 4.88758553274682E-03"},
        {1.0 / 30, " 3.33333333333333E-02"}, {0.00001, " 1E-05"}, {-2.5e-7, "-2.5E-07"},
        {999999999999999, " 999999999999999"}, {1e15, " 1E+15"}, {1e100, " 1E+100"},
        {123456789012345678.0, " 1.23456789012346E+17"}, {9999999999999999.0, " 1E+16"},
        // clang-format on
    };
    for (const auto& row : rows) {
        EXPECT_EQ(LogNumberText(row.value).toStdString(), row.expected) << row.value;
    }
}

} // namespace

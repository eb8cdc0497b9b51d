#include "common/NumberText.h"

#include <gtest/gtest.h>

namespace {

struct LeadingCase {
    const char* text;
    double expected;
};

TEST(LeadingNumber, TakesTheLongestNumberPrefix) {
    // clang-format off
    const LeadingCase cases[] = {
        {"", 0}, {".", 0}, {"-", 0}, {"+", 0}, {"abc", 0}, {"- 5", 0}, {"e5", 0},
        {".5", 0.5}, {"-.5", -0.5}, {"5.", 5}, {"+4", 4}, {"-3.5", -3.5},
        {"12abc", 12}, {" 5", 5}, {"\t 5", 5}, {" 5.000", 5}, {"12 34", 12},
        {"555:9735", 555}, {"0,90", 0}, {"1e3x", 1000}, {"1.5e-2", 0.015}, {"2E+1", 20},
        {"2E", 2}, {"2E+", 2}, {"2e-x", 2}, {"1.2.3", 1.2},
        {"1e999", 0}, {"-1e999", 0},
    };
    // clang-format on
    for (const LeadingCase& c : cases) {
        EXPECT_DOUBLE_EQ(LeadingNumber(QString::fromLatin1(c.text)), c.expected) << '"' << c.text << '"';
    }
    // Full-width digits are not digits of a number.
    EXPECT_EQ(LeadingNumber(QStringLiteral("１２")), 0.0);
}

struct StrictCase {
    const char* text;
    std::optional<double> expected;
};

TEST(StrictNumber, AcceptsOnlyOneWholeNumber) {
    // clang-format off
    const StrictCase cases[] = {
        {" 90", 90.0}, {"90 ", 90.0}, {" 0", 0.0}, {"\t360\t", 360.0}, {"1e2", 100.0}, {"5.", 5.0},
        {".5", 0.5}, {"+7", 7.0}, {"-2.25", -2.25},
        {"9 0", std::nullopt}, {"", std::nullopt}, {"  ", std::nullopt}, {"abc", std::nullopt},
        {".", std::nullopt}, {"-", std::nullopt}, {"1e", std::nullopt}, {"90x", std::nullopt},
        {"1e999", std::nullopt},
    };
    // clang-format on
    for (const StrictCase& c : cases) {
        EXPECT_EQ(StrictNumber(QString::fromLatin1(c.text)), c.expected) << '"' << c.text << '"';
    }
}

struct LogCase {
    double value;
    const char* expected;
};

TEST(LogNumberText, WritesLikeStr) {
    // clang-format off
    const LogCase cases[] = {
        {5, " 5"}, {0, " 0"}, {-0.0, " 0"}, {100, " 100"}, {-130, "-130"},
        {123.5, " 123.5"}, {1.5, " 1.5"},
        {0.5, " .5"}, {-0.5, "-.5"}, {0.01, " .01"}, {0.0001, " .0001"},
        {0.1 + 0.2, " .3"}, {1.0 / 3, " .333333333333333"}, {2.0 / 3, " .666666666666667"},
        {1023 * 5.0 / 1023, " 5"}, {5.0 / 1023, " 4.88758553274682E-03"},
        {1.0 / 30, " 3.33333333333333E-02"}, {0.0123, " .0123"}, {0.000123, " .000123"},
        {0.00001, " 1E-05"}, {-2.5e-7, "-2.5E-07"},
        {999999999999999, " 999999999999999"}, {1e15, " 1E+15"}, {1.5e16, " 1.5E+16"},
        {1e100, " 1E+100"}, {123456789012345678.0, " 1.23456789012346E+17"},
        {9999999999999999.0, " 1E+16"},
    };
    // clang-format on
    for (const LogCase& c : cases) {
        EXPECT_EQ(LogNumberText(c.value).toStdString(), c.expected) << c.value;
    }
}

} // namespace

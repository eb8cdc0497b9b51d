// SPDX-License-Identifier: GPL-3.0-or-later
#include "orbit/ElementSet.h"
#include "orbit/StationLocation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const std::string Line1 = "1 90001U 98067A   26340.50000000  .00012000  00000-0  21000-3 0  9999";
const std::string Line2 = "2 90001  51.6400 121.5000 0004500  85.0000 275.1000 15.50000000123450";

TEST(ElementSet, ReadsEveryField) {
    const auto set = orbit::ParseElementLines(Line1, Line2);
    ASSERT_TRUE(set);
    EXPECT_EQ(set->catalogueNumber, 90001);
    EXPECT_EQ(set->internationalDesignator, "98067A");
    EXPECT_EQ(set->epochYear, 2026);
    EXPECT_DOUBLE_EQ(set->epochDayOfYear, 340.5);
    EXPECT_DOUBLE_EQ(set->meanMotionDot, 0.00012);
    EXPECT_DOUBLE_EQ(set->bstar, 0.21e-3);
    EXPECT_DOUBLE_EQ(set->inclination, 51.64);
    EXPECT_DOUBLE_EQ(set->eccentricity, 0.00045);
    EXPECT_DOUBLE_EQ(set->meanMotion, 15.5);
    EXPECT_EQ(set->revolutionAtEpoch, 12345);
    // Day 340.5 of 2026 is 6 December, 12h: JD 2461381.0.
    EXPECT_DOUBLE_EQ(set->EpochJulianWhole() + set->EpochJulianFraction(), 2461381.0);
}

// Catalogue numbers past 99999 put a letter in the first column (I and O are not used).
TEST(ElementSet, ReadsAlphaFiveCatalogueNumbers) {
    for (auto [letter, number] : {std::pair{'A', 100001L}, {'J', 180001L}, {'P', 230001L}, {'Z', 330001L}}) {
        std::string l1 = Line1, l2 = Line2;
        for (std::string* line : {&l1, &l2}) {
            line->replace(2, 5, std::string(1, letter) + "0001");
            (*line)[68] = static_cast<char>('0' + orbit::LineChecksum(*line));
        }
        const auto set = orbit::ParseElementLines(l1, l2);
        ASSERT_TRUE(set) << letter;
        EXPECT_EQ(set->catalogueNumber, number) << letter;
    }
    std::string l1 = Line1, l2 = Line2;
    l1.replace(2, 5, "I0001");
    l2.replace(2, 5, "I0001");
    EXPECT_FALSE(orbit::ParseElementLines(l1, l2, nullptr, {false}));
}

struct BadLine {
    const char* what;
    int column; // 1-based column to change
    char replacement;
    int line;
    const char* message;
};

class ElementSetRejects : public testing::TestWithParam<BadLine> {};

// Each damage is reported against the line it is on. The checksum is recomputed after the change
// except in the checksum row, so the field check itself is what fails.
TEST_P(ElementSetRejects, ReportsTheLineAndTheReason) {
    const BadLine& bad = GetParam();
    std::string l1 = Line1, l2 = Line2;
    std::string& target = bad.line == 1 ? l1 : l2;
    target[bad.column - 1] = bad.replacement;
    if (std::string(bad.what) != "checksum")
        target[68] = static_cast<char>('0' + orbit::LineChecksum(target));
    orbit::ElementSetError error;
    EXPECT_FALSE(orbit::ParseElementLines(l1, l2, &error));
    EXPECT_EQ(error.line, bad.line);
    EXPECT_NE(error.text.find(bad.message), std::string::npos) << error.text;
}

INSTANTIATE_TEST_SUITE_P(
    Damage, ElementSetRejects,
    testing::Values(BadLine{"checksum", 69, '1', 2, "checksum"},
                    BadLine{"eccentricity", 30, 'x', 2, "eccentricity"},
                    BadLine{"inclination", 9, '9', 2, "inclination out of range"}, // 951.64
                    BadLine{"catalogue", 7, '2', 2, "catalogue number differs"},
                    BadLine{"epoch", 25, 'a', 1, "epoch day"}, BadLine{"drag", 60, 'x', 1, "drag"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(ElementFile, SkipsBadSetsAndSaysWhere) {
    std::string broken = Line2;
    broken[68] = '1';
    const std::string text = "0 FIRST\r\n" + Line1 + "\r\n" + Line2 + "\r\nSECOND\n" + Line1 + "\n" + broken +
                             "\nTHIRD\n" + Line1 + "\n\n";
    const auto file = orbit::ParseElementText(text, "sats.txt");
    ASSERT_EQ(file.sets.size(), 1u);
    EXPECT_EQ(file.sets[0].name, "FIRST");
    ASSERT_EQ(file.problems.size(), 2u);
    EXPECT_EQ(file.problems[0].ToString().rfind("sats.txt:6: bad checksum", 0), 0u)
        << file.problems[0].ToString();
    EXPECT_EQ(file.problems[1].line, 8);
}

struct Place {
    const char* text;
    bool locator;
    bool valid;
    double latitude, longitude, height;
};

class StationLocation : public testing::TestWithParam<Place> {};

TEST_P(StationLocation, Parses) {
    const Place& p = GetParam();
    std::string problem;
    const auto g =
        p.locator ? orbit::ParseLocator(p.text, &problem) : orbit::ParseCoordinates(p.text, &problem);
    ASSERT_EQ(g.has_value(), p.valid) << p.text;
    if (!g) {
        EXPECT_FALSE(problem.empty());
        return;
    }
    EXPECT_NEAR(g->latitude, p.latitude, 1e-9);
    EXPECT_NEAR(g->longitude, p.longitude, 1e-9);
    EXPECT_DOUBLE_EQ(g->height, p.height);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StationLocation,
    testing::Values(Place{"PM95vq", true, true, 35.6875, 139.7916666666667, 0},
                    Place{"pm95", true, true, 35.5, 139, 0},
                    Place{"JN58td25", true, true, 48.14791666666667, 11.60416666666667, 0},
                    Place{"PM95v", true, false, 0, 0, 0}, Place{"SM95vq", true, false, 0, 0, 0},
                    Place{"PM95zz", true, false, 0, 0, 0},
                    Place{" 35.68 , 139.77 ", false, true, 35.68, 139.77, 0},
                    Place{"-33.9,18.4,120", false, true, -33.9, 18.4, 120},
                    Place{"35,220", false, true, 35, -140, 0}, Place{"91,0", false, false, 0, 0, 0},
                    Place{"35", false, false, 0, 0, 0}, Place{"35,139,", false, false, 0, 0, 0},
                    Place{"35,139x", false, false, 0, 0, 0}, Place{"35,139,20000", false, false, 0, 0, 0}));

} // namespace

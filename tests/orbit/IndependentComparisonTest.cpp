// SPDX-License-Identifier: GPL-3.0-or-later
// Look angles and passes compared with an independent computation: python3-sgp4's propagator and
// the textbook frame transforms in tests/orbit/independent_look.py.

#include "orbit/ElementSet.h"
#include "orbit/Observation.h"
#include "orbit/Passes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

#ifdef SGP4_PYTHON

const orbit::Geodetic Tokyo{35.68, 139.77, 40};
// 2026-12-06 12:00 UTC, a few hours after the sample sets' epochs.
constexpr long long Start = 1796558400;

std::vector<std::vector<double>> RunScript(const std::string& arguments) {
    const std::string command = std::string(SGP4_PYTHON) + " " + ORBIT_SCRIPT + " " + arguments;
    std::vector<std::vector<double>> rows;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return rows;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        std::istringstream line(buffer);
        std::vector<double> row;
        for (double v; line >> v;)
            row.push_back(v);
        rows.push_back(row);
    }
    pclose(pipe);
    return rows;
}

orbit::Sgp4 Load(const std::string& number) {
    const auto file = orbit::ReadElementFile(ORBIT_DEMO_TLE);
    for (const auto& set : file.sets)
        if (std::to_string(set.catalogueNumber) == number)
            return orbit::Sgp4(set);
    ADD_FAILURE() << "no " << number << " in " << ORBIT_DEMO_TLE;
    return orbit::Sgp4(file.sets.at(0));
}

std::string Where() {
    return std::to_string(Tokyo.latitude) + " " + std::to_string(Tokyo.longitude) + " " +
           std::to_string(Tokyo.height);
}

double AngleDifference(double a, double b) {
    return std::fabs(std::remainder(a - b, 360.0));
}

struct LookCase {
    const char* name;
    const char* number;
};

class LookAgainstScript : public testing::TestWithParam<LookCase> {};

// A day at two-minute steps: azimuth and elevation within 0.01 degrees, range within 1 m, range rate
// within 1 mm/s.
TEST_P(LookAgainstScript, ADayAgrees) {
    const orbit::Sgp4 model = Load(GetParam().number);
    const auto rows = RunScript("look " + std::string(ORBIT_DEMO_TLE) + " " + GetParam().number + " " +
                                Where() + " " + std::to_string(Start) + " 120 720");
    ASSERT_EQ(rows.size(), 720u);
    int above = 0;
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 5u);
        const auto time = orbit::JulianDate::FromUnixMilliseconds(static_cast<long long>(row[0]) * 1000);
        const auto result = orbit::Observe(model, Tokyo, time);
        ASSERT_TRUE(result.ok());
        const auto& look = result.observation.look;
        EXPECT_LT(AngleDifference(look.azimuth, row[1]), 0.01) << "at " << row[0];
        EXPECT_NEAR(look.elevation, row[2], 0.01) << "at " << row[0];
        EXPECT_NEAR(look.range, row[3], 1.0) << "at " << row[0];
        EXPECT_NEAR(look.rangeRate, row[4], 0.001) << "at " << row[0];
        above += row[2] >= 0;
    }
    EXPECT_GT(above, 0) << "the day should include time above the horizon";
}

INSTANTIATE_TEST_SUITE_P(SampleSets, LookAgainstScript,
                         testing::Values(LookCase{"Leo", "90001"}, LookCase{"Molniya", "90002"},
                                         LookCase{"Geostationary", "90003"}),
                         [](const auto& info) { return std::string(info.param.name); });

class PassesAgainstScript : public testing::TestWithParam<LookCase> {};

// Rise, culmination and set within 2 s of the script's; the azimuths and the highest elevation close.
TEST_P(PassesAgainstScript, TimesAgree) {
    const orbit::Sgp4 model = Load(GetParam().number);
    constexpr int Count = 4;
    const auto rows = RunScript("passes " + std::string(ORBIT_DEMO_TLE) + " " + GetParam().number + " " +
                                Where() + " " + std::to_string(Start) + " " + std::to_string(Count));
    const auto search =
        orbit::NextPasses(model, Tokyo, orbit::JulianDate::FromUnixMilliseconds(Start * 1000), Count);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(Count));
    ASSERT_EQ(search.passes.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& p = search.passes[i];
        auto seconds = [](const orbit::JulianDate& t) { return t.ToUnixMilliseconds() / 1000.0; };
        EXPECT_NEAR(seconds(p.aos), rows[i][0], 2.0) << "pass " << i;
        EXPECT_NEAR(seconds(p.culmination), rows[i][1], 2.0) << "pass " << i;
        EXPECT_NEAR(seconds(p.los), rows[i][2], 2.0) << "pass " << i;
        EXPECT_LT(AngleDifference(p.aosAzimuth, rows[i][3]), 0.05) << "pass " << i;
        EXPECT_LT(AngleDifference(p.losAzimuth, rows[i][4]), 0.05) << "pass " << i;
        EXPECT_NEAR(p.maxElevation, rows[i][5], 0.01) << "pass " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(SampleSets, PassesAgainstScript,
                         testing::Values(LookCase{"Leo", "90001"}, LookCase{"Molniya", "90002"}),
                         [](const auto& info) { return std::string(info.param.name); });

#else

TEST(LookAgainstScript, ADayAgrees) {
    GTEST_SKIP() << "python3-sgp4 is not installed";
}

#endif

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "orbit/Observation.h"
#include "orbit/Passes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Molniya 2-14, a 12-hour orbit of eccentricity 0.69, as catalogued in June 2006.
orbit::Sgp4 Molniya() {
    const auto set =
        orbit::ParseElementLines("1 08195U 75081A   06176.33215444  .00000099  00000-0  11873-3 0   813",
                                 "2 08195  64.1586 279.0717 6877146 264.7651  20.2257  2.00491383225656");
    EXPECT_TRUE(set);
    return orbit::Sgp4(*set);
}

struct ShapeCase {
    const char* name;
    orbit::Geodetic observer;
    bool higherSummitLast; // the pass rises to one summit, dips and climbs to a higher one
};

void PrintTo(const ShapeCase& c, std::ostream* os) {
    *os << c.name;
}

class LongPass : public testing::TestWithParam<ShapeCase> {};

// Each pass's maximum is the highest elevation of the whole pass (sampled every 20 s between AOS
// and LOS), at the time it is reached, whichever of its two summits is the higher.
TEST_P(LongPass, CulminationIsTheHighestPointOfThePass) {
    const orbit::Sgp4 model = Molniya();
    const auto& observer = GetParam().observer;
    const orbit::JulianDate epoch{model.Elements().EpochJulianWhole(),
                                  model.Elements().EpochJulianFraction()};
    const auto search = orbit::NextPasses(model, observer, epoch, 4, 3);
    ASSERT_GE(search.passes.size(), 3u);
    int twoSummits = 0;
    for (const orbit::Pass& pass : search.passes) {
        const double span = (pass.los.Value() - pass.aos.Value()) * 86400;
        double highest = -90, highestAt = 0;
        std::vector<double> samples;
        for (double t = 0; t <= span; t += 20) {
            samples.push_back(orbit::ElevationAt(model, observer, pass.aos.PlusSeconds(t)));
            if (samples.back() > highest) {
                highest = samples.back();
                highestAt = t;
            }
        }
        // The long passes have two summits, the first the lower where the case says so.
        std::vector<std::size_t> summits;
        for (std::size_t i = 1; i + 1 < samples.size(); ++i)
            if (samples[i] > samples[i - 1] && samples[i] >= samples[i + 1])
                summits.push_back(i);
        if (summits.size() == 2) {
            ++twoSummits;
            EXPECT_EQ(samples[summits[1]] > samples[summits[0]], GetParam().higherSummitLast);
        }

        EXPECT_GE(pass.maxElevation, highest - 1e-6);
        EXPECT_LT(pass.maxElevation, highest + 0.01);
        EXPECT_NEAR((pass.culmination.Value() - pass.aos.Value()) * 86400, highestAt, 20);
    }
    EXPECT_GE(twoSummits, 2);
}

INSTANTIATE_TEST_SUITE_P(Molniya, LongPass,
                         testing::Values(ShapeCase{"NorthAmerica", {40, -100, 0}, true},
                                         ShapeCase{"IndoChina", {10, 100, 0}, true},
                                         ShapeCase{"ArabianSea", {20, 60, 0}, false}),
                         [](const testing::TestParamInfo<ShapeCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace

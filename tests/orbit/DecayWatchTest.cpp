// SPDX-License-Identifier: GPL-3.0-or-later
#include "orbit/Observation.h"
#include "orbit/Passes.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// A rocket body that re-entered within the hour of its last element set (perigee below the ground).
orbit::Sgp4 Decaying() {
    const auto set =
        orbit::ParseElementLines("1 28872U 05037B   05333.02012661  .25992681  00000-0  24476-3 0  1534",
                                 "2 28872  96.4736 157.9986 0303955 244.0492 110.6523 16.46015938 10708");
    EXPECT_TRUE(set);
    return orbit::Sgp4(*set);
}

// The model fails from about 51 minutes on but gives numbers again hours later; those must not
// count as positions.
TEST(DecayWatch, AFailureSinceTheEpochStaysAFailure) {
    const orbit::Sgp4 model = Decaying();
    ASSERT_TRUE(model.Propagate(50).ok());
    ASSERT_FALSE(model.Propagate(55).ok());
    ASSERT_TRUE(model.Propagate(480).ok()) << "the case this guards against";
    orbit::DecayWatch watch;
    EXPECT_FALSE(watch.FailedBy(model, 50));
    EXPECT_TRUE(watch.FailedBy(model, 480));
    ASSERT_TRUE(watch.FailedAt());
    EXPECT_GT(*watch.FailedAt(), 50);
    EXPECT_LE(*watch.FailedAt(), 55);
    EXPECT_TRUE(watch.FailedBy(model, 60));
}

TEST(DecayWatch, PassesStopAtTheDecay) {
    const orbit::Sgp4 model = Decaying();
    const auto from =
        orbit::JulianDate{model.Elements().EpochJulianWhole(), model.Elements().EpochJulianFraction()};
    const auto search = orbit::NextPasses(model, {35.68, 139.77, 0}, from, 5, 2);
    EXPECT_TRUE(search.decayed);
    EXPECT_TRUE(search.passes.empty());
    EXPECT_FALSE(orbit::NextRise(model, {35.68, 139.77, 0}, from.PlusSeconds(3600)));
}

} // namespace

namespace {

orbit::Sgp4 Model(const char* line1, const char* line2) {
    const auto set = orbit::ParseElementLines(line1, line2);
    EXPECT_TRUE(set);
    return orbit::Sgp4(*set);
}

struct AgeCase {
    const char* name;
    const char* line1;
    const char* line2;
    std::optional<double> failsAt;  // minutes, as python3-sgp4 finds minute by minute; none: never fails
    std::uint64_t firstAnswerBound; // propagations for the first answer eight years on
};

void PrintTo(const AgeCase& c, std::ostream* os) {
    *os << c.name;
}

class OldElementSet : public testing::TestWithParam<AgeCase> {};

// Eight years after the epoch, the first answer takes a bounded number of propagations (it took
// one a minute since the epoch: over four million), a decay in between is still found to the
// minute, and the next answers, a second or a pass later, cost next to nothing.
TEST_P(OldElementSet, AnswersAtOnceAndFindsTheDecay) {
    const AgeCase& c = GetParam();
    const orbit::Sgp4 model = Model(c.line1, c.line2);
    constexpr double EightYears = 8 * 365.25 * 1440;
    orbit::DecayWatch watch;
    auto before = orbit::PropagationCount();
    const bool failed = watch.FailedBy(model, EightYears);
    const auto first = orbit::PropagationCount() - before;
    EXPECT_LE(first, c.firstAnswerBound);
    if (c.failsAt) {
        EXPECT_TRUE(failed);
        ASSERT_TRUE(watch.FailedAt());
        EXPECT_NEAR(*watch.FailedAt(), *c.failsAt, 1.0);
    } else {
        EXPECT_FALSE(failed);
        EXPECT_FALSE(watch.FailedAt());
    }
    // The tracker asks once a second, and for the next rise at each LOS.
    before = orbit::PropagationCount();
    for (int s = 1; s <= 60; ++s)
        watch.FailedBy(model, EightYears + s / 60.0);
    EXPECT_LE(orbit::PropagationCount() - before, 60u * 2);
    const auto from =
        orbit::JulianDate{model.Elements().EpochJulianWhole(), model.Elements().EpochJulianFraction()}
            .PlusSeconds(EightYears * 60);
    before = orbit::PropagationCount();
    orbit::NextRise(model, {35.68, 139.77, 0}, from, 2, &watch);
    EXPECT_LE(orbit::PropagationCount() - before, 20000u) << "a rise search repeats no decay check";
}

INSTANTIATE_TEST_SUITE_P(
    Ages, OldElementSet,
    testing::Values(
        // 800 km, little drag: still up in the model eight years on.
        AgeCase{"Polar", "1 90014U 99008A   18340.50000000  .00000020  00000-0  15000-4 0  9993",
                "2 90014  98.7000 200.0000 0012000 100.0000 260.2000 14.20000000 12343", std::nullopt, 12000},
        // A space-station orbit: the model's orbit skims the ground for months before it fails
        // after 4.7 years.
        AgeCase{"Station", "1 90012U 98067A   18340.50000000  .00012000  00000-0  21000-3 0  9992",
                "2 90012  51.6400 121.5000 0004500  85.0000 275.1000 15.50000000123452", 2485709.0, 12000},
        // Heavy drag: comes down after 173 days.
        AgeCase{"Decaying", "1 90011U 98067A   18340.50000000  .00120000  00000-0  21000-2 0  9990",
                "2 90011  51.6400 121.5000 0004500  85.0000 275.1000 15.50000000123451", 248597.0, 12000},
        AgeCase{"Geostationary", "1 90003U 17001A   26340.00000000 -.00000300  00000-0  00000+0 0  9999",
                "2 90003   0.0500  90.0000 0002000 180.0000 304.8000  1.00270000123459", std::nullopt, 12000},
        AgeCase{"Molniya", "1 08195U 75081A   06176.33215444  .00000099  00000-0  11873-3 0   813",
                "2 08195  64.1586 279.0717 6877146 264.7651  20.2257  2.00491383225656", std::nullopt,
                12000}),
    [](const testing::TestParamInfo<AgeCase>& info) { return std::string(info.param.name); });

} // namespace

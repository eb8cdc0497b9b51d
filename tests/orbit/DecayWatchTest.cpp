#include "orbit/Observation.h"
#include "orbit/Passes.h"

#include <gtest/gtest.h>

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

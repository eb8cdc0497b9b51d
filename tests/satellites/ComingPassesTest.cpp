// SPDX-License-Identifier: GPL-3.0-or-later
// The coming passes of several satellites and the track of one pass, from the demo element sets.

#include "satellites/ComingPasses.h"

#include "orbit/Observation.h"

#include <gtest/gtest.h>

namespace {

std::vector<orbit::ElementSet> DemoSets() {
    return orbit::ReadElementFile(ORBIT_DEMO_TLE).sets; // LEO, Molniya, GEO
}

const orbit::Geodetic Tokyo{35.68, 139.77, 40};
const QDateTime From(QDate(2026, 12, 7), QTime(0, 0), Qt::UTC);

TEST(ComingPassesTest, PassesOfSeveralSatellitesInOrderOfAos) {
    const auto sets = DemoSets();
    ASSERT_EQ(sets.size(), 3u);
    const ComingPassList list = ComingPasses(sets, Tokyo, From, 4);
    int leo = 0, molniya = 0;
    for (std::size_t i = 0; i < list.rows.size(); ++i) {
        const PassRow& r = list.rows[i];
        EXPECT_EQ(r.name, QString::fromStdString(sets.at(r.satellite).name));
        EXPECT_LT(r.pass.aos.Value(), r.pass.culmination.Value());
        EXPECT_LT(r.pass.culmination.Value(), r.pass.los.Value());
        if (i > 0) {
            EXPECT_LE(list.rows[i - 1].pass.aos.Value(), r.pass.aos.Value());
        }
        leo += r.satellite == 0;
        molniya += r.satellite == 1;
    }
    EXPECT_EQ(leo, 4);
    EXPECT_GE(molniya, 1);
    // The geostationary one has no pass, and says why.
    ASSERT_EQ(list.notes.size(), 1);
    EXPECT_TRUE(list.notes[0].startsWith("DEMO-GEO 140E")) << qPrintable(list.notes[0]);
}

// The track runs from the AOS azimuth on the horizon, through the pass's highest point, to the LOS
// azimuth, each point where the model puts the satellite at that moment.
TEST(ComingPassesTest, TrackFollowsThePass) {
    const auto sets = DemoSets();
    const ComingPassList list = ComingPasses({sets[0], sets[1]}, Tokyo, From, 3);
    ASSERT_FALSE(list.rows.empty());
    for (const PassRow& r : list.rows) {
        SCOPED_TRACE(r.name.toStdString());
        const auto track = PassTrack(sets[r.satellite], Tokyo, r.pass, 10);
        ASSERT_GE(track.size(), 2u);
        EXPECT_NEAR(track.front().azimuth, r.pass.aosAzimuth, 0.05);
        EXPECT_NEAR(track.front().elevation, 0, 0.05);
        EXPECT_NEAR(track.back().azimuth, r.pass.losAzimuth, 0.05);
        EXPECT_NEAR(track.back().elevation, 0, 0.05);
        double highest = -90;
        for (const PassTrackPoint& p : track) {
            EXPECT_GE(p.elevation, -0.05);
            highest = std::max(highest, p.elevation);
        }
        // Sampled every 10 s, the highest sample lies just under the pass's maximum.
        EXPECT_LE(highest, r.pass.maxElevation + 0.01);
        EXPECT_GT(highest, r.pass.maxElevation - 0.5);
    }
}

TEST(ComingPassesTest, TimeTexts) {
    const auto t = orbit::JulianDate::FromUnixMilliseconds(
        QDateTime(QDate(2026, 12, 8), QTime(12, 34, 56), Qt::UTC).toMSecsSinceEpoch());
    EXPECT_EQ(PassTimeText(t, true), "12/08 12:34:56");
    EXPECT_EQ(
        PassTimeText(t, false),
        QDateTime(QDate(2026, 12, 8), QTime(12, 34, 56), Qt::UTC).toLocalTime().toString("MM/dd HH:mm:ss"));
}

} // namespace

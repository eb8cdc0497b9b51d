// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/RemoteTarget.h"
#include "common/NumberText.h"
#include "links/RemoteTargetLink.h"
#include "sky/Ephemeris.h"
#include "support/FakePorts.h"

#include <gtest/gtest.h>

namespace {

TEST(RemoteTargetLinkTest, SunMoonAndMarsComeFromTheEphemerisForTheObserver) {
    FakeClock clock;
    RemoteTarget target;
    RemoteTargetLink link{target, clock, 35.68, 139.77};
    // 2026-06-21 02:42 UTC the Sun crosses the meridian of Tokyo near the solstice: high in the south.
    clock.localStart = QDateTime(QDate(2026, 6, 21), QTime(2, 42), Qt::UTC).toLocalTime();
    clock.nowMs = 0;
    EXPECT_NEAR(LeadingNumber(*link.ItemText(QStringLiteral("text8"))), 180, 5);
    EXPECT_NEAR(LeadingNumber(*link.ItemText(QStringLiteral("text9"))), 90 - 35.68 + 23.44, 1.5);
    const SkyBodies bodies = SkyBodiesAt(clock.UtcNow(), 35.68, 139.77);
    EXPECT_NEAR(LeadingNumber(*link.ItemText(QStringLiteral("text10"))), bodies.moon.azimuth, 1e-9);
    EXPECT_NEAR(LeadingNumber(*link.ItemText(QStringLiteral("text21"))), bodies.mars.elevation, 1e-9);
    clock.Advance(12 * 3600 * 1000);
    EXPECT_LT(LeadingNumber(*link.ItemText(QStringLiteral("text9"))), 0);
}

TEST(RemoteTargetLinkTest, BeforeTheFirstPositionTheAzimuthIsWhereTheAntennaPoints) {
    FakeClock clock;
    RemoteTarget target;
    double antenna = 123.5;
    RemoteTargetLink link(target, clock, 0, 0, [&antenna] { return antenna; });
    EXPECT_EQ(link.ItemText(QStringLiteral("TEXT2")), "123.5");
    antenna = 200;
    EXPECT_EQ(link.ItemText(QStringLiteral("TEXT2")), "200");
    target.Set(10, 5);
    EXPECT_EQ(link.ItemText(QStringLiteral("TEXT2")), "10");
}

TEST(ObserverTest, ParsesLatitudeAndLongitude) {
    const std::tuple<const char*, double, double> good[] = {{"-33.9, 18.4", -33.9, 18.4},
                                                            {"90,-180", 90, -180}};
    for (const auto& [text, latitude, longitude] : good) {
        const auto o = ParseObserver(QString::fromLatin1(text));
        ASSERT_TRUE(o) << text;
        EXPECT_DOUBLE_EQ(o->first, latitude) << text;
        EXPECT_DOUBLE_EQ(o->second, longitude) << text;
    }
    for (const char* bad : {"91,0", "0,181", "35.68", "a,b", "1,2,3", "nan,0"})
        EXPECT_FALSE(ParseObserver(QString::fromLatin1(bad))) << bad;
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sky/Ephemeris.h"

#include <QDateTime>
#include <QTimeZone>
#include <cmath>
#include <gtest/gtest.h>

namespace {

double AngleDifference(double a, double b) {
    return std::fabs(std::remainder(a - b, 360.0));
}

// Asked once a second (and now and then across minutes and a day boundary), the cache gives what
// the full computation gives.
TEST(SkyBodiesCache, AgreesWithTheFullComputation) {
    SkyBodiesCache cache(35.68, 139.77);
    const QDateTime start(QDate(2026, 12, 6), QTime(23, 58, 30), QTimeZone::utc());
    // Over an hour, across spans and a day boundary.
    for (int s = 0; s < 4000; s += 37) {
        const QDateTime t = start.addMSecs(s * 1000 + (s % 7) * 100);
        SCOPED_TRACE(qPrintable(t.toString(Qt::ISODateWithMs)));
        const SkyBodies cached = cache.At(t);
        const SkyBodies full = SkyBodiesAt(t, 35.68, 139.77);
        for (auto [c, f] :
             {std::pair{cached.sun, full.sun}, {cached.moon, full.moon}, {cached.mars, full.mars}}) {
            EXPECT_LT(AngleDifference(c.azimuth, f.azimuth), 0.001);
            EXPECT_NEAR(c.elevation, f.elevation, 0.001);
        }
    }
}

} // namespace

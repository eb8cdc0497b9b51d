// SPDX-License-Identifier: GPL-3.0-or-later
// The Sun, the Moon and Mars compared with an independent computation: PyEphem's apparent
// topocentric places without refraction (tests/tracking/independent_sky.py).

#include "sky/Ephemeris.h"

#include <QProcess>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

#ifdef EPHEM_PYTHON

struct Place {
    double latitude, longitude, height;
};

// Both hemispheres, the tropics, the polar circles, sea level to a mountain top.
const Place Places[] = {
    {35.68, 139.77, 40},  {64.15, -21.94, 50},   {-0.22, -78.51, 2850},  {-42.88, 147.33, 0},
    {71.29, -156.79, 10}, {-33.92, 18.42, 1500}, {19.82, -155.47, 4200}, {51.48, 0.0, 0},
};

// 2000 to 2050, at all hours and seasons.
const char* const Times[] = {
    "2000-01-01T00:00:00", "2003-07-15T06:30:00", "2008-03-20T11:47:00", "2012-11-13T22:10:00",
    "2018-05-01T03:00:00", "2024-04-08T18:20:00", "2026-12-08T13:40:00", "2031-06-21T09:15:00",
    "2037-02-02T15:55:00", "2042-09-09T01:05:00", "2046-10-10T20:30:00", "2050-12-31T23:00:00",
};

struct Case {
    Place place;
    QDateTime time;
};

std::vector<std::vector<double>> RunScript(const std::vector<Case>& cases) {
    QByteArray input;
    for (const Case& c : cases)
        input += QStringLiteral("%1 %2 %3 %4\n")
                     .arg(c.place.latitude, 0, 'f', 6)
                     .arg(c.place.longitude, 0, 'f', 6)
                     .arg(c.place.height, 0, 'f', 1)
                     .arg(c.time.toSecsSinceEpoch())
                     .toUtf8();
    QProcess script;
    script.start(QStringLiteral(EPHEM_PYTHON), {QStringLiteral(SKY_SCRIPT)});
    script.write(input);
    script.closeWriteChannel();
    std::vector<std::vector<double>> rows;
    if (!script.waitForFinished(30000) || script.exitCode() != 0)
        return rows;
    for (const QByteArray& line : script.readAllStandardOutput().split('\n')) {
        std::vector<double> row;
        for (const QByteArray& field : line.simplified().split(' '))
            if (!field.isEmpty())
                row.push_back(field.toDouble());
        if (!row.empty())
            rows.push_back(row);
    }
    return rows;
}

// Every place at every time: the Sun and Mars within 0.01 degrees, the Moon within 0.02, in
// elevation and along the horizon (the azimuth difference shrunk by the cosine of the elevation,
// as azimuth loses its meaning towards the zenith). The cached computation the tracker serves from
// is held to the same bounds.
TEST(SkyBodiesAgainstEphem, ApparentTopocentricPlacesAgree) {
    std::vector<Case> cases;
    for (const Place& place : Places)
        for (const char* time : Times)
            cases.push_back({place, QDateTime::fromString(QString::fromLatin1(time), Qt::ISODate)});
    for (Case& c : cases)
        c.time.setTimeZone(QTimeZone::utc());
    const auto rows = RunScript(cases);
    ASSERT_EQ(rows.size(), cases.size());

    const char* const names[] = {"Sun", "Moon", "Mars"};
    const double bounds[] = {0.01, 0.02, 0.01};
    double worst[3] = {0, 0, 0};
    int low = 0, high = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(qPrintable(QStringLiteral("%1 %2 %3 %4")
                                    .arg(c.place.latitude)
                                    .arg(c.place.longitude)
                                    .arg(c.place.height)
                                    .arg(c.time.toString(Qt::ISODate))));
        ASSERT_EQ(rows[i].size(), 6u);
        const SkyBodies full = SkyBodiesAt(c.time, c.place.latitude, c.place.longitude, c.place.height);
        SkyBodiesCache cache(c.place.latitude, c.place.longitude, c.place.height);
        const SkyBodies cached = cache.At(c.time);
        for (const SkyBodies& ours : {full, cached}) {
            const HorizontalPosition body[] = {ours.sun, ours.moon, ours.mars};
            for (int b = 0; b < 3; ++b) {
                const double azimuth = rows[i][2 * b], elevation = rows[i][2 * b + 1];
                const double along = std::fabs(std::remainder(body[b].azimuth - azimuth, 360.0)) *
                                     std::cos(elevation * 3.14159265358979 / 180);
                const double error = std::max(along, std::fabs(body[b].elevation - elevation));
                worst[b] = std::max(worst[b], error);
                EXPECT_LT(error, bounds[b]) << names[b] << " at " << azimuth << ", " << elevation;
                low += elevation > -5 && elevation < 10;
                high += elevation > 60;
            }
        }
    }
    // The table keeps bodies both near the horizon and high in the sky.
    EXPECT_GT(low, 10);
    EXPECT_GT(high, 10);
    for (int b = 0; b < 3; ++b)
        RecordProperty(std::string(names[b]) + "_max_error_deg", std::to_string(worst[b]));
    std::printf("largest differences from PyEphem, degrees: Sun %.4f, Moon %.4f, Mars %.4f\n", worst[0],
                worst[1], worst[2]);
}

#else

TEST(SkyBodiesAgainstEphem, ApparentTopocentricPlacesAgree) {
    GTEST_SKIP() << "python3-ephem is not installed";
}

#endif

} // namespace

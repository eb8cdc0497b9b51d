#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Independent places of the Sun, the Moon and Mars for the ephemeris tests, from PyEphem
(python3-ephem, the XEphem library): apparent topocentric azimuth and elevation without
refraction (pressure 0). UTC is taken as UT, as on the tested side.

stdin: one line per case: LAT LON HEIGHT UNIX_SECONDS (degrees, metres, seconds)
stdout: one line per case: SUN_AZ SUN_EL MOON_AZ MOON_EL MARS_AZ MARS_EL (degrees)
"""

import math
import sys

import ephem

# ephem counts days from 1899-12-31 12:00 UT; the Unix epoch is 25567.5 days later.
UNIX_EPOCH = 25567.5

for line in sys.stdin:
    fields = line.split()
    if len(fields) != 4:
        continue
    lat, lon, height, seconds = map(float, fields)
    observer = ephem.Observer()
    observer.lat = math.radians(lat)
    observer.lon = math.radians(lon)
    observer.elevation = height
    observer.pressure = 0
    observer.date = ephem.Date(seconds / 86400.0 + UNIX_EPOCH)
    values = []
    for body in (ephem.Sun(), ephem.Moon(), ephem.Mars()):
        body.compute(observer)
        values += [math.degrees(body.az), math.degrees(body.alt)]
    print(" ".join("%.6f" % v for v in values))

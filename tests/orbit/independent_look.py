#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Independent look angles and passes for the orbit tests.

The propagator is python3-sgp4's (Vallado's code, WGS-72); the frames are written here from the
textbook formulas: Greenwich mean sidereal time in Meeus's form, the WGS-84 observer, the local
east/north/up frame. Times are Unix seconds (UTC, taken as UT1 on both sides).

  look FILE NAME LAT LON HEIGHT START STEP COUNT
      one line per instant: unix_seconds azimuth elevation range_m range_rate_m_s
      (or "unix_seconds error CODE")
  passes FILE NAME LAT LON HEIGHT START COUNT
      one line per pass: aos culmination los aos_azimuth los_azimuth max_elevation
      (times in Unix seconds with decimals)
"""

import math
import sys

from sgp4.api import Satrec

WGS84_A = 6378137.0
WGS84_F = 1 / 298.257223563
OMEGA_EARTH = 7.292115146706979e-5


def read_satellite(path, name):
    lines = [l.rstrip("\r\n") for l in open(path, encoding="ascii")]
    for i in range(len(lines) - 1):
        if lines[i].startswith("1 ") and lines[i + 1].startswith("2 "):
            title = lines[i - 1].strip() if i > 0 else ""
            if title.startswith("0 "):
                title = title[2:].strip()
            number = lines[i][2:7].strip()
            if name in (title, number):
                return Satrec.twoline2rv(lines[i], lines[i + 1])
    raise SystemExit("no satellite %r in %s" % (name, path))


def gmst(jd):
    # Meeus, Astronomical Algorithms, eq. 12.4 (degrees).
    t = (jd - 2451545.0) / 36525.0
    theta = (280.46061837 + 360.98564736629 * (jd - 2451545.0)
             + 0.000387933 * t * t - t * t * t / 38710000.0)
    return math.radians(theta % 360.0)


def site(lat, lon, height):
    phi, lam = math.radians(lat), math.radians(lon)
    e2 = WGS84_F * (2 - WGS84_F)
    n = WGS84_A / math.sqrt(1 - e2 * math.sin(phi) ** 2)
    return ((n + height) * math.cos(phi) * math.cos(lam),
            (n + height) * math.cos(phi) * math.sin(lam),
            (n * (1 - e2) + height) * math.sin(phi))


def look(sat, lat, lon, height, unix_seconds):
    days, rest = divmod(unix_seconds, 86400.0)
    jd, fr = 2440587.5 + days, rest / 86400.0
    err, r, v = sat.sgp4(jd, fr)
    if err:
        return err, None
    th = gmst(jd + fr)
    c, s = math.cos(th), math.sin(th)
    # TEME -> Earth-fixed (km -> m), velocity relative to the rotating Earth.
    x, y, z = [1000 * (c * r[0] + s * r[1]), 1000 * (-s * r[0] + c * r[1]), 1000 * r[2]]
    vx = 1000 * (c * v[0] + s * v[1]) + OMEGA_EARTH * y
    vy = 1000 * (-s * v[0] + c * v[1]) - OMEGA_EARTH * x
    vz = 1000 * v[2]
    ox, oy, oz = site(lat, lon, height)
    dx, dy, dz = x - ox, y - oy, z - oz
    phi, lam = math.radians(lat), math.radians(lon)
    east = -math.sin(lam) * dx + math.cos(lam) * dy
    north = (-math.sin(phi) * math.cos(lam) * dx - math.sin(phi) * math.sin(lam) * dy
             + math.cos(phi) * dz)
    up = math.cos(phi) * math.cos(lam) * dx + math.cos(phi) * math.sin(lam) * dy + math.sin(phi) * dz
    rng = math.sqrt(dx * dx + dy * dy + dz * dz)
    az = math.degrees(math.atan2(east, north)) % 360.0
    el = math.degrees(math.asin(up / rng))
    rate = (dx * vx + dy * vy + dz * vz) / rng
    return 0, (az, el, rng, rate)


def elevation(sat, where, t):
    err, result = look(sat, *where, t)
    return -90.0 if err else result[1]


def crossing(sat, where, a, b):
    """Time of the horizon crossing between a and b (elevation changes sign), to a millisecond."""
    ea = elevation(sat, where, a)
    while b - a > 0.001:
        m = (a + b) / 2
        em = elevation(sat, where, m)
        if (em >= 0) == (ea >= 0):
            a, ea = m, em
        else:
            b = m
    return (a + b) / 2


def culmination(sat, where, a, b):
    """Highest point between a and b by a plain ternary search."""
    while b - a > 0.001:
        m1, m2 = a + (b - a) / 3, b - (b - a) / 3
        if elevation(sat, where, m1) < elevation(sat, where, m2):
            a = m1
        else:
            b = m2
    return (a + b) / 2


def passes(sat, where, start, count):
    # A thousandth of an orbit, 5 s to a minute: finer than the C++ scan, so no pass is missed here.
    period = 86400.0 / (sat.no_kozai * 1440.0 / (2 * math.pi))
    step = min(max(period / 1000.0, 5.0), 60.0)
    found = []
    t = start
    up = elevation(sat, where, t) >= 0
    aos = None
    if up:
        # The pass in progress: walk back to its rise.
        back = t
        while elevation(sat, where, back) >= 0 and back > start - 86400:
            back -= step
        aos = crossing(sat, where, back, back + step)
    while len(found) < count and t < start + 30 * 86400:
        nxt = t + step
        now_up = elevation(sat, where, nxt) >= 0
        if now_up and not up:
            aos = crossing(sat, where, t, nxt)
        elif up and not now_up and aos is not None:
            los = crossing(sat, where, t, nxt)
            top = culmination(sat, where, aos, los)
            found.append((aos, top, los, look(sat, *where, aos)[1][0], look(sat, *where, los)[1][0],
                          elevation(sat, where, top)))
        up, t = now_up, nxt
    return found


def main(argv):
    mode, path, name = argv[1], argv[2], argv[3]
    where = tuple(float(a) for a in argv[4:7])
    sat = read_satellite(path, name)
    if mode == "look":
        start, step, count = float(argv[7]), float(argv[8]), int(argv[9])
        for i in range(count):
            t = start + i * step
            err, result = look(sat, *where, t)
            if err:
                print("%.3f error %d" % (t, err))
            else:
                print("%.3f %.9f %.9f %.6f %.6f" % ((t,) + result))
    elif mode == "passes":
        start, count = float(argv[7]), int(argv[8])
        for p in passes(sat, where, start, count):
            print("%.3f %.3f %.3f %.6f %.6f %.6f" % p)
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main(sys.argv)

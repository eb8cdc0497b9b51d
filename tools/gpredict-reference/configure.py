#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes an offline gpredict 2.3 configuration for the side-by-side benchmark.

    configure.py CONFIG_HOME TLE_FILE CATNUM ROTCTLD_PORT [--at UNIX_SECONDS] [--span SECONDS]

CONFIG_HOME is the XDG_CONFIG_HOME gpredict is started with; everything goes to CONFIG_HOME/Gpredict:
gpredict.cfg (TLE updates off, the bench module opened at start), bench.qth (the ground station),
modules/bench.mod (the one satellite), satdata/CATNUM.sat (its elements from TLE_FILE) and
hwconf/rotctld.rot (127.0.0.1:ROTCTLD_PORT).

The ground station is placed beside the satellite's ground track at --at (now by default), 2.5 degrees
of arc off the track, so that a pass of about 50 degrees' elevation culminates then and the satellite
stays well above the horizon for --span seconds either side. The station is printed on stdout as
"LAT,LON,ALT" (the tracker's --observer), followed by the elevation at the window's ends; the exit
status is 1 when the satellite would be below 10 degrees at either end.
"""
import argparse
import math
import os
import sys
import time

from sgp4.api import WGS72, Satrec, jday

EARTH_A = 6378.137  # WGS84, km
EARTH_F = 1 / 298.257223563


def checksum(line):
    """The modulo-10 check digit of a TLE line's first 68 columns ('-' counts one)."""
    return sum(int(c) if c.isdigit() else (1 if c == "-" else 0) for c in line[:68]) % 10


def fixed(line):
    """The line with its check digit recomputed: gpredict refuses elements whose digit is wrong."""
    body = line.rstrip("\n").ljust(68)[:68]
    return body + str(checksum(body))


def read_tle(path, catnum):
    lines = [raw.rstrip() for raw in open(path, encoding="ascii") if raw.strip()]
    for i in range(len(lines) - 1):
        if lines[i].startswith("1 ") and lines[i + 1].startswith("2 ") and int(lines[i][2:7]) == catnum:
            name = lines[i - 1].strip() if i > 0 and not lines[i - 1].startswith(("1 ", "2 ")) else str(catnum)
            return name, fixed(lines[i]), fixed(lines[i + 1])
    sys.exit("satellite %d not in %s" % (catnum, path))


def gmst(jd_ut1):
    """Greenwich mean sidereal time, radians (IAU 1982)."""
    t = (jd_ut1 - 2451545.0) / 36525.0
    sec = 67310.54841 + (876600.0 * 3600 + 8640184.812866) * t + 0.093104 * t * t - 6.2e-6 * t ** 3
    return math.radians((sec % 86400) / 240.0)


def ecef_at(sat, unix):
    """The satellite's Earth-fixed position, km, at a Unix time (TEME rotated by GMST; polar motion
    and the difference of UT1 from UTC are far below what placing a ground station needs)."""
    tm = time.gmtime(unix)
    jd, fr = jday(tm.tm_year, tm.tm_mon, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec + unix % 1)
    err, r, _ = sat.sgp4(jd, fr)
    if err:
        sys.exit("sgp4 error %d" % err)
    g = gmst(jd + fr)
    return (r[0] * math.cos(g) + r[1] * math.sin(g), -r[0] * math.sin(g) + r[1] * math.cos(g), r[2])


def geodetic_to_ecef(lat, lon, alt_m):
    e2 = EARTH_F * (2 - EARTH_F)
    la, lo = math.radians(lat), math.radians(lon)
    n = EARTH_A / math.sqrt(1 - e2 * math.sin(la) ** 2)
    h = alt_m / 1000.0
    return ((n + h) * math.cos(la) * math.cos(lo), (n + h) * math.cos(la) * math.sin(lo),
            (n * (1 - e2) + h) * math.sin(la))


def elevation(sat, unix, lat, lon, alt_m):
    s = ecef_at(sat, unix)
    o = geodetic_to_ecef(lat, lon, alt_m)
    d = [s[i] - o[i] for i in range(3)]
    la, lo = math.radians(lat), math.radians(lon)
    up = (math.cos(la) * math.cos(lo), math.cos(la) * math.sin(lo), math.sin(la))
    return math.degrees(math.asin(sum(d[i] * up[i] for i in range(3)) / math.sqrt(sum(x * x for x in d))))


def sub_point(sat, unix):
    """Geocentric latitude and longitude of the sub-satellite point, degrees (close enough here)."""
    x, y, z = ecef_at(sat, unix)
    return math.degrees(math.atan2(z, math.hypot(x, y))), math.degrees(math.atan2(y, x))


def beside_track(sat, unix, offset_deg):
    """A point offset_deg of arc to the right of the ground track at unix."""
    lat0, lon0 = sub_point(sat, unix - 5)
    lat1, lon1 = sub_point(sat, unix + 5)
    lat, lon = sub_point(sat, unix)
    p0, p1, l0, l1 = map(math.radians, (lat0, lat1, lon0, lon1))
    heading = math.atan2(math.sin(l1 - l0) * math.cos(p1),
                         math.cos(p0) * math.sin(p1) - math.sin(p0) * math.cos(p1) * math.cos(l1 - l0))
    bearing, d = heading + math.pi / 2, math.radians(offset_deg)
    p, l = math.radians(lat), math.radians(lon)
    p2 = math.asin(math.sin(p) * math.cos(d) + math.cos(p) * math.sin(d) * math.cos(bearing))
    l2 = l + math.atan2(math.sin(bearing) * math.sin(d) * math.cos(p), math.cos(d) - math.sin(p) * math.sin(p2))
    return math.degrees(p2), (math.degrees(l2) + 540) % 360 - 180


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("config_home")
    ap.add_argument("tle")
    ap.add_argument("catnum", type=int)
    ap.add_argument("port", type=int)
    ap.add_argument("--at", type=float, default=time.time())
    ap.add_argument("--span", type=float, default=90.0)
    ap.add_argument("--alt", type=int, default=40)
    ap.add_argument("--x", type=int, default=0, help="left edge of gpredict's main window, pixels")
    args = ap.parse_args()

    name, tle1, tle2 = read_tle(args.tle, args.catnum)
    sat = Satrec.twoline2rv(tle1, tle2, WGS72)
    lat, lon = beside_track(sat, args.at, 2.5)
    edges = [elevation(sat, args.at + s, lat, lon, args.alt) for s in (-args.span, 0.0, args.span)]

    conf = os.path.join(args.config_home, "Gpredict")
    # TLE updates: never (0), and only a notice if it were due (1); the last update "now", so that
    # no notice about old elements comes up either. The bench module is the only one opened.
    write(os.path.join(conf, "gpredict.cfg"),
          "[GLOBAL]\nDEFAULT_QTH=bench.qth\nOPEN_MODULES=bench\nWINDOW_WIDTH=900\nWINDOW_HEIGHT=700\n"
          "MAIN_WIN_POS=true\nWINDOW_POS_X=%d\nWINDOW_POS_Y=0\n\n"
          "[TLE]\nAUTO_UPDATE_FREQ=0\nAUTO_UPDATE_ACTION=1\nLAST_UPDATE=%d\nSERVER=\nFILES=\nURLS=\n"
          "ADD_NEW_SATS=false\n\n[LOG]\nLEVEL=4\n" % (args.x, int(time.time())))
    write(os.path.join(conf, "bench.qth"),
          "[QTH]\nLOCATION=Benchmark\nDESCRIPTION=Beside the track of %s\nLAT=%.4f\nLON=%.4f\nALT=%d\n"
          "WX=\nQTH_TYPE=0\n" % (name, lat, lon, args.alt))
    write(os.path.join(conf, "modules", "bench.mod"),
          "[GLOBAL]\nSATELLITES=%d;\nQTHFILE=bench.qth\n" % args.catnum)
    write(os.path.join(conf, "satdata", "%d.sat" % args.catnum),
          "[Satellite]\nVERSION=1.1\nNAME=%s\nNICKNAME=%s\nTLE1=%s\nTLE2=%s\nSTATUS=0\n"
          % (name, name, tle1, tle2))
    write(os.path.join(conf, "hwconf", "rotctld.rot"),
          "[Rotator]\nHost=127.0.0.1\nPort=%d\nAzType=0\nMinAz=0\nMaxAz=360\nMinEl=0\nMaxEl=90\n"
          % args.port)
    print("%.4f,%.4f,%d" % (lat, lon, args.alt))
    print("elevation %.1f / %.1f / %.1f degrees at -%d s / culmination / +%d s"
          % (edges[0], edges[1], edges[2], args.span, args.span))
    return 0 if min(edges) >= 10 else 1


if __name__ == "__main__":
    sys.exit(main())

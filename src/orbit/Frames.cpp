// SPDX-License-Identifier: GPL-3.0-or-later
#include "orbit/Frames.h"

#include <cmath>
#include <numbers>

namespace orbit {

namespace {

constexpr double Degree = std::numbers::pi / 180;
constexpr double UnixEpochJulian = 2440587.5;
constexpr double SecondsPerDay = 86400;
// WGS-84 ellipsoid.
constexpr double Wgs84A = 6378137.0;
constexpr double Wgs84F = 1 / 298.257223563;

} // namespace

JulianDate JulianDate::FromUnixMilliseconds(std::int64_t milliseconds) {
    constexpr std::int64_t MsPerDay = 86400000;
    std::int64_t days = milliseconds / MsPerDay;
    std::int64_t rest = milliseconds % MsPerDay;
    if (rest < 0) {
        rest += MsPerDay;
        --days;
    }
    return {UnixEpochJulian + static_cast<double>(days), static_cast<double>(rest) / MsPerDay};
}

std::int64_t JulianDate::ToUnixMilliseconds() const {
    const double days = (whole - UnixEpochJulian) + fraction;
    return static_cast<std::int64_t>(std::llround(days * SecondsPerDay * 1000));
}

JulianDate JulianDate::PlusSeconds(double seconds) const {
    double f = fraction + seconds / SecondsPerDay;
    const double days = std::floor(f);
    return {whole + days, f - days};
}

Vector3 ObserverPosition(const Geodetic& observer) {
    const double phi = observer.latitude * Degree;
    const double lambda = observer.longitude * Degree;
    const double e2 = Wgs84F * (2 - Wgs84F);
    const double sinPhi = std::sin(phi);
    const double n = Wgs84A / std::sqrt(1 - e2 * sinPhi * sinPhi); // prime vertical radius
    const double h = observer.height;
    return {(n + h) * std::cos(phi) * std::cos(lambda), (n + h) * std::cos(phi) * std::sin(lambda),
            (n * (1 - e2) + h) * sinPhi};
}

EarthFixedState TemeToEarthFixed(const TemeState& teme, const JulianDate& time, double dut1) {
    const double theta = GreenwichSiderealTime(time.whole + (time.fraction + dut1 / 86400));
    const double c = std::cos(theta), s = std::sin(theta);
    EarthFixedState out;
    const Vector3& r = teme.position;
    const Vector3& v = teme.velocity;
    out.position = {1000 * (c * r.x + s * r.y), 1000 * (-s * r.x + c * r.y), 1000 * r.z};
    // Velocity seen from the rotating Earth: rotate, then take away omega x r.
    const Vector3 rotated{1000 * (c * v.x + s * v.y), 1000 * (-s * v.x + c * v.y), 1000 * v.z};
    out.velocity = {rotated.x + EarthRotationRate * out.position.y,
                    rotated.y - EarthRotationRate * out.position.x, rotated.z};
    return out;
}

LookAngles Look(const Geodetic& observer, const EarthFixedState& satellite) {
    const Vector3 site = ObserverPosition(observer);
    const Vector3 rho{satellite.position.x - site.x, satellite.position.y - site.y,
                      satellite.position.z - site.z};
    const double phi = observer.latitude * Degree;
    const double lambda = observer.longitude * Degree;
    const double sinPhi = std::sin(phi), cosPhi = std::cos(phi);
    const double sinLam = std::sin(lambda), cosLam = std::cos(lambda);
    const double east = -sinLam * rho.x + cosLam * rho.y;
    const double north = -sinPhi * cosLam * rho.x - sinPhi * sinLam * rho.y + cosPhi * rho.z;
    const double up = cosPhi * cosLam * rho.x + cosPhi * sinLam * rho.y + sinPhi * rho.z;

    LookAngles look;
    look.range = std::sqrt(rho.x * rho.x + rho.y * rho.y + rho.z * rho.z);
    look.elevation = std::asin(up / look.range) / Degree;
    double azimuth = std::atan2(east, north) / Degree;
    if (azimuth < 0)
        azimuth += 360;
    look.azimuth = azimuth;
    const Vector3& v = satellite.velocity;
    look.rangeRate = (rho.x * v.x + rho.y * v.y + rho.z * v.z) / look.range;
    return look;
}

} // namespace orbit

// SPDX-License-Identifier: GPL-3.0-or-later
#include "SatelliteScript.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double Degree = std::numbers::pi / 180;

struct PassShape {
    double heading; // compass direction of the ground track
    double offset;  // Earth-central angle from the observer to the track, + to the track's right
};

// High (about 74 degrees) over the east; about 20 degrees crossing north; about 15 over the west.
constexpr PassShape Passes[] = {{20, 1}, {100, -8}, {200, 10}};
constexpr int PassCount = sizeof(Passes) / sizeof(Passes[0]);

struct Vec {
    double e, n, u;
};
Vec operator*(double k, Vec v) {
    return {k * v.e, k * v.n, k * v.u};
}
Vec operator+(Vec a, Vec b) {
    return {a.e + b.e, a.n + b.n, a.u + b.u};
}
Vec operator-(Vec a, Vec b) {
    return {a.e - b.e, a.n - b.n, a.u - b.u};
}
double Dot(Vec a, Vec b) {
    return a.e * b.e + a.n * b.n + a.u * b.u;
}

} // namespace

SatelliteScript::SatelliteScript(double speedup) : speedup_(std::max(speedup, 1.0)) {}

double SatelliteScript::CycleSeconds() const {
    return 2 * PassHalfWindow + (OrbitSeconds - 2 * PassHalfWindow) / speedup_;
}

SatelliteScript::State SatelliteScript::At(double secondsSinceEpoch) const {
    const double cycle = CycleSeconds();
    const double k = std::floor(secondsSinceEpoch / cycle);
    const double q = secondsSinceEpoch - k * cycle;
    // Phase within the revolution: the pass window at the true rate, then the fast wait.
    const double phase =
        q <= 2 * PassHalfWindow ? q : 2 * PassHalfWindow + (q - 2 * PassHalfWindow) * speedup_;

    State s;
    s.pass = static_cast<int>(k);
    s.revolution = FirstRevolution + s.pass;
    s.meanAnomaly = std::fmod(300 + 360 * phase / OrbitSeconds, 360.0);

    const PassShape& shape = Passes[((s.pass % PassCount) + PassCount) % PassCount];
    const double psi = shape.heading * Degree;
    const double beta = shape.offset * Degree;
    const double omega = 2 * std::numbers::pi / OrbitSeconds;
    const double theta = omega * (phase - PassHalfWindow);

    // The orbit is a great circle through the point of closest approach C, moving along D.
    const Vec up{0, 0, 1};
    const Vec along{std::sin(psi), std::cos(psi), 0};
    const Vec right{std::cos(psi), -std::sin(psi), 0};
    const Vec closest = std::cos(beta) * up + std::sin(beta) * right;
    const double r = EarthRadiusMetres + AltitudeMetres;
    const Vec position = r * (std::cos(theta) * closest + std::sin(theta) * along);
    const Vec velocity = (r * omega) * (-std::sin(theta) * closest + std::cos(theta) * along);

    const Vec toSatellite = position - EarthRadiusMetres * up;
    const double range = std::sqrt(Dot(toSatellite, toSatellite));
    s.rangeMetres = range;
    s.rangeRate = Dot(toSatellite, velocity) / range;
    s.elevation = std::asin(toSatellite.u / range) / Degree;
    double azimuth = std::atan2(toSatellite.e, toSatellite.n) / Degree;
    if (azimuth < 0)
        azimuth += 360;
    s.azimuth = azimuth;
    s.east = position.e;
    s.north = position.n;
    s.up = position.u;
    return s;
}

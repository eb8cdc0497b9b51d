// SPDX-License-Identifier: GPL-3.0-or-later
#include "sky/PassPlan.h"

#include "orbit/Observation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

// a mod 360 in 0..360.
double Wrap360(double a) {
    const double r = std::fmod(a, 360.0);
    return r < 0 ? r + 360.0 : r;
}

// The shortest turn from one azimuth to another, -180..180.
double Turn(double from, double to) {
    double d = Wrap360(to - from);
    return d > 180 ? d - 360 : d;
}

// Compass azimuth into the rotator's 0..360 frame.
double RotatorFrame(const RotatorTravel& travel, double compassAzimuth) {
    return Wrap360(travel.southStart ? compassAzimuth + 180 : compassAzimuth);
}

struct Candidate {
    bool fits = false;
    double shift = 0; // multiple of 360 added to the unwrapped track
    double low = 0, high = 0, first = 0;
};

// The track unwrapped into one continuous rotator azimuth, and the best whole-turn shift that keeps
// it inside the travel.
Candidate Fit(const std::vector<TrackPoint>& track, const RotatorTravel& travel, bool flipped,
              double presentAzimuth) {
    Candidate c;
    double u = 0, previous = 0;
    for (std::size_t i = 0; i < track.size(); ++i) {
        const double b = RotatorFrame(travel, track[i].azimuth + (flipped ? 180 : 0));
        u = i == 0 ? b : u + Turn(previous, b);
        previous = b;
        if (i == 0)
            c.low = c.high = c.first = u;
        c.low = std::min(c.low, u);
        c.high = std::max(c.high, u);
    }
    double best = std::numeric_limits<double>::infinity();
    for (int k = -2; k <= 2; ++k) {
        const double s = 360.0 * k;
        if (c.low + s < travel.azimuthMin - 1e-9 || c.high + s > travel.azimuthMax + 1e-9)
            continue;
        const double distance = std::abs(c.first + s - presentAzimuth);
        if (distance < best) {
            best = distance;
            c.fits = true;
            c.shift = s;
        }
    }
    return c;
}

} // namespace

PassPlan PlanPass(const std::vector<TrackPoint>& track, const RotatorTravel& travel, double presentAzimuth) {
    PassPlan plan;
    if (track.empty())
        return plan;
    double lowest = track.front().elevation, highest = lowest;
    for (const auto& p : track) {
        lowest = std::min(lowest, p.elevation);
        highest = std::max(highest, p.elevation);
    }
    // Elevations the rotator cannot reach either way: not planned.
    const bool directElevationFits =
        std::max(0.0, lowest) >= travel.elevationMin - 1e-9 && highest <= travel.elevationMax + 1e-9;
    const bool flipElevationFits = 180 - std::max(0.0, lowest) <= travel.elevationMax + 1e-9 &&
                                   180 - highest >= travel.elevationMin - 1e-9;

    Candidate chosen;
    if (directElevationFits)
        chosen = Fit(track, travel, false, presentAzimuth);
    if (!chosen.fits && flipElevationFits) {
        chosen = Fit(track, travel, true, presentAzimuth);
        plan.flipped = chosen.fits;
    }
    if (!chosen.fits)
        return plan;
    plan.followable = true;
    // The stretch is centred on the pass, so the lead and the minutes before AOS map continuously too.
    plan.stretchStart = (chosen.low + chosen.high) / 2 + chosen.shift - 180;
    plan.azimuthTravelled = 0;
    RotatorAngles previous = ToRotator(plan, travel, track.front().azimuth, track.front().elevation);
    plan.prePosition = ToRotator(plan, travel, track.front().azimuth, std::max(0.0, track.front().elevation));
    for (const auto& p : track) {
        const RotatorAngles r = ToRotator(plan, travel, p.azimuth, p.elevation);
        plan.azimuthTravelled += std::abs(r.azimuth - previous.azimuth);
        previous = r;
    }
    return plan;
}

RotatorAngles ToRotator(const PassPlan& plan, const RotatorTravel& travel, double compassAzimuth,
                        double elevation) {
    const double b = RotatorFrame(travel, compassAzimuth + (plan.flipped ? 180 : 0));
    const double azimuth = plan.stretchStart + Wrap360(b - plan.stretchStart);
    const double e = plan.flipped ? 180 - std::max(0.0, elevation) : std::max(0.0, elevation);
    return {std::clamp(azimuth, travel.azimuthMin, travel.azimuthMax),
            std::clamp(e, travel.elevationMin, travel.elevationMax)};
}

RotatorAngles ToCompass(const RotatorTravel& travel, double rotatorAzimuth, double rotatorElevation) {
    double azimuth = rotatorAzimuth, elevation = rotatorElevation;
    if (elevation > 90) {
        azimuth += 180;
        elevation = 180 - elevation;
    }
    return {Wrap360(travel.southStart ? azimuth + 180 : azimuth), elevation};
}

namespace {

constexpr double Radian = std::numbers::pi / 180;

// The azimuth offset within which the pointing error stays at most `error` at `elevation`.
double OffsetAllowed(double elevation, double error) {
    const double ratio = std::sin(error * Radian) / std::cos(std::clamp(elevation, 0.0, 90.0) * Radian);
    return ratio >= 1 ? 90 : std::asin(ratio) / Radian;
}

using Spans = std::vector<std::pair<double, double>>; // ascending, apart

// Adds from..to (nothing when empty) after the spans, joined to the last one where they meet.
void AppendSpan(Spans& spans, double from, double to) {
    if (from > to)
        return;
    if (!spans.empty() && from <= spans.back().second)
        spans.back().second = std::max(spans.back().second, to);
    else
        spans.emplace_back(from, to);
}

// Calls visit(direction, halfTurns) for each rotator azimuth from which the antenna looks at the
// satellite: its own, and on an elevation rotator that reaches over the top also those a whole number
// of half turns away (three either way cover any travel).
template <class Visit> void ForEachDirection(double azimuth, bool overTheTop, Visit visit) {
    const int most = overTheTop ? 3 : 0;
    for (int k = -most; k <= most; ++k)
        visit(azimuth + 180.0 * k, k);
}

// Where the azimuth may stand at one point of the course: within `allowed` of the satellite's
// rotator azimuth, and on an elevation rotator that reaches over the top also within `allowed` of the
// opposite azimuths (looking over the top at the elevation past 90), inside the travel.
Spans AllowedAt(double azimuth, double allowed, const RotatorTravel& travel, bool overTheTop) {
    Spans spans;
    ForEachDirection(azimuth, overTheTop, [&](double direction, int) {
        AppendSpan(spans, std::max(direction - allowed, travel.azimuthMin),
                   std::min(direction + allowed, travel.azimuthMax));
    });
    return spans;
}

// The points of `a` that lie within `reach` of a point of `b`.
Spans WithinReach(const Spans& a, const Spans& b, double reach) {
    Spans out;
    for (const auto& [from, to] : a)
        for (const auto& [bFrom, bTo] : b)
            AppendSpan(out, std::max(from, bFrom - reach), std::min(to, bTo + reach));
    return out;
}

// A course within pointing error `error` of the satellite turning at most `speed`, as near the
// satellite as that allows; empty when there is none. Forward, where each point can still be reached;
// then backward, each point nearest the satellite among those the next point allows.
std::vector<double> CourseWithin(const std::vector<double>& azimuth, const std::vector<TrackPoint>& track,
                                 const RotatorTravel& travel, double speed, double error, bool overTheTop) {
    const std::size_t n = azimuth.size();
    std::vector<Spans> reachable(n);
    for (std::size_t i = 0; i < n; ++i) {
        // The course starts on the plan's own way, where the antenna waits for the rise.
        reachable[i] =
            AllowedAt(azimuth[i], OffsetAllowed(track[i].elevation, error), travel, overTheTop && i > 0);
        if (i > 0)
            reachable[i] = WithinReach(reachable[i], reachable[i - 1],
                                       speed * (track[i].seconds - track[i - 1].seconds));
        if (reachable[i].empty())
            return {};
    }
    std::vector<double> course(n);
    for (std::size_t i = n; i-- > 0;) {
        Spans choice = reachable[i];
        if (i + 1 < n) {
            const double reach = speed * (track[i + 1].seconds - track[i].seconds);
            // (a hair more, so that rounding cannot lose the point the forward pass came from)
            choice = WithinReach(choice, {{course[i + 1], course[i + 1]}}, reach + 1e-9);
        }
        if (choice.empty())
            return {};
        // The point nearest a direction of the satellite (its own azimuth first, then over the top).
        double best = choice.front().first, bestCost = 1e9;
        for (const auto& span : choice)
            ForEachDirection(azimuth[i], overTheTop, [&](double direction, int halfTurns) {
                const double point = std::clamp(direction, span.first, span.second);
                const double cost =
                    std::abs(std::sin((point - azimuth[i]) * Radian)) + 1e-6 * std::abs(halfTurns);
                if (cost < bestCost) {
                    bestCost = cost;
                    best = point;
                }
            });
        course[i] = best;
    }
    return course;
}

} // namespace

namespace {

// The smallest error a course can keep, to a hundredth of a degree (none where the rotator keeps up),
// and that course.
PassCourse SmallestError(const std::vector<double>& azimuth, const std::vector<TrackPoint>& track,
                         const RotatorTravel& travel, double speed, bool overTheTop) {
    PassCourse result;
    double feasible = 0, infeasible = 0;
    std::vector<double> course = CourseWithin(azimuth, track, travel, speed, 0, overTheTop);
    if (course.empty()) {
        feasible = 90;
        course = CourseWithin(azimuth, track, travel, speed, feasible, overTheTop);
    }
    if (course.empty())
        return result;
    while (feasible - infeasible > 0.01) {
        const double middle = (feasible + infeasible) / 2;
        auto tried = CourseWithin(azimuth, track, travel, speed, middle, overTheTop);
        if (tried.empty()) {
            infeasible = middle;
        } else {
            feasible = middle;
            course = std::move(tried);
        }
    }
    result.bound = feasible;
    for (std::size_t i = 0; i < azimuth.size(); ++i)
        result.azimuthOffset.push_back(course[i] - azimuth[i]);
    return result;
}

} // namespace

PassCourse PlanCourse(const std::vector<TrackPoint>& track, const PassPlan& plan, const RotatorTravel& travel,
                      double azimuthDegreesPerSecond) {
    if (track.empty() || !plan.followable || !(azimuthDegreesPerSecond > 0))
        return {};
    std::vector<double> azimuth;
    for (const auto& p : track)
        azimuth.push_back(ToRotator(plan, travel, p.azimuth, p.elevation).azimuth);
    PassCourse course = SmallestError(azimuth, track, travel, azimuthDegreesPerSecond, false);
    // Over the top only where that keeps the error clearly smaller: a pass within a degree or two of
    // the zenith, whose azimuth turns by half a turn within seconds.
    if (travel.elevationMin <= 0 && travel.elevationMax >= 180) {
        PassCourse over = SmallestError(azimuth, track, travel, azimuthDegreesPerSecond, true);
        if (!over.azimuthOffset.empty() &&
            (course.azimuthOffset.empty() || over.bound < course.bound - 0.5)) {
            const auto top = std::max_element(track.begin(), track.end(), [](const auto& a, const auto& b) {
                return a.elevation < b.elevation;
            });
            const auto i = static_cast<std::size_t>(top - track.begin());
            over.overTheTopAzimuth = azimuth[i] + over.azimuthOffset[i];
            course = std::move(over);
        }
    }
    return course;
}

double ElevationFor(const PassPlan& plan, double elevation, double azimuthOffset) {
    const double e = std::max(0.0, elevation) * Radian;
    const double nearest = std::atan2(std::sin(e), std::cos(e) * std::cos(azimuthOffset * Radian)) / Radian;
    return plan.flipped ? 180 - nearest : nearest;
}

std::vector<TrackPoint> SamplePass(const orbit::Sgp4& model, const orbit::Geodetic& observer,
                                   const orbit::Pass& pass, double stepSeconds) {
    std::vector<TrackPoint> track;
    const double length = (pass.los.Value() - pass.aos.Value()) * 86400.0;
    for (double t = 0;; t += stepSeconds) {
        const double s = std::min(t, length);
        const auto seen = orbit::Observe(model, observer, pass.aos.PlusSeconds(s));
        if (seen.ok())
            track.push_back({s, seen.observation.look.azimuth, seen.observation.look.elevation});
        if (s >= length)
            break;
    }
    return track;
}

QString PlanFallbackText() {
    return QStringLiteral("7.このパスは稼動範囲の一続きに収まらないため、通常の追尾をします");
}

QString PlanFlippedText() {
    return QStringLiteral("7.このパスは仰角を90度より先に倒して（反転して）追尾します");
}

QString PlanOverTheTopText(double rotatorAzimuth) {
    return QStringLiteral("7.このパスは天頂の近くで水平%1度のまま仰角90度を越えて追尾します")
        .arg(std::lround(rotatorAzimuth));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sky/PassTargets.h"

#include "common/NoSatellite.h"
#include "common/StartPoint.h"
#include "config/ProfileFile.h"
#include "orbit/Observation.h"
#include "orbit/Passes.h"
#include "satellites/TrackerSettings.h"
#include "sky/StationSetting.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

orbit::JulianDate AtUnix(double unixSeconds) {
    return orbit::JulianDate::FromUnixMilliseconds(std::llround(unixSeconds * 1000));
}

bool SameSet(const orbit::ElementSet& a, const orbit::ElementSet& b) {
    return a.catalogueNumber == b.catalogueNumber && a.EpochJulianWhole() == b.EpochJulianWhole() &&
           a.EpochJulianFraction() == b.EpochJulianFraction();
}

} // namespace

void PassTargets::Load(const QString& iniPath) {
    Load(ProfileDocument::Read(iniPath), iniPath);
}

void PassTargets::Load(const ProfileDocument& profile, const QString& iniPath) {
    const TrackerSettings settings = ReadTrackerSettings(profile, iniPath);
    index_ = SatelliteIndex::Read(settings.elementFiles);
    chosen_ = settings.satellites;
    const auto observer = ReadStationLocation(profile, iniPath);
    const bool samePlace =
        observer.has_value() == observer_.has_value() &&
        (!observer || (observer->latitude == observer_->latitude &&
                       observer->longitude == observer_->longitude && observer->height == observer_->height));
    observer_ = observer;
    // A plan (or a pass no plan carries) stays as long as it was made of the same set for the same
    // place; anything else (a new set, a satellite now found, a station now set) is planned afresh at
    // the next cycle.
    if (plannedName_.isEmpty())
        return;
    const CatalogueEntry* entry = FindServed(plannedName_);
    const bool keep = samePlace && entry && plannedSet_ && SameSet(entry->set, *plannedSet_);
    if (!keep) {
        plannedName_.clear();
        follower_.Forget();
    }
}

const CatalogueEntry* PassTargets::FindServed(const QString& name) const {
    // Among the tracker's chosen satellites first, so that two satellites of one name cannot give the
    // plan another one than the tracker serves.
    for (const QString& id : chosen_)
        if (const CatalogueEntry* entry = index_.Find(id);
            entry && entry->name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return entry;
    return index_.Find(name);
}

void PassTargets::Use(std::vector<orbit::ElementSet> sets, const std::optional<orbit::Geodetic>& observer) {
    index_ = SatelliteIndex::Of(sets);
    chosen_.clear();
    observer_ = observer;
    plannedName_.clear();
    follower_.Forget();
}

void PassTargets::Clear(MainState& state) {
    state.planned.active = false;
    state.planned.prePositioning = false;
    follower_.Forget();
    plannedName_.clear();
    plannedSet_.reset();
    said_.clear();
}

std::optional<QString> PassTargets::Say(const QString& text, const QString& reason) {
    // A reason is told once, however its numbers change.
    const QString key = reason.isEmpty() ? text : reason;
    if (key == said_)
        return std::nullopt;
    said_ = key;
    return text;
}

std::optional<double> PassTargets::Disagreement(const orbit::ElementSet& set, double unixSeconds,
                                                double compassAzimuth, double elevation) const {
    if (!observer_)
        return std::nullopt;
    const orbit::Sgp4 model(set);
    const auto seen = orbit::Observe(model, *observer_, AtUnix(unixSeconds));
    if (!seen.ok())
        return std::nullopt;
    // The angle between the two directions on the sky, so that azimuths near the zenith count little.
    constexpr double rad = std::numbers::pi / 180;
    const double e1 = elevation * rad, e2 = seen.observation.look.elevation * rad;
    const double da = (compassAzimuth - seen.observation.look.azimuth) * rad;
    const double c = std::sin(e1) * std::sin(e2) + std::cos(e1) * std::cos(e2) * std::cos(da);
    return std::acos(std::clamp(c, -1.0, 1.0)) / rad;
}

std::optional<QString> PassTargets::Plan(MainState& state, const QString& name, double unixSeconds,
                                         double compassAzimuth, double elevation) {
    searchedAtUnix_ = unixSeconds;
    refusedUntilUnix_ = -1e18;
    disagreements_ = 0;
    follower_.Forget();
    plannedName_ = name;
    plannedSet_.reset();
    const CatalogueEntry* entry = FindServed(name);
    if (!entry)
        return Say(NotInElementsText(name));
    plannedSet_ = entry->set;
    if (!observer_)
        return Say(NoStationText());
    if (const auto off = Disagreement(entry->set, unixSeconds, compassAzimuth, elevation);
        off && *off > DisagreementDegrees)
        return Say(OtherTimeText(*off), QStringLiteral("time"));

    const orbit::Sgp4 model(entry->set);
    const auto found = orbit::NextPasses(model, *observer_, AtUnix(unixSeconds), 1, 1);
    if (found.passes.empty())
        return Say(NoPassText(name));
    const auto& next = found.passes.front();
    PassFollower::UpcomingPass upcoming{next.aos.ToUnixMilliseconds() / 1000.0,
                                        next.los.ToUnixMilliseconds() / 1000.0,
                                        SamplePass(model, *observer_, next, 1)};
    const RotatorTravel travel = PassFollower::TravelOf(
        state.tracking, IsSouthStartPoint(state.AzimuthStartPoint), state.module.AzimuthRangeMin,
        state.module.AzimuthRangeMax, state.module.ElevationRangeMin, state.module.ElevationRangeMax);
    // Each pass is told once, even when its text is the one of the pass before.
    said_.clear();
    overTopSaid_ = false;
    if (!follower_.Plan(upcoming, travel, state.PresentAzimuth)) {
        refusedUntilUnix_ = upcoming.losUnix;
        return Say(PlanFallbackText());
    }
    if (follower_.plan().flipped)
        return Say(PlanFlippedText());
    const auto& track = upcoming.track;
    const RotatorAngles from =
        ToRotator(follower_.plan(), travel, track.front().azimuth, track.front().elevation);
    const RotatorAngles to =
        ToRotator(follower_.plan(), travel, track.back().azimuth, track.back().elevation);
    return Say(PlanText(from.azimuth, to.azimuth, state.tracking));
}

std::optional<QString> PassTargets::Apply(MainState& state, const QString& name, double unixSeconds,
                                          double compassAzimuth, double elevation, bool fresh) {
    auto& p = state.planned;
    std::optional<QString> text;
    const auto& pass = follower_.pass();
    const bool passOver = !pass || unixSeconds > pass->losUnix;
    const bool newName = name != plannedName_;
    if (IsNoSatelliteTarget(name)) {
        // The tracker's placeholder while nothing is chosen: nothing to plan, nothing to say.
        follower_.Forget();
        plannedName_ = name;
    } else if ((newName || (passOver && unixSeconds > refusedUntilUnix_)) &&
               (newName || unixSeconds - searchedAtUnix_ >= 60)) {
        text = Plan(state, name, unixSeconds, compassAzimuth, elevation);
    } else if (fresh && pass && plannedSet_) {
        // The served positions must stay those of the plan's time; a server on another clock drops it.
        const auto off = Disagreement(*plannedSet_, unixSeconds, compassAzimuth, elevation);
        disagreements_ = off && *off > DisagreementDegrees ? disagreements_ + 1 : 0;
        if (disagreements_ >= DisagreementsToDrop) {
            follower_.Forget();
            searchedAtUnix_ = unixSeconds;
            refusedUntilUnix_ = -1e18;
            disagreements_ = 0;
            text = Say(OtherTimeText(*off), QStringLiteral("time"));
        }
    }
    const bool wasActive = p.active;
    p.previousAzimuth = wasActive ? p.azimuth : state.PreviousTargetAzimuth;
    p.previousElevation = wasActive ? p.elevation : state.PreviousTargetElevation;
    follower_.Steer(state.tracking.lead ? p.azimuthSpeed : 0.0);
    // The course over the top is planned once the rotator's speed is known: told once a pass, in
    // place of the plan's text when both come at once.
    if (const auto& top = follower_.course().overTheTopAzimuth; top && !overTopSaid_) {
        overTopSaid_ = true;
        if (auto over = Say(PlanOverTheTopText(*top)))
            text = std::move(over);
    }
    const auto target = follower_.TargetAt(unixSeconds, compassAzimuth, elevation, state.tracking);
    p.active = target.has_value();
    p.prePositioning = target && target->prePositioning;
    p.flipped = target && follower_.plan().flipped;
    if (target) {
        p.azimuth = target->rotator.azimuth;
        p.elevation = target->rotator.elevation;
    }
    return text;
}

QString PassTargets::PlanText(double aosAzimuth, double losAzimuth, const TrackingOptions& options) {
    QString text = QStringLiteral("7.このパスは水平%1度から%2度まで一続きで追尾します")
                       .arg(std::lround(aosAzimuth))
                       .arg(std::lround(losAzimuth));
    if (options.prePosition)
        text += QStringLiteral("（AOSの%1秒前から%2度で待機）")
                    .arg(std::lround(options.prePositionSeconds))
                    .arg(std::lround(aosAzimuth));
    return text;
}

QString PassTargets::NotInElementsText(const QString& name) {
    return QStringLiteral("7.%1の軌道要素が[TRACKER] TLEのファイルにないため、パス計画なしで追尾します")
        .arg(name.trimmed());
}

QString PassTargets::NoStationText() {
    return QStringLiteral("7.局の位置（[STATION] LOCATION）が設定されていないため、パス計画なしで追尾します");
}

QString PassTargets::NoPassText(const QString& name) {
    return QStringLiteral("7.%1の次のパスが1日以内に見つからないため、パス計画なしで追尾します")
        .arg(name.trimmed());
}

QString PassTargets::OtherTimeText(double degrees) {
    return QStringLiteral(
               "7.データサーバーの衛星の位置がその時刻の計算と%1度違うため、パス計画なしで追尾します")
        .arg(std::lround(degrees));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracking/PassTargets.h"

#include "common/StartPoint.h"
#include "config/ProfileFile.h"
#include "orbit/Passes.h"
#include "tracking/StationSetting.h"

#include <QStringList>
#include <cmath>

void PassTargets::Load(const QString& iniPath) {
    sets_.clear();
    const QString files = GetINIValue(QStringLiteral("TLE"), QStringLiteral("TRACKER"), iniPath);
    if (files != QLatin1String("ERROR"))
        for (const QString& part : files.split(QLatin1Char(';'))) {
            if (part.trimmed().isEmpty())
                continue;
            const auto read = orbit::ReadElementFile(part.trimmed().toStdString());
            sets_.insert(sets_.end(), read.sets.begin(), read.sets.end());
        }
    observer_ = ReadStationLocation(iniPath);
}

void PassTargets::Use(std::vector<orbit::ElementSet> sets, const orbit::Geodetic& observer) {
    sets_ = std::move(sets);
    observer_ = observer;
}

const orbit::ElementSet* PassTargets::Find(const QString& name) const {
    for (const auto& set : sets_)
        if (QString::fromStdString(set.name).compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return &set;
    return nullptr;
}

void PassTargets::Clear(MainState& state) {
    state.planned.active = false;
    state.planned.prePositioning = false;
    follower_.Forget();
    plannedName_.clear();
}

std::optional<QString> PassTargets::Apply(MainState& state, const QString& name, double unixSeconds,
                                          double compassAzimuth, double elevation) {
    auto& p = state.planned;
    std::optional<QString> text;
    const auto& pass = follower_.pass();
    const bool passOver = !pass || unixSeconds > pass->losUnix;
    const bool newName = name != plannedName_;
    if ((newName || (passOver && unixSeconds > refusedUntilUnix_)) &&
        (newName || unixSeconds - searchedAtUnix_ >= 60)) {
        searchedAtUnix_ = unixSeconds;
        follower_.Forget();
        plannedName_ = name;
        const orbit::ElementSet* set = Find(name);
        if (set && observer_) {
            const orbit::Sgp4 model(*set);
            const auto found = orbit::NextPasses(
                model, *observer_, orbit::JulianDate::FromUnixMilliseconds(std::llround(unixSeconds * 1000)),
                1, 1);
            if (!found.passes.empty()) {
                const auto& next = found.passes.front();
                PassFollower::UpcomingPass upcoming{next.aos.ToUnixMilliseconds() / 1000.0,
                                                    next.los.ToUnixMilliseconds() / 1000.0,
                                                    SamplePass(model, *observer_, next, 1)};
                const RotatorTravel travel =
                    PassFollower::TravelOf(state.tracking, IsSouthStartPoint(state.AzimuthStartPoint),
                                           state.module.AzimuthRangeMin, state.module.AzimuthRangeMax,
                                           state.module.ElevationRangeMin, state.module.ElevationRangeMax);
                refusedUntilUnix_ = -1e18;
                if (!follower_.Plan(upcoming, travel, state.PresentAzimuth)) {
                    text = PlanFallbackText();
                    refusedUntilUnix_ = upcoming.losUnix;
                } else if (follower_.plan().flipped)
                    text = PlanFlippedText();
            }
        }
    }
    const bool wasActive = p.active;
    p.previousAzimuth = wasActive ? p.azimuth : state.PreviousTargetAzimuth;
    p.previousElevation = wasActive ? p.elevation : state.PreviousTargetElevation;
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

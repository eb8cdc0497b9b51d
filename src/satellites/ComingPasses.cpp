// SPDX-License-Identifier: GPL-3.0-or-later
#include "satellites/ComingPasses.h"

#include "orbit/Observation.h"
#include "orbit/Sgp4.h"

#include <algorithm>

ComingPassList ComingPasses(const std::vector<orbit::ElementSet>& sets, const orbit::Geodetic& observer,
                            const QDateTime& fromUtc, int perSatellite, double days) {
    ComingPassList list;
    const auto from = orbit::JulianDate::FromUnixMilliseconds(fromUtc.toMSecsSinceEpoch());
    for (std::size_t i = 0; i < sets.size(); ++i) {
        const QString name = QString::fromStdString(sets[i].name);
        const orbit::Sgp4 model(sets[i]);
        if (model.InitError() != orbit::Sgp4Error::None) {
            list.notes << QStringLiteral("%1: 要素から位置を計算できません").arg(name);
            continue;
        }
        const orbit::PassSearch search = orbit::NextPasses(model, observer, from, perSatellite, days);
        if (search.alwaysUp)
            list.notes << QStringLiteral("%1: 常に地平線の上にあります").arg(name);
        else if (search.passes.empty() && search.decayed)
            list.notes << QStringLiteral("%1: 位置を計算できません（落下した衛星）").arg(name);
        else if (search.passes.empty())
            list.notes << QStringLiteral("%1: %2 日以内に通過はありません").arg(name).arg(days);
        for (const orbit::Pass& pass : search.passes)
            list.rows.push_back({static_cast<int>(i), name, pass});
    }
    std::stable_sort(list.rows.begin(), list.rows.end(), [](const PassRow& a, const PassRow& b) {
        return a.pass.aos.Value() < b.pass.aos.Value();
    });
    return list;
}

std::vector<PassTrackPoint> PassTrack(const orbit::ElementSet& set, const orbit::Geodetic& observer,
                                      const orbit::Pass& pass, double stepSeconds) {
    std::vector<PassTrackPoint> track;
    const orbit::Sgp4 model(set);
    const double seconds = (pass.los.whole - pass.aos.whole + pass.los.fraction - pass.aos.fraction) * 86400;
    if (!(seconds >= 0) || stepSeconds <= 0)
        return track;
    auto add = [&](const orbit::JulianDate& t) {
        const orbit::ObservationResult r = orbit::Observe(model, observer, t);
        if (r.ok())
            track.push_back({r.observation.look.azimuth, r.observation.look.elevation});
    };
    for (double s = 0; s < seconds; s += stepSeconds)
        add(pass.aos.PlusSeconds(s));
    add(pass.los);
    return track;
}

QString PassTimeText(const orbit::JulianDate& time, bool utc) {
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(time.ToUnixMilliseconds(), Qt::UTC);
    return (utc ? t : t.toLocalTime()).toString(QStringLiteral("MM/dd HH:mm:ss"));
}

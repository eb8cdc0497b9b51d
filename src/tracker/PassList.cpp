// SPDX-License-Identifier: GPL-3.0-or-later
#include "PassList.h"

#include "orbit/Passes.h"

#include <QDateTime>

namespace {

QString Utc(const orbit::JulianDate& t) {
    return QDateTime::fromMSecsSinceEpoch(t.ToUnixMilliseconds(), Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

QString PassTable(const orbit::ElementSet& set, const orbit::Geodetic& observer,
                  const orbit::JulianDate& from, int count) {
    const orbit::Sgp4 model(set);
    QString out = QStringLiteral("%1 (%2) from %3, %4, %5 m\n")
                      .arg(QString::fromStdString(set.name))
                      .arg(set.catalogueNumber)
                      .arg(observer.latitude, 0, 'f', 4)
                      .arg(observer.longitude, 0, 'f', 4)
                      .arg(observer.height, 0, 'f', 0);
    if (model.InitError() != orbit::Sgp4Error::None)
        return out +
               QStringLiteral("  no passes: %1\n").arg(QString::fromUtf8(orbit::Describe(model.InitError())));
    const orbit::PassSearch search = orbit::NextPasses(model, observer, from, count);
    if (search.passes.empty() && search.decayed)
        return out + QStringLiteral("  no passes: the element set gives no position (decayed)\n");
    if (search.alwaysUp)
        return out + QStringLiteral("  above the horizon all the time (no rise or set within 30 days)\n");
    if (search.passes.empty())
        return out + QStringLiteral("  no pass within 30 days\n");
    out += QStringLiteral(
        "AOS (UTC)            Culmination (UTC)    LOS (UTC)            AOS az  LOS az  Max el\n");
    for (const orbit::Pass& p : search.passes)
        out += QStringLiteral("%1  %2  %3  %4  %5  %6\n")
                   .arg(Utc(p.aos), Utc(p.culmination), Utc(p.los))
                   .arg(p.aosAzimuth, 6, 'f', 1)
                   .arg(p.losAzimuth, 6, 'f', 1)
                   .arg(p.maxElevation, 6, 'f', 1);
    if (search.decayed)
        out += QStringLiteral("  (the element set gives no position after this: decayed)\n");
    else if (static_cast<int>(search.passes.size()) < count)
        out += QStringLiteral("  (no further pass within 30 days)\n");
    return out;
}

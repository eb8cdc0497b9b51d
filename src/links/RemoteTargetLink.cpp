// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/RemoteTargetLink.h"

#include "common/Clock.h"
#include "links/DdeLinks.h"
#include "links/RemoteTarget.h"

#include <QStringList>
#include <cmath>

const QString RemoteTargetLink::Topic = QStringLiteral("ORBI|EXTRN");

RemoteTargetLink::RemoteTargetLink(const RemoteTarget& target, const Clock& clock, double latitude,
                                   double longitude, std::function<double()> restingAzimuth)
    : target_(target), clock_(clock), latitude_(latitude), longitude_(longitude),
      restingAzimuth_(std::move(restingAzimuth)) {}

void RemoteTargetLink::SetLinkTopic(int box, const QString& topic) {
    if (box >= 0 && box < static_cast<int>(boxes_.size()))
        boxes_[box].topic = topic;
}

void RemoteTargetLink::SetLinkItem(int box, const QString& item) {
    if (box >= 0 && box < static_cast<int>(boxes_.size()))
        boxes_[box].item = item;
}

std::optional<PortError> RemoteTargetLink::SetLinkMode(int box, Mode mode) {
    if (box < 0 || box >= static_cast<int>(boxes_.size()))
        return PortError{282, QStringLiteral("no box %1").arg(box)};
    Box& b = boxes_[box];
    if (mode == Mode::None) {
        b.open = false;
        return std::nullopt;
    }
    if (b.topic != Topic)
        return PortError{282, QStringLiteral("%1 is not served under --link rotctld").arg(b.topic)};
    b.open = true;
    return std::nullopt;
}

DataLink::Answer RemoteTargetLink::Request(int box) {
    if (box < 0 || box >= static_cast<int>(boxes_.size()) || !boxes_[box].open)
        return {QString(), PortError{282, QStringLiteral("box %1 is not linked").arg(box)}};
    if (auto text = ItemText(boxes_[box].item))
        return {*text, std::nullopt};
    return {QString(), PortError{285, QStringLiteral("unknown item %1").arg(boxes_[box].item)}};
}

const SkyBodies& RemoteTargetLink::BodiesNow() {
    const QDateTime now = clock_.UtcNow();
    const qint64 second = now.toSecsSinceEpoch();
    if (second != bodiesSecond_) {
        bodies_ = SkyBodiesAt(now, latitude_, longitude_);
        bodiesSecond_ = second;
    }
    return bodies_;
}

std::optional<QString> RemoteTargetLink::ItemText(const QString& item) {
    const auto number = [](double v) { return DdeLinks::PlainNumberText(v); };
    if (item == QLatin1String("TEXT1"))
        return target_.name();
    if (item == QLatin1String("TEXT2")) {
        if (!target_.HasPosition() && restingAzimuth_)
            return number(restingAzimuth_());
        return number(target_.azimuth());
    }
    if (item == QLatin1String("TEXT3"))
        return number(target_.elevation());
    if (item == QLatin1String("TEXT4") || item == QLatin1String("TEXT5") || item == QLatin1String("TEXT6") ||
        item == QLatin1String("TEXT7"))
        return QStringLiteral("0");
    const struct {
        const char* item;
        HorizontalPosition SkyBodies::*body;
        bool azimuth;
    } bodyItems[] = {
        {"text8", &SkyBodies::sun, true},   {"text9", &SkyBodies::sun, false},
        {"text10", &SkyBodies::moon, true}, {"text11", &SkyBodies::moon, false},
        {"text20", &SkyBodies::mars, true}, {"text21", &SkyBodies::mars, false},
    };
    for (const auto& b : bodyItems) {
        if (item == QLatin1String(b.item)) {
            const HorizontalPosition& p = BodiesNow().*(b.body);
            return number(b.azimuth ? p.azimuth : p.elevation);
        }
    }
    return std::nullopt;
}

std::optional<std::pair<double, double>> ParseObserver(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return std::nullopt;
    bool latOk = false, lonOk = false;
    const double latitude = parts[0].trimmed().toDouble(&latOk);
    const double longitude = parts[1].trimmed().toDouble(&lonOk);
    if (!latOk || !lonOk || !std::isfinite(latitude) || !std::isfinite(longitude) ||
        std::abs(latitude) > 90 || std::abs(longitude) > 180)
        return std::nullopt;
    return std::pair{latitude, longitude};
}

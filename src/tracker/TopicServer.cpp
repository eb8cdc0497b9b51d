// SPDX-License-Identifier: GPL-3.0-or-later
#include "TopicServer.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace {

QString Fixed(double value, int decimals) {
    QString text = QString::number(value, 'f', decimals);
    // "-0.00" reads oddly for a value that rounds to zero.
    if (text.toDouble() == 0)
        text = QString::number(0.0, 'f', decimals);
    return text;
}

enum What {
    Name,
    Mjd,
    Az,
    El,
    Range,
    Rate,
    Anomaly,
    Rev,
    X,
    Y,
    Z,
    SunAz,
    SunEl,
    MoonAz,
    MoonEl,
    MarsAz,
    MarsEl
};

struct Entry {
    const char* item;
    What what;
};
// Item names differ in case between the two programs and are matched exactly.
constexpr Entry OrbiItems[] = {{"TEXT1", Name},   {"TEXT2", Az},      {"TEXT3", El},      {"TEXT4", Range},
                               {"TEXT5", Rev},    {"TEXT6", Anomaly}, {"TEXT7", Rate},    {"text8", SunAz},
                               {"text9", SunEl},  {"text10", MoonAz}, {"text11", MoonEl}, {"text20", MarsAz},
                               {"text21", MarsEl}};
constexpr Entry CalsatItems[] = {{"txtSatellite", Name},
                                 {"txtMJD", Mjd},
                                 {"txtAzimuth", Az},
                                 {"txtElevation", El},
                                 {"txtRange", Range},
                                 {"txtRangeRate", Rate},
                                 {"txtMeanAnomaly", Anomaly},
                                 {"txtRevolution", Rev},
                                 {"txtXg", X},
                                 {"txtYg", Y},
                                 {"txtZg", Z},
                                 {"txtSunAzimuth", SunAz},
                                 {"txtSunElevation", SunEl},
                                 {"txtMoonAzimuth", MoonAz},
                                 {"txtMoonElevation", MoonEl}};

} // namespace

QString ServiceName(Topic topic) {
    return topic == Topic::Orbi ? QStringLiteral("dde.ORBI") : QStringLiteral("dde.Calsat32");
}

QString ObjectPath(Topic topic) {
    return topic == Topic::Orbi ? QStringLiteral("/EXTRN") : QStringLiteral("/Export");
}

ItemAnswer AnswerItem(Topic topic, const QString& item, const SkySnapshot& sky) {
    std::optional<What> what;
    auto find = [&](const auto& table) {
        for (const Entry& e : table)
            if (item == QLatin1String(e.item))
                what = e.what;
    };
    if (topic == Topic::Orbi)
        find(OrbiItems);
    else
        find(CalsatItems);
    if (!what)
        return {ItemAnswer::UnknownItem,
                QStringLiteral("%1 has no item \"%2\"").arg(ServiceName(topic), item)};

    const bool positionItem = *what >= Az && *what <= Z;
    if (positionItem && !sky.satellite)
        return {ItemAnswer::NoPosition, sky.satelliteProblem};
    const SatelliteValues sat = sky.satellite.value_or(SatelliteValues{});
    auto text = [](QString t) { return ItemAnswer{ItemAnswer::Text, std::move(t)}; };
    switch (*what) {
    case Name:
        return text(sky.satelliteName);
    case Mjd:
        return text(Fixed(sky.modifiedJulianDate, 5));
    case Az:
        return text(Fixed(sat.azimuth, 2));
    case El:
        return text(Fixed(sat.elevation, 2));
    case Range:
        return text(Fixed(sat.rangeMetres, 0));
    case Rate:
        return text(Fixed(sat.rangeRate, 1));
    case Anomaly:
        return text(Fixed(sat.meanAnomaly, 1));
    case Rev:
        return text(QString::number(sat.revolution));
    case X:
        return text(Fixed(sat.x, 0));
    case Y:
        return text(Fixed(sat.y, 0));
    case Z:
        return text(Fixed(sat.z, 0));
    case SunAz:
        return text(Fixed(sky.bodies.sun.azimuth, 2));
    case SunEl:
        return text(Fixed(sky.bodies.sun.elevation, 2));
    case MoonAz:
        return text(Fixed(sky.bodies.moon.azimuth, 2));
    case MoonEl:
        return text(Fixed(sky.bodies.moon.elevation, 2));
    case MarsAz:
        return text(Fixed(sky.bodies.mars.azimuth, 2));
    case MarsEl:
        return text(Fixed(sky.bodies.mars.elevation, 2));
    }
    return {ItemAnswer::UnknownItem, QString()};
}

QString ErrorName(ItemAnswer::Kind kind) {
    return kind == ItemAnswer::UnknownItem ? QStringLiteral("dde.Error.UnknownItem")
                                           : QStringLiteral("dde.Error.NoPosition");
}

TopicServer::TopicServer(Topic topic, ServerClock clock, std::unique_ptr<SkySource> sky, QObject* parent)
    : QObject(parent), topic_(topic), clock_(std::move(clock)), sky_(std::move(sky)) {
    // Before the object is registered, so that RequestList is exported with its signature.
    RegisterDdeListAnswer();
    running_.start();
}

QDateTime TopicServer::Now() const {
    return clock_.frozen ? clock_.start : clock_.start.addMSecs(running_.elapsed());
}

const SkySnapshot& TopicServer::SnapshotNow() {
    const QDateTime now = Now();
    const qint64 second = now.toMSecsSinceEpoch() / 1000 - (now.toMSecsSinceEpoch() % 1000 < 0 ? 1 : 0);
    if (!haveSnapshot_ || second != snapshotSecond_) {
        snapshot_ = sky_->At(QDateTime::fromMSecsSinceEpoch(second * 1000, Qt::UTC));
        snapshotSecond_ = second;
        haveSnapshot_ = true;
    }
    return snapshot_;
}

void TopicServer::ReplaceSky(std::unique_ptr<SkySource> sky) {
    sky_ = std::move(sky);
    haveSnapshot_ = false;
}

QString TopicServer::Request(const QString& item) {
    const ItemAnswer answer = AnswerItem(topic_, item, SnapshotNow());
    if (answer.kind == ItemAnswer::Text)
        return answer.text;
    if (calledFromDBus())
        sendErrorReply(ErrorName(answer.kind), answer.text);
    return QString();
}

QList<DdeListAnswer> TopicServer::RequestList(const QStringList& items) {
    const SkySnapshot& sky = SnapshotNow();
    QList<DdeListAnswer> answers;
    answers.reserve(items.size());
    for (const QString& item : items) {
        ItemAnswer answer = AnswerItem(topic_, item, sky);
        if (answer.kind == ItemAnswer::Text)
            answers.push_back({QString(), std::move(answer.text)});
        else
            answers.push_back({ErrorName(answer.kind), std::move(answer.text)});
    }
    return answers;
}

#include "TopicServer.h"

#include "tracking/Ephemeris.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <cmath>
#include <numbers>

namespace {

QString Fixed(double value, int decimals) {
    QString text = QString::number(value, 'f', decimals);
    // "-0.00" reads oddly for a value that rounds to zero.
    if (text.toDouble() == 0)
        text = QString::number(0.0, 'f', decimals);
    return text;
}

// Satellite position in Earth-centred, Earth-fixed metres from the observer's axes.
void Geocentric(const SatelliteScript::State& s, double latitude, double longitude, double xyz[3]) {
    const double phi = latitude * std::numbers::pi / 180;
    const double lambda = longitude * std::numbers::pi / 180;
    const double east[3] = {-std::sin(lambda), std::cos(lambda), 0};
    const double north[3] = {-std::sin(phi) * std::cos(lambda), -std::sin(phi) * std::sin(lambda),
                             std::cos(phi)};
    const double up[3] = {std::cos(phi) * std::cos(lambda), std::cos(phi) * std::sin(lambda), std::sin(phi)};
    for (int i = 0; i < 3; ++i)
        xyz[i] = s.east * east[i] + s.north * north[i] + s.up * up[i];
}

} // namespace

QString ServiceName(TrackServerSettings::Topic topic) {
    return topic == TrackServerSettings::Topic::Orbi ? QStringLiteral("dde.ORBI")
                                                     : QStringLiteral("dde.Calsat32");
}

QString ObjectPath(TrackServerSettings::Topic topic) {
    return topic == TrackServerSettings::Topic::Orbi ? QStringLiteral("/EXTRN") : QStringLiteral("/Export");
}

std::optional<QString> ItemText(const TrackServerSettings& settings, const QString& item,
                                const QDateTime& now) {
    const bool orbi = settings.topic == TrackServerSettings::Topic::Orbi;
    // Item names differ in case between the two programs and are matched exactly.
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
    static const Entry orbiItems[] = {
        {"TEXT1", Name},    {"TEXT2", Az},      {"TEXT3", El},     {"TEXT4", Range}, {"TEXT5", Rev},
        {"TEXT6", Anomaly}, {"TEXT7", Rate},    {"text8", SunAz},  {"text9", SunEl}, {"text10", MoonAz},
        {"text11", MoonEl}, {"text20", MarsAz}, {"text21", MarsEl}};
    static const Entry calsatItems[] = {{"txtSatellite", Name},
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

    std::optional<What> what;
    auto find = [&](const auto& table) {
        for (const Entry& e : table)
            if (item == QLatin1String(e.item))
                what = e.what;
    };
    if (orbi)
        find(orbiItems);
    else
        find(calsatItems);
    if (!what)
        return std::nullopt;

    const double sinceEpoch = static_cast<double>(settings.epoch.msecsTo(now)) / 1000.0;
    const SatelliteScript::State sat = SatelliteScript(settings.speedup).At(sinceEpoch);
    auto bodies = [&] { return SkyBodiesAt(now, settings.latitude, settings.longitude); };
    double xyz[3];
    switch (*what) {
    case Name:
        return settings.satellite;
    case Mjd:
        return Fixed(ModifiedJulianDate(now), 5);
    case Az:
        return Fixed(sat.azimuth, 2);
    case El:
        return Fixed(sat.elevation, 2);
    case Range:
        return Fixed(sat.rangeMetres, 0);
    case Rate:
        return Fixed(sat.rangeRate, 1);
    case Anomaly:
        return Fixed(sat.meanAnomaly, 1);
    case Rev:
        return QString::number(sat.revolution);
    case X:
    case Y:
    case Z:
        Geocentric(sat, settings.latitude, settings.longitude, xyz);
        return Fixed(xyz[*what - X], 0);
    case SunAz:
        return Fixed(bodies().sun.azimuth, 2);
    case SunEl:
        return Fixed(bodies().sun.elevation, 2);
    case MoonAz:
        return Fixed(bodies().moon.azimuth, 2);
    case MoonEl:
        return Fixed(bodies().moon.elevation, 2);
    case MarsAz:
        return Fixed(bodies().mars.azimuth, 2);
    case MarsEl:
        return Fixed(bodies().mars.elevation, 2);
    }
    return std::nullopt;
}

TopicServer::TopicServer(TrackServerSettings settings, QObject* parent)
    : QObject(parent), settings_(std::move(settings)) {
    running_.start();
}

QDateTime TopicServer::Now() const {
    return settings_.frozen ? settings_.start : settings_.start.addMSecs(running_.elapsed());
}

QString TopicServer::Request(const QString& item) {
    const auto text = ItemText(settings_, item, Now());
    if (!text) {
        if (calledFromDBus())
            sendErrorReply(QStringLiteral("dde.Error.UnknownItem"),
                           QStringLiteral("%1 has no item \"%2\"").arg(ServiceName(settings_.topic), item));
        return QString();
    }
    return *text;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrackerOptions.h"

#include "config/SettingsLocation.h"
#include "orbit/StationLocation.h"

namespace {

const QString TopicName = QStringLiteral("topic");
const QString TleName = QStringLiteral("tle");
const QString SatelliteName = QStringLiteral("satellite");
const QString ObserverName = QStringLiteral("observer");
const QString LocatorName = QStringLiteral("locator");
const QString LatName = QStringLiteral("lat");
const QString LonName = QStringLiteral("lon");
const QString PassesName = QStringLiteral("passes");
const QString FromSettingsName = QStringLiteral("from-settings");
const QString SettingsName = QStringLiteral("settings");
const QString SpeedupName = QStringLiteral("speedup");
const QString QuitName = QStringLiteral("quit-after");
const QString EpochName = QStringLiteral("epoch");
const QString TimeName = QStringLiteral("time");
const QString FreezeName = QStringLiteral("freeze");
const QString BusName = QStringLiteral("bus");
const QString UpdateName = QStringLiteral("update");

std::optional<QDateTime> ParseTime(const QString& text) {
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid())
        return std::nullopt;
    return time.toUTC();
}

// The observer of the command line; nothing when none is given, the mistake when one cannot be used.
std::variant<std::optional<orbit::Geodetic>, QString> ReadObserver(const QCommandLineParser& parser) {
    std::string why;
    if (parser.isSet(ObserverName)) {
        const auto place = orbit::ParseCoordinates(parser.value(ObserverName).toStdString(), &why);
        if (!place)
            return QStringLiteral("bad --observer \"%1\": %2")
                .arg(parser.value(ObserverName), QString::fromStdString(why));
        return place;
    }
    if (parser.isSet(LocatorName)) {
        const auto place = orbit::ParseLocator(parser.value(LocatorName).toStdString(), &why);
        if (!place)
            return QStringLiteral("bad --locator: %1").arg(QString::fromStdString(why));
        return place;
    }
    if (parser.isSet(LatName) || parser.isSet(LonName)) {
        const QString text = QStringLiteral("%1,%2").arg(
            parser.value(LatName).isEmpty() ? QStringLiteral("35.68") : parser.value(LatName),
            parser.value(LonName).isEmpty() ? QStringLiteral("139.77") : parser.value(LonName));
        const auto place = orbit::ParseCoordinates(text.toStdString(), &why);
        if (!place)
            return QStringLiteral("bad --lat/--lon: %1").arg(QString::fromStdString(why));
        return place;
    }
    return std::optional<orbit::Geodetic>();
}

} // namespace

void DeclareTrackerOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Satellite data server for azelmon over D-Bus: a satellite from element sets (--tle), or without "
        "them a scripted demonstration satellite, and the Sun, the Moon and Mars for the observer."));
    parser.addHelpOption();
    auto option = [](const QString& name, const char* help, const char* value = nullptr,
                     const char* fallback = nullptr) {
        if (!value)
            return QCommandLineOption(name, QString::fromLatin1(help));
        return QCommandLineOption(name, QString::fromLatin1(help), QString::fromLatin1(value),
                                  fallback ? QString::fromLatin1(fallback) : QString());
    };
    parser.addOptions({
        option(TopicName, "orbi (default) or calsat.", "name", "orbi"),
        option(TleName, "Element file (three-line sets); may be given several times.", "file"),
        option(SatelliteName,
               "Satellite by name or catalogue number; may be given several times: the first above the "
               "horizon is served, else the next to rise. Without --tle: the demo satellite's name (ISS).",
               "name|number"),
        option(ObserverName, "Observer: degrees north, degrees east, metres (default: the settings).",
               "lat,lon[,height]"),
        option(LocatorName, "Observer as a Maidenhead locator, e.g. PM95vq.", "locator"),
        option(LatName, "Observer latitude, degrees north (older form of --observer).", "deg"),
        option(LonName, "Observer longitude, degrees east (older form of --observer).", "deg"),
        option(PassesName, "Print the next N passes and exit (no D-Bus).", "N"),
        option(FromSettingsName,
               "Take element files and satellites from the settings file (as D-Bus activation does)."),
        option(SettingsName, "Settings file (default: azelmon's rotorcfg.ini).", "file"),
        option(SpeedupName, "Demo: run the wait between passes N times faster.", "N", "1"),
        option(QuitName, "Quit after this many seconds.", "seconds"),
        option(EpochName, "Demo: ISO 8601 instant at which a pass is six minutes from its highest point.",
               "time"),
        option(TimeName, "ISO 8601 instant the server's clock starts at (default: now).", "time"),
        option(FreezeName, "Keep the server's clock still."),
        option(BusName, "D-Bus address to serve on (default: the session bus).", "address"),
        option(UpdateName,
               "Download fresh element sets from the addresses of the settings ([TRACKER] URL1..) "
               "into its update file, then exit; the file is replaced only when every set checks."),
    });
}

std::variant<TrackerOptions, QString> ReadTrackerOptions(const QCommandLineParser& parser,
                                                         const QDateTime& now) {
    TrackerOptions o;
    const QString topicName = parser.value(TopicName).toLower();
    if (topicName == QStringLiteral("calsat") || topicName == QStringLiteral("calsat32"))
        o.topic = Topic::Calsat;
    else if (topicName != QStringLiteral("orbi"))
        return QStringLiteral("unknown topic \"%1\" (orbi or calsat)").arg(topicName);

    o.clock.start = now;
    if (parser.isSet(TimeName)) {
        const auto time = ParseTime(parser.value(TimeName));
        if (!time)
            return QStringLiteral("bad --time (ISO 8601, for example 2026-12-07T02:21:00Z)");
        o.clock.start = *time;
    }
    o.clock.frozen = parser.isSet(FreezeName);
    o.settingsPath = parser.isSet(SettingsName) ? parser.value(SettingsName) : SettingsFilePath();
    o.update = parser.isSet(UpdateName);
    if (o.update)
        return o;

    auto observer = ReadObserver(parser);
    if (const QString* mistake = std::get_if<QString>(&observer))
        return *mistake;
    o.observer = std::get<std::optional<orbit::Geodetic>>(observer);
    o.elementFiles = parser.values(TleName);
    o.satellites = parser.values(SatelliteName);
    o.fromSettingsAsked = parser.isSet(FromSettingsName);

    if (parser.isSet(PassesName)) {
        bool ok = false;
        const int count = parser.value(PassesName).toInt(&ok);
        if (!ok || count < 1 || count > 1000)
            return QStringLiteral("bad --passes (1..1000)");
        o.passes = count;
    }
    // The demonstration's own options count only where it runs.
    if (o.Demo() && !o.passes) {
        bool ok = false;
        o.speedup = parser.value(SpeedupName).toDouble(&ok);
        if (!ok || o.speedup < 1)
            return QStringLiteral("bad --speedup (1 or more)");
        if (parser.isSet(EpochName)) {
            o.epoch = ParseTime(parser.value(EpochName));
            if (!o.epoch)
                return QStringLiteral("bad --epoch");
        }
    }
    if (parser.isSet(QuitName)) {
        bool ok = false;
        const double seconds = parser.value(QuitName).toDouble(&ok);
        if (!ok || seconds < 0)
            return QStringLiteral("bad --quit-after");
        o.quitAfterSeconds = seconds;
    }
    if (parser.isSet(BusName))
        o.busAddress = parser.value(BusName);
    return o;
}

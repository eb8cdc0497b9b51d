// azelmon-tracker: serves a satellite, the Sun, the Moon and Mars over
// D-Bus as the satellite-tracking programs azelmon links to would ("ORBI|EXTRN" or
// "Calsat32|Export"). With --tle the satellite comes from element sets through SGP4/SDP4; without,
// a scripted demonstration satellite passes again and again.

#include "OrbitSky.h"
#include "PassList.h"
#include "ScriptedSky.h"
#include "TopicServer.h"
#include "config/ProfileFile.h"
#include "config/SettingsLocation.h"
#include "orbit/ElementSet.h"
#include "orbit/StationLocation.h"
#include "tracking/StationSetting.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QTimer>
#include <cstdio>

namespace {

// Where the program stands when nothing says otherwise: Tokyo, as before the station setting.
constexpr orbit::Geodetic DefaultObserver{35.68, 139.77, 0};
// Element sets older than this drift by kilometres a day.
constexpr double StaleDays = 14;
// Settings of the tracker itself, beside the station's place: element files and satellites, each
// a list separated by ";".
const QString TrackerSection = QStringLiteral("TRACKER");

int Fail(const QString& text) {
    std::fprintf(stderr, "azelmon-tracker: %s\n", qPrintable(text));
    return 2;
}

void Say(const QString& text) {
    std::fprintf(stderr, "azelmon-tracker: %s\n", qPrintable(text));
}

std::optional<QDateTime> ParseTime(const QString& text) {
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid())
        return std::nullopt;
    return time.toUTC();
}

QStringList SettingList(const QString& key, const QString& iniPath) {
    const QString value = GetINIValue(key, TrackerSection, iniPath);
    if (value == QLatin1String("ERROR"))
        return {};
    QStringList items;
    for (const QString& part : value.split(QLatin1Char(';')))
        if (!part.trimmed().isEmpty())
            items << part.trimmed();
    return items;
}

// UT1 - UTC in seconds ([TRACKER] DUT1=, as time signals broadcast it), 0 when not given. A value
// that is not a number or lies outside +-0.9 s is refused (with a word on stderr) and 0 used.
double ReadDut1(const QString& iniPath) {
    const QString text = GetINIValue(QStringLiteral("DUT1"), TrackerSection, iniPath).trimmed();
    if (text.isEmpty() || text == QLatin1String("ERROR"))
        return 0;
    bool ok = false;
    const double dut1 = text.toDouble(&ok);
    if (!ok || !(dut1 >= -MaxDut1 && dut1 <= MaxDut1)) {
        Say(QStringLiteral("[%1] DUT1=%2 refused: UT1-UTC is a number of seconds from -%3 to %3; using 0")
                .arg(TrackerSection, text)
                .arg(MaxDut1));
        return 0;
    }
    return dut1;
}

// The set a --satellite value names: its catalogue number, or its name without regard to case.
const orbit::ElementSet* FindSatellite(const std::vector<orbit::ElementSet>& sets, const QString& wanted) {
    bool isNumber = false;
    const long number = wanted.toLong(&isNumber);
    for (const auto& set : sets) {
        if (isNumber && set.catalogueNumber == number)
            return &set;
        if (QString::fromStdString(set.name).compare(wanted.trimmed(), Qt::CaseInsensitive) == 0)
            return &set;
    }
    return nullptr;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("azelmon-tracker"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Satellite data server for azelmon over D-Bus: a satellite from element sets (--tle), or without "
        "them a scripted demonstration satellite, and the Sun, the Moon and Mars for the observer."));
    parser.addHelpOption();
    auto option = [](const char* name, const char* help, const char* value = nullptr,
                     const char* fallback = nullptr) {
        if (!value)
            return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help));
        return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help),
                                  QString::fromLatin1(value),
                                  fallback ? QString::fromLatin1(fallback) : QString());
    };
    const auto topicOption = option("topic", "orbi (default) or calsat.", "name", "orbi");
    const auto tleOption =
        option("tle", "Element file (three-line sets); may be given several times.", "file");
    const auto satelliteOption =
        option("satellite",
               "Satellite by name or catalogue number; may be given several times: the first above the "
               "horizon is served, else the next to rise. Without --tle: the demo satellite's name (ISS).",
               "name|number");
    const auto observerOption =
        option("observer", "Observer: degrees north, degrees east, metres (default: the settings).",
               "lat,lon[,height]");
    const auto locatorOption = option("locator", "Observer as a Maidenhead locator, e.g. PM95vq.", "locator");
    const auto latOption =
        option("lat", "Observer latitude, degrees north (older form of --observer).", "deg");
    const auto lonOption =
        option("lon", "Observer longitude, degrees east (older form of --observer).", "deg");
    const auto passesOption = option("passes", "Print the next N passes and exit (no D-Bus).", "N");
    const auto fromSettingsOption =
        option("from-settings",
               "Take element files and satellites from the settings file (as D-Bus activation does).");
    const auto settingsOption =
        option("settings", "Settings file (default: azelmon's rotorcfg.ini).", "file");
    const auto speedupOption =
        option("speedup", "Demo: run the wait between passes N times faster.", "N", "1");
    const auto quitOption = option("quit-after", "Quit after this many seconds.", "seconds");
    const auto epochOption = option(
        "epoch", "Demo: ISO 8601 instant at which a pass is six minutes from its highest point.", "time");
    const auto timeOption =
        option("time", "ISO 8601 instant the server's clock starts at (default: now).", "time");
    const auto freezeOption = option("freeze", "Keep the server's clock still.");
    const auto busOption = option("bus", "D-Bus address to serve on (default: the session bus).", "address");
    parser.addOptions({topicOption, tleOption, satelliteOption, observerOption, locatorOption, latOption,
                       lonOption, passesOption, fromSettingsOption, settingsOption, speedupOption, quitOption,
                       epochOption, timeOption, freezeOption, busOption});
    parser.process(app);

    Topic topic = Topic::Orbi;
    const QString topicName = parser.value(topicOption).toLower();
    if (topicName == QStringLiteral("calsat") || topicName == QStringLiteral("calsat32"))
        topic = Topic::Calsat;
    else if (topicName != QStringLiteral("orbi"))
        return Fail(QStringLiteral("unknown topic \"%1\" (orbi or calsat)").arg(topicName));

    ServerClock clock;
    clock.start = QDateTime::currentDateTimeUtc();
    if (parser.isSet(timeOption)) {
        const auto time = ParseTime(parser.value(timeOption));
        if (!time)
            return Fail(QStringLiteral("bad --time (ISO 8601, for example 2026-12-07T02:21:00Z)"));
        clock.start = *time;
    }
    clock.frozen = parser.isSet(freezeOption);
    const QString iniPath = parser.isSet(settingsOption) ? parser.value(settingsOption) : SettingsFilePath();

    // The observer: the command line first, then the station setting, then Tokyo.
    orbit::Geodetic observer = DefaultObserver;
    if (parser.isSet(observerOption)) {
        std::string why;
        const auto place = orbit::ParseCoordinates(parser.value(observerOption).toStdString(), &why);
        if (!place)
            return Fail(QStringLiteral("bad --observer \"%1\": %2")
                            .arg(parser.value(observerOption), QString::fromStdString(why)));
        observer = *place;
    } else if (parser.isSet(locatorOption)) {
        std::string why;
        const auto place = orbit::ParseLocator(parser.value(locatorOption).toStdString(), &why);
        if (!place)
            return Fail(QStringLiteral("bad --locator: %1").arg(QString::fromStdString(why)));
        observer = *place;
    } else if (parser.isSet(latOption) || parser.isSet(lonOption)) {
        const QString text = QStringLiteral("%1,%2").arg(
            parser.value(latOption).isEmpty() ? QStringLiteral("35.68") : parser.value(latOption),
            parser.value(lonOption).isEmpty() ? QStringLiteral("139.77") : parser.value(lonOption));
        std::string why;
        const auto place = orbit::ParseCoordinates(text.toStdString(), &why);
        if (!place)
            return Fail(QStringLiteral("bad --lat/--lon: %1").arg(QString::fromStdString(why)));
        observer = *place;
    } else {
        QString why;
        if (const auto place = ReadStationLocation(iniPath, &why))
            observer = *place;
        else if (!why.isEmpty())
            return Fail(why);
    }

    // Element files and satellites: the command line, or with --from-settings the settings file.
    QStringList files = parser.values(tleOption);
    QStringList wanted = parser.values(satelliteOption);
    const bool fromSettings = parser.isSet(fromSettingsOption) && files.isEmpty();
    if (fromSettings) {
        files = SettingList(QStringLiteral("TLE"), iniPath);
        if (wanted.isEmpty())
            wanted = SettingList(QStringLiteral("SATELLITE"), iniPath);
    }
    const bool demo = files.isEmpty() && !fromSettings;

    std::vector<orbit::ElementSet> all;
    for (const QString& file : files) {
        const orbit::ElementFile read = orbit::ReadElementFile(file.toStdString());
        if (!read.opened)
            return Fail(QStringLiteral("cannot read element file %1").arg(file));
        for (const auto& problem : read.problems)
            Say(QString::fromStdString(problem.ToString()));
        if (read.sets.empty())
            Say(QStringLiteral("%1: no element sets in the file").arg(file));
        all.insert(all.end(), read.sets.begin(), read.sets.end());
    }
    std::vector<orbit::ElementSet> chosen;
    if (!demo) {
        for (const QString& name : wanted) {
            const orbit::ElementSet* set = FindSatellite(all, name);
            if (!set)
                return Fail(
                    QStringLiteral("no satellite \"%1\" in %2").arg(name, files.join(QStringLiteral(", "))));
            chosen.push_back(*set);
        }
        if (wanted.isEmpty() && !all.empty())
            chosen.push_back(all.front());
        if (!files.isEmpty() && all.empty())
            return Fail(QStringLiteral("no usable element set in %1").arg(files.join(QStringLiteral(", "))));
        const auto now = orbit::JulianDate::FromUnixMilliseconds(clock.start.toMSecsSinceEpoch());
        for (const auto& set : chosen) {
            const double age = now.Value() - (set.EpochJulianWhole() + set.EpochJulianFraction());
            if (age > StaleDays)
                Say(QStringLiteral(
                        "warning: the elements of %1 are %2 days old; positions drift by kilometres a "
                        "day, fetch fresh ones")
                        .arg(QString::fromStdString(set.name))
                        .arg(age, 0, 'f', 0));
        }
    }

    if (parser.isSet(passesOption)) {
        bool ok = false;
        const int count = parser.value(passesOption).toInt(&ok);
        if (!ok || count < 1 || count > 1000)
            return Fail(QStringLiteral("bad --passes (1..1000)"));
        if (chosen.empty())
            return Fail(QStringLiteral("--passes needs a satellite: give --tle FILE [--satellite NAME]"));
        const auto from = orbit::JulianDate::FromUnixMilliseconds(clock.start.toMSecsSinceEpoch());
        for (const auto& set : chosen)
            std::fputs(qPrintable(PassTable(set, observer, from, count)), stdout);
        return 0;
    }

    std::unique_ptr<SkySource> sky;
    if (demo) {
        bool ok = false;
        const double speedup = parser.value(speedupOption).toDouble(&ok);
        if (!ok || speedup < 1)
            return Fail(QStringLiteral("bad --speedup (1 or more)"));
        QDateTime epoch = clock.start;
        if (parser.isSet(epochOption)) {
            const auto time = ParseTime(parser.value(epochOption));
            if (!time)
                return Fail(QStringLiteral("bad --epoch"));
            epoch = *time;
        }
        const QString name = wanted.isEmpty() ? QStringLiteral("ISS") : wanted.front();
        sky = std::make_unique<ScriptedSky>(name, observer.latitude, observer.longitude, speedup, epoch);
    } else {
        if (chosen.empty())
            Say(QStringLiteral(
                    "no satellite configured, only the Sun, the Moon and Mars (add [%1] TLE= to %2)")
                    .arg(TrackerSection, iniPath));
        sky = std::make_unique<OrbitSky>(chosen, observer, ReadDut1(iniPath));
    }

    if (parser.isSet(quitOption)) {
        bool ok = false;
        const double seconds = parser.value(quitOption).toDouble(&ok);
        if (!ok || seconds < 0)
            return Fail(QStringLiteral("bad --quit-after"));
        QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QCoreApplication::quit);
    }

    QDBusConnection bus =
        parser.isSet(busOption)
            ? QDBusConnection::connectToBus(parser.value(busOption), QStringLiteral("azelmon-tracker"))
            : QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Fail(QStringLiteral("no D-Bus connection: %1").arg(bus.lastError().message()));

    TopicServer server(topic, clock, std::move(sky));
    // The object first, then the name: whoever sees the name can already ask.
    if (!bus.registerObject(ObjectPath(topic), &server, QDBusConnection::ExportAllSlots))
        return Fail(QStringLiteral("cannot register %1").arg(ObjectPath(topic)));
    if (!bus.registerService(ServiceName(topic)))
        return Fail(QStringLiteral("cannot own %1: %2").arg(ServiceName(topic), bus.lastError().message()));
    Say(QStringLiteral("serving %1 %2").arg(ServiceName(topic), ObjectPath(topic)));
    // Started by the bus, the tracker has no one to end it but the bus: it leaves with its bus.
    QTimer busWatch;
    QObject::connect(&busWatch, &QTimer::timeout, &app, [&bus] {
        if (!bus.isConnected())
            QCoreApplication::quit();
    });
    busWatch.start(5000);
    return app.exec();
}

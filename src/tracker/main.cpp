// SPDX-License-Identifier: GPL-3.0-or-later
// azelmon-tracker: serves a satellite, the Sun, the Moon and Mars over
// D-Bus as the satellite-tracking programs azelmon links to would ("ORBI|EXTRN" or
// "Calsat32|Export"). With --tle the satellite comes from element sets through SGP4/SDP4; without,
// a scripted demonstration satellite passes again and again.

#include "OrbitSky.h"
#include "PassList.h"
#include "SatelliteSetup.h"
#include "ScriptedSky.h"
#include "TopicServer.h"
#include "config/ProfileFile.h"
#include "config/SettingsLocation.h"
#include "orbit/ElementSet.h"
#include "orbit/StationLocation.h"
#include "satellites/ElementUpdate.h"
#include "satellites/SettingsWatch.h"
#include "satellites/TrackerSettings.h"
#include "sky/StationSetting.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QTimer>
#include <cstdio>

namespace {

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

// UT1 - UTC in seconds ([TRACKER] DUT1=, as time signals broadcast it), 0 when not given. A value
// that is not a number or lies outside +-0.9 s is refused (with a word on stderr) and 0 used.
double ReadDut1(const QString& iniPath) {
    const QString text = ProfileDocument::Read(iniPath)
                             .Value(QStringLiteral("DUT1"), TrackerSection)
                             .value_or(QString())
                             .trimmed();
    if (text.isEmpty())
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

// Downloads fresh element sets into the update file of the settings and exits: 0 when the file was
// replaced, 1 when it was kept (the reason on stderr).
int RunUpdate(QCoreApplication& app, const QString& iniPath) {
    const TrackerSettings settings = ReadTrackerSettings(iniPath);
    std::vector<orbit::ElementSet> others;
    const QString updateFile = QFileInfo(settings.updateFile).absoluteFilePath();
    for (const QString& file : settings.elementFiles) {
        if (QFileInfo(file).absoluteFilePath() == updateFile)
            continue;
        const orbit::ElementFile read = orbit::ReadElementFile(file.toStdString());
        others.insert(others.end(), read.sets.begin(), read.sets.end());
    }
    QList<QUrl> addresses;
    for (const QString& address : settings.addresses)
        addresses << QUrl(address);
    QNetworkAccessManager network;
    ElementUpdate update(network);
    int shownIndex = -1;
    QObject::connect(&update, &ElementUpdate::Progress, &app, [&](int index, int, qint64, qint64) {
        if (index != shownIndex)
            Say(QStringLiteral("downloading %1").arg(addresses.at(index).toString(QUrl::RemoveUserInfo)));
        shownIndex = index;
    });
    QObject::connect(&update, &ElementUpdate::Finished, &app, [&](bool replaced, const QString& message) {
        Say(message);
        if (replaced) {
            if (!WriteUpdateDone(iniPath, settings, QDateTime::currentDateTimeUtc().toString(Qt::ISODate)))
                Say(QStringLiteral("warning: cannot record the update in %1").arg(iniPath));
            Say(QStringLiteral("element sets written to %1").arg(updateFile));
        }
        app.exit(replaced ? 0 : 1);
    });
    // Started from the running loop: an update that fails at once (an address that is not one) ends the
    // loop it finds running instead of before it starts.
    QTimer::singleShot(0, &app,
                       [&] { update.Start(addresses, settings.updateFile, settings.satellites, others); });
    return app.exec();
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
    const auto updateOption =
        option("update", "Download fresh element sets from the addresses of the settings ([TRACKER] URL1..) "
                         "into its update file, then exit; the file is replaced only when every set checks.");
    parser.addOptions({topicOption, tleOption, satelliteOption, observerOption, locatorOption, latOption,
                       lonOption, passesOption, fromSettingsOption, settingsOption, speedupOption, quitOption,
                       epochOption, timeOption, freezeOption, busOption, updateOption});
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
    if (parser.isSet(updateOption))
        return RunUpdate(app, iniPath);

    // The observer: the command line first, then the station setting, then Tokyo.
    orbit::Geodetic observer = DefaultStationLocation;
    const bool observerFromSettings = !parser.isSet(observerOption) && !parser.isSet(locatorOption) &&
                                      !parser.isSet(latOption) && !parser.isSet(lonOption);
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
    }
    // Element files and satellites: the command line, or with --from-settings the settings file.
    QStringList files = parser.values(tleOption);
    QStringList wanted = parser.values(satelliteOption);
    const bool fromSettings = parser.isSet(fromSettingsOption) && files.isEmpty();
    if (observerFromSettings) {
        // Started by the bus, a location that cannot be read must not leave azelmon without its data
        // server: the default serves until the setting is mended.
        QString why;
        if (const auto place = ReadStationLocation(iniPath, &why))
            observer = *place;
        else if (!why.isEmpty() && !fromSettings)
            return Fail(why);
        else if (!why.isEmpty())
            Say(why + QStringLiteral("; using the default location until it is mended"));
    }
    if (fromSettings) {
        const TrackerSettings settings = ReadTrackerSettings(iniPath);
        files = settings.elementFiles;
        if (wanted.isEmpty())
            wanted = settings.satellites;
    }
    const bool demo = files.isEmpty() && !fromSettings;

    std::vector<orbit::ElementSet> chosen;
    std::set<long> warned; // stale sets are warned about once, not at every reload
    if (!demo) {
        // From the settings a choice that cannot be served in full starts anyway, with what can be;
        // azelmon offers its satellite dialog when no satellite is left.
        const SatelliteSetup setup = LoadSatellites(files, wanted, clock.start, &warned,
                                                    fromSettings ? Missing::LeaveOut : Missing::Error);
        for (const QString& note : setup.notes)
            Say(note);
        if (!setup.ok())
            return Fail(setup.error);
        chosen = setup.chosen;
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
    // Served from the settings, the tracker follows them: a choice saved in azelmon's satellite dialog,
    // a location saved there, a hand edit or an --update takes effect within a second, without a
    // restart. A choice or a location that cannot be served (a satellite not in the files, a location
    // that does not read) leaves the present one in service and says why.
    const bool followSatellites = fromSettings && !parser.isSet(satelliteOption);
    const bool followLocation = !demo && observerFromSettings;
    std::unique_ptr<SettingsWatch> watch;
    if (followSatellites || followLocation) {
        watch = std::make_unique<SettingsWatch>(iniPath);
        QObject::connect(watch.get(), &SettingsWatch::Changed, &server, [&] {
            if (followLocation) {
                QString why;
                const auto place = ReadStationLocation(watch->settings(), iniPath, &why);
                if (!why.isEmpty()) {
                    Say(QStringLiteral("settings changed, kept the location: %1").arg(why));
                } else {
                    const orbit::Geodetic now = place.value_or(DefaultStationLocation);
                    if (now.latitude != observer.latitude || now.longitude != observer.longitude ||
                        now.height != observer.height)
                        Say(QStringLiteral("settings changed, station now at %1, %2, %3 m%4")
                                .arg(now.latitude, 0, 'f', 5)
                                .arg(now.longitude, 0, 'f', 5)
                                .arg(now.height, 0, 'f', 0)
                                .arg(place ? QString() : QStringLiteral(" (the default)")));
                    observer = now;
                }
            }
            if (followSatellites) {
                const TrackerSettings settings = ReadTrackerSettings(watch->settings(), iniPath);
                const SatelliteSetup setup =
                    LoadSatellites(settings.elementFiles, settings.satellites, server.Now(), &warned);
                for (const QString& note : setup.notes)
                    Say(note);
                if (!setup.ok()) {
                    Say(QStringLiteral("settings changed, kept the satellites served: %1").arg(setup.error));
                } else {
                    QStringList names;
                    for (const auto& set : setup.chosen)
                        names << QString::fromStdString(set.name);
                    Say(QStringLiteral("settings changed, now serving: %1")
                            .arg(names.isEmpty() ? QStringLiteral("(no satellite)")
                                                 : names.join(QStringLiteral(", "))));
                    chosen = setup.chosen;
                }
            }
            server.ReplaceSky(std::make_unique<OrbitSky>(chosen, observer, ReadDut1(iniPath)));
        });
    }
    // Started by the bus, the tracker has no one to end it but the bus: it leaves with its bus.
    QTimer busWatch;
    QObject::connect(&busWatch, &QTimer::timeout, &app, [&bus] {
        if (!bus.isConnected())
            QCoreApplication::quit();
    });
    busWatch.start(5000);
    return app.exec();
}

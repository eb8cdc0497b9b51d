// SPDX-License-Identifier: GPL-3.0-or-later
// azelmon-tracker: serves a satellite, the Sun, the Moon and Mars over
// D-Bus as the satellite-tracking programs azelmon links to would ("ORBI|EXTRN" or
// "Calsat32|Export"). With --tle the satellite comes from element sets through SGP4/SDP4; without,
// a scripted demonstration satellite passes again and again.

#include "TopicServer.h"
#include "TrackerOptions.h"
#include "TrackerParts.h"
#include "satellites/SettingsWatch.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QTimer>
#include <cstdio>

namespace {

int Fail(const QString& text) {
    Say(text);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("azelmon-tracker"));

    QCommandLineParser parser;
    DeclareTrackerOptions(parser);
    parser.process(app);
    const auto read = ReadTrackerOptions(parser, QDateTime::currentDateTimeUtc());
    if (const QString* mistake = std::get_if<QString>(&read))
        return Fail(*mistake);
    const TrackerOptions& options = std::get<TrackerOptions>(read);
    const QString& iniPath = options.settingsPath;
    if (options.update)
        return RunUpdate(app, iniPath);

    const ObserverChoice observer = ChooseObserver(options);
    if (!observer.error.isEmpty())
        return Fail(observer.error);
    if (!observer.note.isEmpty())
        Say(observer.note);
    ServedChoice served{observer.place, {}, {}};
    if (const QString why = LoadChosenSatellites(options, served); !why.isEmpty())
        return Fail(why);

    if (options.passes) {
        if (served.chosen.empty())
            return Fail(QStringLiteral("--passes needs a satellite: give --tle FILE [--satellite NAME]"));
        std::fputs(
            qPrintable(PassTables(served.chosen, served.observer, options.clock.start, *options.passes)),
            stdout);
        return 0;
    }

    std::unique_ptr<SkySource> sky = MakeSky(options, served.observer, served.chosen);

    if (options.quitAfterSeconds)
        QTimer::singleShot(static_cast<int>(*options.quitAfterSeconds * 1000), &app, &QCoreApplication::quit);

    QDBusConnection bus = ConnectBus(options);
    if (!bus.isConnected())
        return Fail(QStringLiteral("no D-Bus connection: %1").arg(bus.lastError().message()));

    TopicServer server(options.topic, options.clock, std::move(sky));
    if (const QString why = ServeTopic(bus, server, options.topic); !why.isEmpty())
        return Fail(why);
    Say(QStringLiteral("serving %1 %2").arg(ServiceName(options.topic), ObjectPath(options.topic)));
    const std::unique_ptr<SettingsWatch> watch = FollowSettings(options, server, served);
    // Started by the bus, the tracker has no one to end it but the bus: it leaves with its bus.
    QTimer busWatch;
    QObject::connect(&busWatch, &QTimer::timeout, &app, [&bus] {
        if (!bus.isConnected())
            QCoreApplication::quit();
    });
    busWatch.start(5000);
    return app.exec();
}

// trackserver: serves scripted satellite passes and the true Sun, Moon and Mars over D-Bus, as
// the satellite-tracking programs azelmon links to would ("ORBI|EXTRN" or "Calsat32|Export").

#include "TopicServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QTimer>
#include <cstdio>

namespace {

int Fail(const QString& text) {
    std::fprintf(stderr, "trackserver: %s\n", qPrintable(text));
    return 2;
}

std::optional<QDateTime> ParseTime(const QString& text) {
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid())
        return std::nullopt;
    return time.toUTC();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("trackserver"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "D-Bus data server for azelmon: a scripted satellite that passes again and again, and the Sun, "
        "the Moon and Mars at their true positions for the observer."));
    parser.addHelpOption();
    const QCommandLineOption topicOption(QStringLiteral("topic"), QStringLiteral("orbi (default) or calsat."),
                                         QStringLiteral("name"), QStringLiteral("orbi"));
    const QCommandLineOption latOption(QStringLiteral("lat"),
                                       QStringLiteral("Observer latitude, degrees north."),
                                       QStringLiteral("deg"), QStringLiteral("35.68"));
    const QCommandLineOption lonOption(QStringLiteral("lon"),
                                       QStringLiteral("Observer longitude, degrees east."),
                                       QStringLiteral("deg"), QStringLiteral("139.77"));
    const QCommandLineOption speedupOption(QStringLiteral("speedup"),
                                           QStringLiteral("Run the wait between passes N times faster."),
                                           QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption quitOption(QStringLiteral("quit-after"),
                                        QStringLiteral("Quit after this many seconds."),
                                        QStringLiteral("seconds"));
    const QCommandLineOption epochOption(
        QStringLiteral("epoch"),
        QStringLiteral(
            "ISO 8601 instant at which a pass is six minutes from its highest point (default: start)."),
        QStringLiteral("time"));
    const QCommandLineOption timeOption(
        QStringLiteral("time"),
        QStringLiteral("ISO 8601 instant the server's clock starts at (default: now)."),
        QStringLiteral("time"));
    const QCommandLineOption freezeOption(QStringLiteral("freeze"),
                                          QStringLiteral("Keep the server's clock still."));
    const QCommandLineOption satelliteOption(QStringLiteral("satellite"), QStringLiteral("Satellite name."),
                                             QStringLiteral("name"), QStringLiteral("ISS"));
    const QCommandLineOption busOption(
        QStringLiteral("bus"), QStringLiteral("D-Bus address to serve on (default: the session bus)."),
        QStringLiteral("address"));
    parser.addOptions({topicOption, latOption, lonOption, speedupOption, quitOption, epochOption, timeOption,
                       freezeOption, satelliteOption, busOption});
    parser.process(app);

    TrackServerSettings settings;
    const QString topic = parser.value(topicOption).toLower();
    if (topic == QStringLiteral("orbi"))
        settings.topic = TrackServerSettings::Topic::Orbi;
    else if (topic == QStringLiteral("calsat") || topic == QStringLiteral("calsat32"))
        settings.topic = TrackServerSettings::Topic::Calsat;
    else
        return Fail(QStringLiteral("unknown topic \"%1\" (orbi or calsat)").arg(topic));

    bool ok = false;
    settings.latitude = parser.value(latOption).toDouble(&ok);
    if (!ok || settings.latitude < -90 || settings.latitude > 90)
        return Fail(QStringLiteral("bad --lat"));
    settings.longitude = parser.value(lonOption).toDouble(&ok);
    if (!ok || settings.longitude < -180 || settings.longitude > 360)
        return Fail(QStringLiteral("bad --lon"));
    settings.speedup = parser.value(speedupOption).toDouble(&ok);
    if (!ok || settings.speedup < 1)
        return Fail(QStringLiteral("bad --speedup (1 or more)"));
    settings.satellite = parser.value(satelliteOption);

    settings.start = QDateTime::currentDateTimeUtc();
    if (parser.isSet(timeOption)) {
        const auto time = ParseTime(parser.value(timeOption));
        if (!time)
            return Fail(QStringLiteral("bad --time"));
        settings.start = *time;
    }
    settings.epoch = settings.start;
    if (parser.isSet(epochOption)) {
        const auto time = ParseTime(parser.value(epochOption));
        if (!time)
            return Fail(QStringLiteral("bad --epoch"));
        settings.epoch = *time;
    }
    settings.frozen = parser.isSet(freezeOption);

    if (parser.isSet(quitOption)) {
        const double seconds = parser.value(quitOption).toDouble(&ok);
        if (!ok || seconds < 0)
            return Fail(QStringLiteral("bad --quit-after"));
        QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QCoreApplication::quit);
    }

    QDBusConnection bus =
        parser.isSet(busOption)
            ? QDBusConnection::connectToBus(parser.value(busOption), QStringLiteral("trackserver"))
            : QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Fail(QStringLiteral("no D-Bus connection: %1").arg(bus.lastError().message()));

    TopicServer server(settings);
    // The object first, then the name: whoever sees the name can already ask.
    if (!bus.registerObject(ObjectPath(settings.topic), &server, QDBusConnection::ExportAllSlots))
        return Fail(QStringLiteral("cannot register %1").arg(ObjectPath(settings.topic)));
    if (!bus.registerService(ServiceName(settings.topic)))
        return Fail(
            QStringLiteral("cannot own %1: %2").arg(ServiceName(settings.topic), bus.lastError().message()));
    std::fprintf(stderr, "trackserver: serving %s %s\n", qPrintable(ServiceName(settings.topic)),
                 qPrintable(ObjectPath(settings.topic)));
    return app.exec();
}

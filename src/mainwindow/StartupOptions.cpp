// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/StartupOptions.h"

#include "config/ProfileFile.h"
#include "links/RemoteTargetLink.h"
#include "sky/StationSetting.h"

namespace {

// An option that takes one of two words, the first its default: its value name, default and check
// all come from the two words.
struct TwoWordOption {
    QString name;
    QLatin1String first, second;

    QCommandLineOption Declared(const QString& description) const {
        return {name, description, QStringLiteral("%1|%2").arg(first, second), first};
    }
    // The word given, or nothing when it is neither; `mistake` then says what the option takes.
    std::optional<QString> Read(const QCommandLineParser& parser, QString* mistake) const {
        const QString value = parser.value(name);
        if (value == first || value == second)
            return value;
        *mistake = QStringLiteral("--%1 takes %2 or %3, not %4").arg(name, first, second, value);
        return std::nullopt;
    }
};

// The simulated board's start angles: degrees, 0 unless given.
QCommandLineOption StartAngleOption(const QString& name, const QString& description) {
    return {name, description, QStringLiteral("DEG"), QStringLiteral("0")};
}

std::optional<double> Degrees(const QCommandLineParser& parser, const QString& name) {
    bool ok = false;
    const double value = parser.value(name).toDouble(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

const TwoWordOption Board{QStringLiteral("board"), QLatin1String("sim"), QLatin1String("modbus")};
const TwoWordOption Link{QStringLiteral("link"), QLatin1String("dbus"), QLatin1String("rotctld")};
const QString PortName = QStringLiteral("modbus-port");
const QString CheckName = QStringLiteral("board-check");
const QString SimAzName = QStringLiteral("sim-az");
const QString SimElName = QStringLiteral("sim-el");
const QString ListenName = QStringLiteral("rotctld-listen");
const QString NameName = QStringLiteral("rotctld-name");
const QString ObserverName = QStringLiteral("observer");
const QString DefaultObserver = QStringLiteral("35.68,139.77");
const QString ObserverMistake =
    QStringLiteral("--observer takes LAT,LON in degrees (for example 35.68,139.77)");

} // namespace

void DeclareStartupOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Points az/el antenna rotators at a satellite, the Sun, the Moon, Mars, a station or a sky point.\n"
        "The board is chosen by BOARD (SIM or MODBUS) of [TCP/IP] in rotorcfg.ini, else the simulated "
        "one; --board overrides it. Nothing connects to a real board unless one of them says modbus."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        Board.Declared(QStringLiteral(
            "I/O board: sim or modbus (default: BOARD of [TCP/IP] in rotorcfg.ini, else sim).")),
        {PortName,
         QStringLiteral(
             "TCP port of the Modbus board (default: PORT of [BOARD_MAP] in rotorcfg.ini, else 502)."),
         QStringLiteral("N"), QStringLiteral("502")},
        {CheckName,
         QStringLiteral(
             "Reads both potentiometers once, prints raw value, count, volts and angle and the relay "
             "map, and exits (0 when both reads worked). Switches no relay; needs no display.")},
        StartAngleOption(SimAzName,
                         QStringLiteral("Simulated board: azimuth the rotator starts at (degrees).")),
        StartAngleOption(SimElName,
                         QStringLiteral("Simulated board: elevation the rotator starts at (degrees).")),
        {ListenName,
         QStringLiteral(
             "Address of the Hamlib rotctld endpoint, ADDR:PORT, or off (default 127.0.0.1:4533)."),
         QStringLiteral("ADDR:PORT|off"), QStringLiteral("127.0.0.1:4533")},
        Link.Declared(QStringLiteral(
            "Where the satellite's position comes from: dbus (azelmon-tracker, or another data "
            "server on the session bus; default) or rotctld (the target a rotctld client sets).")),
        {NameName, QStringLiteral("--link rotctld: the name shown for the target (default rotctld)."),
         QStringLiteral("NAME"), QStringLiteral("rotctld")},
        {ObserverName,
         QStringLiteral("--link rotctld: observer for the Sun, the Moon and Mars, degrees north and east "
                        "(default: the station location of the settings, else 35.68,139.77)."),
         QStringLiteral("LAT,LON")},
    });
}

std::variant<StartupOptions, QString> ReadStartupOptions(const QCommandLineParser& parser) {
    StartupOptions o;
    QString mistake;
    const auto board = Board.Read(parser, &mistake);
    if (!board)
        return mistake;
    if (parser.isSet(Board.name))
        o.board = *board;
    bool portOk = false;
    o.modbusPort = parser.value(PortName).toInt(&portOk);
    if (!portOk || o.modbusPort < 1 || o.modbusPort > 65535)
        return QStringLiteral("--modbus-port takes a port number 1..65535");
    o.modbusPortGiven = parser.isSet(PortName);
    const auto simAzimuth = Degrees(parser, SimAzName), simElevation = Degrees(parser, SimElName);
    if (!simAzimuth || !simElevation)
        return QStringLiteral("--sim-az and --sim-el take a number of degrees");
    o.simAzimuth = *simAzimuth;
    o.simElevation = *simElevation;
    const auto link = Link.Read(parser, &mistake);
    if (!link)
        return mistake;
    o.remoteLink = *link == Link.second;
    const auto listen = ParseRotctldListen(parser.value(ListenName));
    if (!listen)
        return QStringLiteral("--rotctld-listen takes ADDR:PORT (for example 127.0.0.1:4533) or off");
    o.listen = *listen;
    o.rotctldName = parser.value(NameName);
    if (parser.isSet(ObserverName)) {
        o.observer = ParseObserver(parser.value(ObserverName));
        if (!o.observer)
            return ObserverMistake;
    }
    o.boardCheck = parser.isSet(CheckName);
    return o;
}

std::optional<std::pair<double, double>> ObserverPlace(const StartupOptions& options,
                                                       const ProfileDocument& settings,
                                                       const QString& iniPath, QString* problem) {
    if (options.observer)
        return options.observer;
    QString text = DefaultObserver;
    if (options.remoteLink) {
        // The station location the tracker also uses ([STATION] LOCATION).
        if (const auto station = ReadStationLocation(settings, iniPath, problem))
            text =
                QStringLiteral("%1,%2").arg(station->latitude, 0, 'f', 6).arg(station->longitude, 0, 'f', 6);
    }
    return ParseObserver(text);
}

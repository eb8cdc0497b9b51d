// azelmon: points an amateur station's az/el rotators at a satellite, the Sun, the Moon, Mars, a
// station or a clicked sky direction. This file only reads the command line, builds the real
// backends and wires them to the main window.
#include "config/SettingsLocation.h"
#include "mainwindow/Form1.h"
#include "mainwindow/HelpWindow.h"
#include "mainwindow/SingleInstance.h"
#include "mainwindow/SystemPorts.h"
#include "rotator/ModbusBoard.h"
#include "rotator/SimulatedBoard.h"
#include "tracking/DbusDataLink.h"
#include "tracking/RemoteTarget.h"
#include "tracking/RemoteTargetLink.h"
#include "tracking/RotctldMainState.h"
#include "tracking/RotctldServer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

// SIGINT and SIGTERM end the program the orderly way (relays off), from the event loop.
void InstallSignalHandlers(Form1& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte;
        [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
        window.Command1_Click();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// The rotctld endpoint's stop: the abort button's action. While the antenna is still being brought
// into its operating range at start-up the window refuses it too (the button is not enabled then).
int StopLikeAbortButton(Form1& window) {
    if (window.state().StartupState != 0)
        return HamlibError::Rejected;
    if (window.Command4->isEnabled() || window.state().OperatingMode != 0)
        window.Command4_Click();
    return HamlibError::Ok;
}

// Qt's own event dispatcher rather than GLib's: it wakes for a rotctld request in about half the time,
// and nothing in this program needs GLib's loop (no GTK dialogs; the accessibility bridge, the input
// method plugins and QtDBus run on Qt's; sound plays on PulseAudio's own thread). It must be chosen
// before the application object exists. QT_NO_GLIB set but empty keeps GLib's.
void ChooseEventDispatcher() {
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
}

} // namespace

int main(int argc, char** argv) {
    ChooseEventDispatcher();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("azelmon"));
    QApplication::setApplicationVersion(QStringLiteral(AZELMON_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Points az/el antenna rotators at a satellite, the Sun, the Moon, Mars, a station or a sky point.\n"
        "The simulated board is the default; nothing connects to a real board unless --board modbus is "
        "given."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption boardOption(QStringLiteral("board"),
                                   QStringLiteral("I/O board: sim (default) or modbus."),
                                   QStringLiteral("sim|modbus"), QStringLiteral("sim"));
    QCommandLineOption portOption(QStringLiteral("modbus-port"),
                                  QStringLiteral("TCP port of the Modbus board (default 502)."),
                                  QStringLiteral("N"), QStringLiteral("502"));
    QCommandLineOption simAzOption(
        QStringLiteral("sim-az"), QStringLiteral("Simulated board: azimuth the rotator starts at (degrees)."),
        QStringLiteral("DEG"), QStringLiteral("0"));
    QCommandLineOption simElOption(
        QStringLiteral("sim-el"),
        QStringLiteral("Simulated board: elevation the rotator starts at (degrees)."), QStringLiteral("DEG"),
        QStringLiteral("0"));
    QCommandLineOption listenOption(
        QStringLiteral("rotctld-listen"),
        QStringLiteral("Address of the Hamlib rotctld endpoint, ADDR:PORT, or off (default 127.0.0.1:4533)."),
        QStringLiteral("ADDR:PORT|off"), QStringLiteral("127.0.0.1:4533"));
    QCommandLineOption linkOption(
        QStringLiteral("link"),
        QStringLiteral("Data source of the satellite boxes: dbus (ORBI or Calsat32, "
                       "default) or rotctld (the target a rotctld client sets)."),
        QStringLiteral("dbus|rotctld"), QStringLiteral("dbus"));
    QCommandLineOption nameOption(
        QStringLiteral("rotctld-name"),
        QStringLiteral("--link rotctld: the target's name in Text1 (default rotctld)."),
        QStringLiteral("NAME"), QStringLiteral("rotctld"));
    QCommandLineOption observerOption(
        QStringLiteral("observer"),
        QStringLiteral("--link rotctld: observer for the Sun, the Moon and Mars, degrees north and east "
                       "(default 35.68,139.77)."),
        QStringLiteral("LAT,LON"), QStringLiteral("35.68,139.77"));
    parser.addOptions({boardOption, portOption, simAzOption, simElOption, listenOption, linkOption,
                       nameOption, observerOption});
    parser.process(app);

    QTextStream err(stderr);
    const QString boardKind = parser.value(boardOption);
    bool portOk = false;
    const int modbusPort = parser.value(portOption).toInt(&portOk);
    if (boardKind != QLatin1String("sim") && boardKind != QLatin1String("modbus")) {
        err << "azelmon: --board takes sim or modbus, not " << boardKind << "\n";
        return 2;
    }
    if (!portOk || modbusPort < 1 || modbusPort > 65535) {
        err << "azelmon: --modbus-port takes a port number 1..65535\n";
        return 2;
    }
    bool azOk = false, elOk = false;
    const double simAz = parser.value(simAzOption).toDouble(&azOk);
    const double simEl = parser.value(simElOption).toDouble(&elOk);
    if (!azOk || !elOk) {
        err << "azelmon: --sim-az and --sim-el take a number of degrees\n";
        return 2;
    }

    const QString linkKind = parser.value(linkOption);
    if (linkKind != QLatin1String("dbus") && linkKind != QLatin1String("rotctld")) {
        err << "azelmon: --link takes dbus or rotctld, not " << linkKind << "\n";
        return 2;
    }
    const bool remoteLink = linkKind == QLatin1String("rotctld");
    const auto listen = ParseRotctldListen(parser.value(listenOption));
    if (!listen) {
        err << "azelmon: --rotctld-listen takes ADDR:PORT (for example 127.0.0.1:4533) or off\n";
        return 2;
    }
    const auto observer = ParseObserver(parser.value(observerOption));
    if (!observer) {
        err << "azelmon: --observer takes LAT,LON in degrees (for example 35.68,139.77)\n";
        return 2;
    }

    SystemClock clock;
    EventLoopWaiter waiter;
    MessageBoxSink messages;
    EffectSoundPlayer sound;
    DesktopBrowser browser;
    HelpWindow help;
    std::unique_ptr<IoBoard> board;
    if (boardKind == QLatin1String("modbus")) {
        board = std::make_unique<ModbusBoard>(QString(), modbusPort);
    } else {
        RotatorPhysics::Settings physics;
        physics.startAzimuth = simAz;
        physics.startElevation = simEl;
        board = std::make_unique<SimulatedBoard>(clock, physics);
    }
    // Under --link rotctld the boxes come from the remote target; D-Bus is not touched.
    RemoteTarget remoteTarget(parser.value(nameOption));
    const MainState* windowState = nullptr; // known once the window exists
    std::unique_ptr<DataLink> link;
    if (remoteLink)
        link = std::make_unique<RemoteTargetLink>(
            remoteTarget, clock, observer->first, observer->second, [&windowState] {
                return windowState ? RotctldMainState::MapDirection(*windowState).azimuth : 0.0;
            });
    else
        link = std::make_unique<DbusDataLink>();

    Ports ports{.board = board.get(),
                .link = link.get(),
                .clock = &clock,
                .waiter = &waiter,
                .messages = &messages,
                .sound = &sound,
                .help = &help,
                .browser = &browser};

    SingleInstance instance(SingleInstance::DefaultName());
    Form1 window(ports, SettingsFilePath());
    windowState = &window.state();
    messages.setParent(&window);
    window.setInstanceCheck([&instance] { return instance.AnotherCopyRunning(); });
    int exitCode = 0;
    window.setEndHandler([&exitCode](int code) {
        exitCode = code;
        QCoreApplication::exit(code);
    });
    InstallSignalHandlers(window);
    if (!window.Form_Load())
        return exitCode;

    RotctldMainState station(
        window.state(), [&window] { return StopLikeAbortButton(window); },
        QStringLiteral("azelmon " AZELMON_VERSION));
    RotctldServer rotctld(station, remoteLink ? &remoteTarget : nullptr);
    if (!listen->off) {
        if (rotctld.Listen(listen->address, listen->port)) {
            // Tests and scripts started with port 0 read the port from here.
            QTextStream(stdout) << "rotctld: listening on " << rotctld.address().toString() << ":"
                                << rotctld.port() << Qt::endl;
        } else {
            window.SetLeft(QStringLiteral("6.rotctld %1:%2 を開けません。rotctld 接続なしで動作します")
                               .arg(listen->address.toString())
                               .arg(listen->port));
            window.SetRight(QStringLiteral("エラーメッセージは ") + rotctld.errorString());
        }
    }
    window.show();
    const int loopCode = app.exec();
    // Whatever ended the loop, the relays are off before the process goes.
    window.EndProgram(loopCode);
    return exitCode != 0 ? exitCode : loopCode;
}

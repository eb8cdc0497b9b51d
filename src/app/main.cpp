// SPDX-License-Identifier: GPL-3.0-or-later
// azelmon: points an amateur station's az/el rotators at a satellite, the Sun, the Moon, Mars, a
// station or a clicked sky direction. This file only reads the command line, builds the real
// backends and wires them to the main window.
#include "config/BoardChoice.h"
#include "config/SettingsLocation.h"
#include "config/StartupSettings.h"
#include "mainwindow/Form1.h"
#include "mainwindow/HelpWindow.h"
#include "mainwindow/PressWhenEnabled.h"
#include "mainwindow/SingleInstance.h"
#include "mainwindow/SystemPorts.h"
#include "mainwindow/WakeupCount.h"
#include "rotator/BoardCheck.h"
#include "rotator/BoardMap.h"
#include "rotator/EmergencyRelayStop.h"
#include "rotator/ModbusBoard.h"
#include "rotator/SimulatedBoard.h"
#include "tracking/DbusDataLink.h"
#include "tracking/RemoteTarget.h"
#include "tracking/RemoteTargetLink.h"
#include "tracking/RotctldMainState.h"
#include "tracking/RotctldServer.h"
#include "tracking/StationSetting.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTextStream>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

// A write to a pipe or socket whose reader has gone (stderr into `| tee log` after tee ended) fails
// with EPIPE instead of killing the process with a motor running. A handler that does nothing rather
// than SIG_IGN: a program started from here (browser, help viewer) gets the default back at exec.
void OnBrokenPipe(int) {}

// Every signal whose default action ends the process and that someone may send to end it: the terminal
// closed (SIGHUP), Ctrl-C and Ctrl-\, kill's default, the user signals, timers nobody here set, a power
// failure notice, the CPU-time and file-size limits, and the real-time signals no library here claimed.
// All of them end the program the orderly way (relays off and latched off), from the event loop. The
// faults of the program itself (SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS) take the
// crash path of EmergencyRelayStop instead.
const int OrderlyEndSignals[] = {SIGINT,    SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2,  SIGALRM,
                                 SIGVTALRM, SIGPROF, SIGPWR, SIGXCPU, SIGXFSZ, SIGSTKFLT};

// First thing of all: Qt itself may warn on stderr before the window exists.
void SurviveBrokenPipes() {
    struct sigaction pipeAction {};
    pipeAction.sa_handler = OnBrokenPipe;
    sigemptyset(&pipeAction.sa_mask);
    pipeAction.sa_flags = SA_RESTART;
    sigaction(SIGPIPE, &pipeAction, nullptr);
}

void InstallSignalHandlers(Form1& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char bytes[64];
        [[maybe_unused]] const auto got = ::recv(signalPipe[0], bytes, sizeof bytes, MSG_DONTWAIT);
        window.Command1_Click();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : OrderlyEndSignals)
        sigaction(signal, &action, nullptr);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) {
        struct sigaction present {};
        if (sigaction(signal, nullptr, &present) == 0 && present.sa_handler == SIG_DFL &&
            !(present.sa_flags & SA_SIGINFO))
            sigaction(signal, &action, nullptr);
    }
}

// Qt's xcb back end calls exit() when the X server goes away ("The X11 connection broke"); so does
// anything else that calls exit() while the window lives. The window is still there then (main's
// frame is never unwound), so the relays go off the ordinary way.
Form1* windowAtExit = nullptr;

void SwitchRelaysOffAtExit() {
    if (Form1* window = windowAtExit) {
        windowAtExit = nullptr;
        window->BeginEnding();
    }
}

// Clears the exit hook before the window goes, however main is left.
struct ExitHook {
    explicit ExitHook(Form1& window) {
        windowAtExit = &window;
        std::atexit(SwitchRelaysOffAtExit);
    }
    ~ExitHook() { windowAtExit = nullptr; }
    ExitHook(const ExitHook&) = delete;
    ExitHook& operator=(const ExitHook&) = delete;
};

// The rotctld endpoint's stop: the abort button's action. While the antenna is still being brought
// into its operating range at start-up the window refuses it too (the button is not enabled then).
int StopLikeAbortButton(Form1& window) {
    if (window.state().StartupState != 0)
        return HamlibError::Rejected;
    if (window.Command4->isEnabled() || window.state().OperatingMode != 0)
        window.Command4_Click();
    return HamlibError::Ok;
}

// The board check: one reading of each potentiometer, printed, and the exit code. No window, no coil.
int CheckBoard(IoBoard& board, const BoardMap* map, const QString& boardText, const QString& settingsPath) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    MainState state;
    for (const QString& problem : ReadStartupSettings(state, settingsPath))
        err << "azelmon: " << problem << "\n";
    out << "settings: " << settingsPath << "\n";
    const BoardCheckReport report = RunBoardCheck(board, map, boardText, state);
    for (const QString& line : report.lines)
        out << line << "\n";
    out.flush();
    for (const QString& error : report.errors)
        err << "azelmon: " << error << "\n";
    return report.ok() ? 0 : 1;
}

bool AskedFor(int argc, char** argv, const char* option) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], option) == 0)
            return true;
    return false;
}

// Qt's own event dispatcher rather than GLib's: it wakes for a rotctld request in about half the time,
// and nothing in this program needs GLib's loop (no GTK dialogs; the accessibility bridge, the input
// method plugins and QtDBus run on Qt's; sound plays on PulseAudio's own thread). It must be chosen
// before the application object exists. QT_NO_GLIB set but empty keeps GLib's.
void ChooseEventDispatcher() {
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
}

// With TZ unset the C library looks at /etc/localtime again (a stat) at every local-time conversion,
// several times a second here (clocks, log, positioning); with the zone named it reads it once. A zone
// changed while the program runs is then taken up at its next start.
void ReadTheTimeZoneOnce() {
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
}

} // namespace

int main(int argc, char** argv) {
    SurviveBrokenPipes();
    ChooseEventDispatcher();
    ReadTheTimeZoneOnce();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Points az/el antenna rotators at a satellite, the Sun, the Moon, Mars, a station or a sky point.\n"
        "The board is chosen by BOARD (SIM or MODBUS) of [TCP/IP] in rotorcfg.ini, else the simulated "
        "one; --board overrides it. Nothing connects to a real board unless one of them says modbus."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption boardOption(
        QStringLiteral("board"),
        QStringLiteral("I/O board: sim or modbus (default: BOARD of [TCP/IP] in rotorcfg.ini, else sim)."),
        QStringLiteral("sim|modbus"), QStringLiteral("sim"));
    QCommandLineOption portOption(
        QStringLiteral("modbus-port"),
        QStringLiteral(
            "TCP port of the Modbus board (default: PORT of [BOARD_MAP] in rotorcfg.ini, else 502)."),
        QStringLiteral("N"), QStringLiteral("502"));
    QCommandLineOption checkOption(
        QStringLiteral("board-check"),
        QStringLiteral(
            "Reads both potentiometers once, prints raw value, count, volts and angle and the relay "
            "map, and exits (0 when both reads worked). Switches no relay; needs no display."));
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
        QStringLiteral("Where the satellite's position comes from: dbus (azelmon-tracker, or another data "
                       "server on the session bus; default) or rotctld (the target a rotctld client sets)."),
        QStringLiteral("dbus|rotctld"), QStringLiteral("dbus"));
    QCommandLineOption nameOption(
        QStringLiteral("rotctld-name"),
        QStringLiteral("--link rotctld: the name shown for the target (default rotctld)."),
        QStringLiteral("NAME"), QStringLiteral("rotctld"));
    QCommandLineOption observerOption(
        QStringLiteral("observer"),
        QStringLiteral("--link rotctld: observer for the Sun, the Moon and Mars, degrees north and east "
                       "(default: the station location of the settings, else 35.68,139.77)."),
        QStringLiteral("LAT,LON"));
    parser.addOptions({boardOption, portOption, checkOption, simAzOption, simElOption, listenOption,
                       linkOption, nameOption, observerOption});
    // --help and --version only print. They are answered before anything opens a display, so they
    // work in a terminal without one (over SSH).
    {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        if (parser.parse(arguments) &&
            (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")) ||
             parser.isSet(QStringLiteral("version")))) {
            QCoreApplication textOnly(argc, argv);
            QCoreApplication::setApplicationName(QStringLiteral("azelmon"));
            QCoreApplication::setApplicationVersion(QStringLiteral(AZELMON_VERSION));
            parser.process(textOnly); // prints and exits 0
        }
    }
    // The board check runs where there is no display (a shack computer over ssh): no GUI then.
    const bool boardCheck = AskedFor(argc, argv, "--board-check");
    std::unique_ptr<QCoreApplication> application = boardCheck
                                                        ? std::make_unique<QCoreApplication>(argc, argv)
                                                        : std::make_unique<QApplication>(argc, argv);
    QCoreApplication& app = *application;
    QApplication::setApplicationName(QStringLiteral("azelmon"));
    QApplication::setApplicationVersion(QStringLiteral(AZELMON_VERSION));
    parser.process(app);
    const auto wakeups = WakeupCount::FromEnvironment();

    QTextStream err(stderr);
    const QString boardFlag = parser.value(boardOption);
    bool portOk = false;
    const int modbusPort = parser.value(portOption).toInt(&portOk);
    if (boardFlag != QLatin1String("sim") && boardFlag != QLatin1String("modbus")) {
        err << "azelmon: --board takes sim or modbus, not " << boardFlag << "\n";
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
    // Without --observer, the station location the tracker also uses ([STATION] LOCATION).
    QString observerText =
        parser.isSet(observerOption) ? parser.value(observerOption) : QStringLiteral("35.68,139.77");
    if (!parser.isSet(observerOption) && remoteLink) {
        QString problem;
        const auto station = ReadStationLocation(SettingsFilePath(), &problem);
        if (!problem.isEmpty())
            err << "azelmon: " << problem << "\n";
        if (station)
            observerText =
                QStringLiteral("%1,%2").arg(station->latitude, 0, 'f', 6).arg(station->longitude, 0, 'f', 6);
    }
    const auto observer = ParseObserver(observerText);
    if (!observer) {
        err << "azelmon: --observer takes LAT,LON in degrees (for example 35.68,139.77)\n";
        return 2;
    }

    // The board: --board when given, else the BOARD setting, else the simulated one.
    const BoardChoice boardChoice =
        ChooseBoard(parser.isSet(boardOption) ? std::optional<QString>(boardFlag) : std::nullopt,
                    ReadBoardSetting(SettingsFilePath()));
    if (!boardChoice.problem.isEmpty())
        err << "azelmon: " << boardChoice.problem << "\n";

    SystemClock clock;
    std::unique_ptr<IoBoard> board;
    std::optional<BoardMapReading> boardMap;
    if (boardChoice.kind == BoardKind::Modbus) {
        // The module's layout and transport come from the settings file; --modbus-port, when given,
        // overrides the TCP port there.
        boardMap = ReadBoardMap(SettingsFilePath());
        if (parser.isSet(portOption))
            boardMap->map.tcpPort = modbusPort;
        auto modbus = std::make_unique<ModbusBoard>(boardMap->map);
        // A refused map drives nothing from the first call on, the start-up's all-off included.
        if (boardMap->refusal)
            modbus->Refuse(*boardMap->refusal);
        if (boardCheck) {
            if (boardMap->refusal) {
                err << "azelmon: " << *boardMap->refusal << "\n";
                return 1;
            }
        }
        // A crash switches the relays off through the board's own TCP connection, with the map's unit
        // and coils. (An RTU line is never armed: the module's own watchdog covers a crash there.)
        if (modbus->ArmEmergencyStopOnConnect()) {
            EmergencyRelayStop::InstallCrashHandlers();
        }
        board = std::move(modbus);
    } else {
        RotatorPhysics::Settings physics;
        physics.startAzimuth = simAz;
        physics.startElevation = simEl;
        board = std::make_unique<SimulatedBoard>(clock, physics);
    }
    if (boardCheck) {
        QString boardText = QStringLiteral("simulated (set BOARD=MODBUS in [TCP/IP] of the settings, or give "
                                           "--board modbus, to check the real board)");
        if (boardMap) {
            MainState settings;
            ReadStartupSettings(settings, SettingsFilePath());
            board->SetAddress(settings.module.BoardAddress);
            boardText = boardMap->map.TransportText(settings.module.BoardAddress);
        }
        return CheckBoard(*board, boardMap ? &boardMap->map : nullptr, boardText, SettingsFilePath());
    }

    EventLoopWaiter waiter;
    MessageBoxSink messages;
    EffectSoundPlayer sound;
    DesktopBrowser browser;
    HelpWindow help;

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

    // One copy per user, and one program per board whoever runs it.
    QString boardKey;
    if (boardMap) {
        if (boardMap->map.transport == BoardMap::Transport::Rtu) {
            boardKey = SingleInstance::RtuBoardKey(boardMap->map.device);
        } else {
            MainState settings;
            ReadStartupSettings(settings, SettingsFilePath());
            boardKey = SingleInstance::TcpBoardKey(settings.module.BoardAddress, boardMap->map.tcpPort);
        }
    }
    SingleInstance instance(SingleInstance::DefaultName(), boardKey);
    Form1 window(ports, SettingsFilePath());
    windowState = &window.state();
    messages.setParent(&window);
    window.setInstanceCheck([&instance] { return instance.Refusal(); });
    if (boardMap)
        window.setBoardMessages([&boardMap, &board, &err] {
            const QStringList messages = BoardStartupMessages(*boardMap, static_cast<ModbusBoard&>(*board));
            for (const QString& message : messages)
                err << "azelmon: " << message << Qt::endl;
            return messages;
        });
    int exitCode = 0;
    window.setEndHandler([&exitCode](int code) {
        exitCode = code;
        QCoreApplication::exit(code);
    });
    InstallSignalHandlers(window);
    ExitHook exitHook(window);
    // A start-up refused by the locks (a second copy, a board another program drives) never touches the
    // board: the running program's relays stay as they are. Any later end has written them off.
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
    if (qEnvironmentVariableIntValue("AZELMON_START_AUTOMATIC") == 1)
        new PressWhenEnabled(window.Command3);
    const int loopCode = app.exec();
    // Whatever ended the loop, the relays are off before the process goes: the last all-off is written
    // even when the way out has written one already.
    window.EndProgram(loopCode);
    window.SwitchAllRelaysOff();
    return exitCode != 0 ? exitCode : loopCode;
}

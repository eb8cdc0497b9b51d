// SPDX-License-Identifier: GPL-3.0-or-later
// azelmon: points an amateur station's az/el rotators at a satellite, the Sun, the Moon, Mars, a
// station or a clicked sky direction. This file only reads the command line, builds the real
// backends and wires them to the main window.
#include "config/BoardChoice.h"
#include "config/ProfileFile.h"
#include "config/SettingsLocation.h"
#include "config/StartupSettings.h"
#include "links/RemoteTarget.h"
#include "links/RotctldServer.h"
#include "mainwindow/Form1.h"
#include "mainwindow/HelpWindow.h"
#include "mainwindow/PressWhenEnabled.h"
#include "mainwindow/SingleInstance.h"
#include "mainwindow/StartupOptions.h"
#include "mainwindow/StartupParts.h"
#include "mainwindow/SystemPorts.h"
#include "mainwindow/WakeupCount.h"
#include "rotator/BoardCheck.h"
#include "rotator/BoardMap.h"
#include "rotator/EmergencyRelayStop.h"
#include "rotator/ModbusBoard.h"
#include "tracking/RotctldMainState.h"

#include <QApplication>
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
#include <variant>

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
    if (window.Command4->isEnabled() || window.state().OperatingMode != RunMode::Stopped)
        window.Command4_Click();
    return HamlibError::Ok;
}

// The board check: one reading of each potentiometer, printed, and the exit code. No window, no coil.
int CheckBoard(IoBoard& board, const std::optional<BoardMapReading>& map, const ProfileDocument& settings,
               const QString& settingsPath) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    MainState state;
    const QStringList problems = ReadStartupSettings(state, settings);
    if (map)
        board.SetAddress(state.module.BoardAddress);
    const QString boardText = BoardCheckText(map, state.module.BoardAddress);
    for (const QString& problem : problems)
        err << "azelmon: " << problem << "\n";
    out << "settings: " << settingsPath << "\n";
    const BoardCheckReport report = RunBoardCheck(board, map ? &map->map : nullptr, boardText, state);
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

// --help and --version only print. They are answered before anything opens a display, so they work
// in a terminal without one (over SSH).
void AnswerHelpAndVersion(QCommandLineParser& parser, int& argc, char** argv) {
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

} // namespace

int main(int argc, char** argv) {
    SurviveBrokenPipes();
    ChooseEventDispatcher();
    ReadTheTimeZoneOnce();
    QCommandLineParser parser;
    DeclareStartupOptions(parser);
    AnswerHelpAndVersion(parser, argc, argv);
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
    const auto read = ReadStartupOptions(parser);
    if (const QString* mistake = std::get_if<QString>(&read)) {
        err << "azelmon: " << *mistake << "\n";
        return 2;
    }
    const StartupOptions& options = std::get<StartupOptions>(read);
    // The settings file, read once for everything the start takes from it.
    const QString settingsPath = SettingsFilePath();
    const ProfileDocument settings = ProfileDocument::Read(settingsPath);
    QString stationProblem;
    const auto observer = ObserverPlace(options, settings, settingsPath, &stationProblem);
    if (!stationProblem.isEmpty())
        err << "azelmon: " << stationProblem << "\n";
    if (!observer) {
        err << "azelmon: --observer takes LAT,LON in degrees (for example 35.68,139.77)\n";
        return 2;
    }

    const BoardChoice boardChoice = ChooseBoard(options.board, ReadBoardSetting(settings));
    if (!boardChoice.problem.isEmpty())
        err << "azelmon: " << boardChoice.problem << "\n";
    SystemClock clock;
    MadeBoard made = MakeBoard(options, boardChoice.kind, settings, clock);
    if (boardCheck && made.map && made.map->refusal) {
        err << "azelmon: " << *made.map->refusal << "\n";
        return 1;
    }
    // A crash switches the relays off through the board's own TCP connection, with the map's unit and coils.
    if (made.emergencyStopArmed)
        EmergencyRelayStop::InstallCrashHandlers();
    std::unique_ptr<IoBoard>& board = made.board;
    const std::optional<BoardMapReading>& boardMap = made.map;
    if (boardCheck)
        return CheckBoard(*board, boardMap, settings, settingsPath);

    EventLoopWaiter waiter;
    MessageBoxSink messages;
    EffectSoundPlayer sound;
    DesktopBrowser browser;
    HelpWindow help;

    RemoteTarget remoteTarget(options.rotctldName);
    const MainState* windowState = nullptr; // known once the window exists
    const std::unique_ptr<DataLink> link = MakeLink(options, remoteTarget, clock, *observer, [&windowState] {
        return windowState ? RotctldMainState::MapDirection(*windowState).azimuth : 0.0;
    });

    Ports ports{.board = board.get(),
                .link = link.get(),
                .clock = &clock,
                .waiter = &waiter,
                .messages = &messages,
                .sound = &sound,
                .help = &help,
                .browser = &browser};

    // One copy per user, and one program per board whoever runs it.
    SingleInstance instance(SingleInstance::DefaultName(),
                            BoardLockKey(boardMap, ReadBoardAddress(settings)));
    Form1 window(ports, settingsPath);
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
    if (!window.Form_Load(settings))
        return exitCode;

    RotctldMainState station(
        window.state(), [&window] { return StopLikeAbortButton(window); },
        QStringLiteral("azelmon " AZELMON_VERSION));
    RotctldServer rotctld(station, options.remoteLink ? &remoteTarget : nullptr);
    const RotctldStart endpoint = StartRotctld(rotctld, options.listen);
    if (!endpoint.announcement.isEmpty())
        QTextStream(stdout) << endpoint.announcement << Qt::endl;
    if (!endpoint.left.isEmpty()) {
        window.SetLeft(endpoint.left);
        window.SetRight(endpoint.right);
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/Form1.h"

#include "common/DataLink.h"
#include "common/HelpViewer.h"
#include "common/IoBoard.h"
#include "common/MessageSink.h"
#include "config/ProfileFile.h"
#include "config/StartupSettings.h"
#include "config/TrackingSettings.h"
#include "mainwindow/RunTrace.h"
#include "mainwindow/SatellitesController.h"
#include "mainwindow/SettingsController.h"
#include "mainwindow/StationsController.h"
#include "mainwindow/TracingBoard.h"
#include "mainwindow/TrackingController.h"
#include "mainwindow/WindowPlacement.h"
#include "rotator/BoardOwner.h"
#include "rotator/EmergencyRelayStop.h"
#include "rotator/RelaySafeMessages.h"
#include "rotator/RotatorControl.h"
#include "satellites/SettingsWatch.h"
#include "skymap/SkyMapWidget.h"
#include "tracking/TrackingCycle.h"

#include <QAbstractEventDispatcher>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

Form1::Form1(Ports ports, QString settingsPath, QWidget* parent)
    : QMainWindow(parent), ports_(ports), settingsPath_(std::move(settingsPath)) {
    setObjectName(QStringLiteral("Form1"));
    // The simulated board's antenna must never be taken for the one on the mast.
    setWindowTitle(ports_.board && ports_.board->Simulated()
                       ? QStringLiteral("アゼルモンv1.21（シミュレーション）")
                       : QStringLiteral("アゼルモンv1.21"));
    if (!ports_.status)
        ports_.status = this;
    endHandler_ = [](int code) { QCoreApplication::exit(code); };
    BuildWidgets();
    KeepLiveLabelsInPlace();
    BuildMenus();
    BuildTimers();
    if (ports_.clock)
        trace_ = RunTrace::FromEnvironment(*ports_.clock);
    // A real board is called only from a thread of its own: the window never waits on the module, and
    // nothing in the window delays an off.
    if (ports_.board && ports_.board->OwnThread()) {
        boardOwner_ = std::make_unique<BoardOwner>(*ports_.board);
        ports_.board = boardOwner_.get();
    }
    if (trace_ && ports_.board) {
        tracingBoard_ = std::make_unique<TracingBoard>(*ports_.board, *trace_);
        ports_.board = tracingBoard_.get();
    }
    if (trace_) {
        // Connected before the tracking side, so the line marks when each cycle starts.
        connect(Timer1, &QTimer::timeout, this, [this] {
            trace_->Line(QStringLiteral("cycle mode=%1 relays=%2%3%4%5 antenna=%6,%7 target=%8,%9")
                             .arg(static_cast<int>(state_.OperatingMode))
                             .arg(state_.piob4)
                             .arg(state_.piob5)
                             .arg(state_.piob6)
                             .arg(state_.piob7)
                             .arg(state_.PresentAzimuth, 0, 'f', 2)
                             .arg(state_.PresentElevation, 0, 'f', 2)
                             .arg(state_.TargetAzimuth, 0, 'f', 2)
                             .arg(state_.TargetElevation, 0, 'f', 2));
            if (tracedCycles_++ % RunTrace::CensusCycles == 0)
                trace_->Line(RunTrace::Census());
        });
        // Before the abort's own handler, so its all-off follows this line in the trace.
        connect(Command4, &QPushButton::clicked, this, [this] { trace_->Line(QStringLiteral("abort")); });
    }
    rotator_ = std::make_unique<RotatorControl>(state_, ports_, *this);
    // Should this thread stall with a relay on, the board's own thread switches it off all the same.
    if (boardOwner_)
        rotator_->relays.WatchedBy(boardOwner_.get());
    // Every box the window and its dialogs show goes through the relay layer first.
    if (ports_.messages) {
        safeMessages_ = std::make_unique<RelaySafeMessages>(*ports_.messages, rotator_->relays);
        ports_.messages = safeMessages_.get();
    }
    tracking_ = std::make_unique<TrackingController>(*this);
    stations_ = std::make_unique<StationsController>(*this);
    settings_ = std::make_unique<SettingsController>(*this);
    satellites_ = std::make_unique<SatellitesController>(*this);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Timer2, &QTimer::timeout, this, [this] { rotator_->Timer2_Timer(); });
    connect(Timer3, &QTimer::timeout, this, [this] { rotator_->Timer3_Timer(); });
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &Form1::FollowRelaysWithTimer3);
    connect(Picture1, &SkyMapWidget::MouseDown, this,
            [this](int, int, double x, double y) { Picture1_MouseDown(x, y); });
    ConnectMapMenus();
    setFixedHeight(Px(6360) + menuBar()->sizeHint().height());
    SetWindowWidthTwips(5300);
}

Form1::~Form1() = default;

const ControlDeadman* Form1::deadman() const {
    return boardOwner_.get();
}

void Form1::BuildTimers() {
    auto make = [this](const char* name, int interval, bool enabled) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QLatin1String(name));
        timer->setInterval(interval);
        if (enabled)
            timer->start();
        return timer;
    };
    // The tracking cycle waits for start-up; the others run from the moment the window exists, Timer3
    // only while the relay of an axis without a motor on the board is on (it has nothing to do
    // otherwise, and its ten wake-ups a second cost).
    Timer1 = make("Timer1", 1000, false);
    Timer2 = make("Timer2", 800, true);
    Timer3 = make("Timer3", 100, false);
    Timer4 = make("Timer4", 15000, true);
}

void Form1::FollowRelaysWithTimer3() {
    // The simulated count of an axis stands for a motor that is not on the board; an axis on the board
    // is measured there and its simulated count is never read.
    const auto simulated = [](const QString& motorText) { return motorText != QLatin1String("1"); };
    const bool azimuthMoving = simulated(state_.AzimuthMotorText) && (state_.piob4 == 1 || state_.piob5 == 1);
    const bool elevationMoving =
        simulated(state_.ElevationMotorText) && (state_.piob6 == 1 || state_.piob7 == 1);
    const bool wanted = timersRunning_ && !ended_ && (azimuthMoving || elevationMoving);
    if (wanted == Timer3->isActive())
        return;
    if (wanted)
        Timer3->start();
    else
        Timer3->stop();
}

void Form1::StopTimers() {
    timersRunning_ = false;
    for (QTimer* t : {Timer1, Timer2, Timer3, Timer4})
        t->stop();
}

void Form1::StartTimers() {
    timersRunning_ = true;
    for (QTimer* t : {Timer1, Timer2, Timer4})
        t->start();
    FollowRelaysWithTimer3();
}

void Form1::SetWindowWidthTwips(int twips) {
    const int width = Px(twips);
    setFixedWidth(width);
    for (QWidget* w : informationPanel_)
        w->setVisible(w->geometry().right() < width);
}

void Form1::SetLeft(const QString& text) {
    if (trace_)
        trace_->Line(QStringLiteral("status L ") + text);
    Label24->setText(text);
}

void Form1::SetRight(const QString& text) {
    if (trace_)
        trace_->Line(QStringLiteral("status R ") + text);
    Label25->setText(text);
}

bool Form1::Form_Load() {
    return Form_Load(ProfileDocument::Read(settingsPath_));
}

bool Form1::Form_Load(const ProfileDocument& settings) {
    // 1-3: narrow window, command buttons disabled until the antenna is known to be in range. The
    // settings and help menus wait for that too, as they do during any operation.
    SetWindowWidthTwips(5300);
    for (QPushButton* b : {Command2, Command3, Command4, Command5, Command6})
        b->setEnabled(false);
    menuset->setEnabled(false);
    menuhelp->setEnabled(false);
    state_.module.SettingsDialogOpen = QStringLiteral("0");

    // 4: one copy only, one program per board; the running one is left alone.
    if (instanceRefusal_) {
        if (const auto refusal = instanceRefusal_()) {
            ports_.messages->ShowMessage(*refusal);
            ended_ = true;
            endHandler_(0);
            return false;
        }
    }

    // 9 (its reading): the settings, for the board's address and the axes on it.
    QStringList problems = ReadStartupSettings(state_, settings);
    problems += ReadTrackingSettings(state_.tracking, settings);
    problems += RefuseUnreadableTravel(state_.tracking, state_);
    ports_.board->SetAddress(state_.module.BoardAddress);

    // 7: relays cleared, on the board too, before anything can hold start-up up: a copy that was killed
    // or a computer that lost its power may have left a motor running.
    state_.ScheduleRunning = 0;
    ClearRelaysAtStart();

    // 5: the data server.
    if (!OpenDataLinks())
        return false;

    // 6: the tracking cycle. It starts at the end of start-up: a message box shown by a later step runs
    // the event loop, and a cycle then would measure with settings not yet read.

    // 8: the map picture.
    LoadMapPicture();

    // 9: the window's place and what the settings and the board have to say.
    if (state_.tracking.AnySet()) {
        // A satellite chosen in the dialog, a download or a new location is planned at once, not after
        // a restart.
        tracking_->cycle().passTargets().Load(settings, settingsPath_);
        planWatch_ = std::make_unique<SettingsWatch>(settingsPath_);
        connect(planWatch_.get(), &SettingsWatch::Changed, this,
                [this] { tracking_->cycle().passTargets().Load(planWatch_->settings(), settingsPath_); });
    }
    ApplyWindowPosition();
    for (const QString& problem : problems)
        ports_.messages->ShowMessage(problem);
    if (boardMessages_) {
        QStringList messages;
        if (boardOwner_)
            boardOwner_->Exclusive([&](IoBoard&) { messages = boardMessages_(); });
        else
            messages = boardMessages_();
        for (const QString& message : messages)
            ports_.messages->ShowMessage(message);
    }

    // 10-11: station list and the map background.
    LoadStations();
    RedrawMap();

    // 12-13: working numbers.
    DeriveWorkingValues(state_);
    state_.AbortRequested = 0;

    // 14-15: the first target.
    tracking_->cycle().TakeTarget();
    rotator_->positioning.MarkTargetPositioned();
    state_.StartupState = 1;
    state_.AzimuthReturning = 0;
    state_.ElevationReturning = 0;
    if (!ended_) {
        Timer1->start();
        // A tracker with no satellite configured: the choice is offered rather than a placeholder tracked.
        satellites_->OfferAtFirstStart();
    }
    return !ended_;
}

void Form1::ClearRelaysAtStart() {
    // Read back first where the board can (Modbus Read Coils), only for the axes on the board.
    static const struct {
        int bit;
        bool azimuth;
        const char* name;
    } relays[] = {{4, true, "右回転"}, {5, true, "左回転"}, {6, false, "ＵＰ"}, {7, false, "ＤＯＷＮ"}};
    QStringList foundOn;
    bool readBack = false;
    for (const auto& relay : relays) {
        const QString& motor = relay.azimuth ? state_.AzimuthMotorText : state_.ElevationMotorText;
        if (motor != QLatin1String("1"))
            continue;
        const auto level = ports_.board->ReadOutputBit(6, relay.bit);
        // A module that does not answer the read-back (no Read Coils, or not at all) is not asked for
        // the other coils: the off must not wait for a time-out per coil.
        readBack = !level.error;
        if (level.error)
            break;
        if (level.count != 0)
            foundOn << QString::fromUtf8(relay.name);
    }
    // A module that reads its coils back is asked again while running, so a coil that is on against
    // the program's word is found and switched off.
    if (boardOwner_)
        boardOwner_->ReadBackCoils(readBack);
    SwitchAllRelaysOff();
    if (!foundOn.isEmpty()) {
        SetLeft(QStringLiteral("7.起動時に%1のリレーがオンでした").arg(foundOn.join(QStringLiteral("・"))));
        SetRight(rotator_->relays.MayBeOn() ? QStringLiteral("すべてのリレーをオフにする指令を送っています")
                                            : QStringLiteral("すべてのリレーをオフにしました"));
    }
}

void Form1::ApplyWindowPosition() {
    auto position = ParseWindowPosition(state_.module.WindowPositionText);
    if (!position)
        position = DefaultWindowPosition;
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    move(PlaceOnScreens(QRect(QPoint(Px(position->left), Px(position->top)), size()), screens));
}

SkyMapPainter& Form1::mapPainter() {
    return Picture1->painter();
}

void Form1::ShowDataBoxes() {
    for (int i = 1; i < 20; ++i) {
        if (i != 16 && i != 17 && Text[i])
            if (Text[i]->text() != state_.DataBox[i]) // an unchanged box need not repaint
                Text[i]->setText(state_.DataBox[i]);
    }
}

void Form1::EnableSettingsMenuWhenNoStepParked() {
    settingsMenuWaitsForStep_ = rotator_->positioning.StepRunning();
    menuset->setEnabled(!settingsMenuWaitsForStep_);
}

void Form1::PositioningStepEnded() {
    if (!settingsMenuWaitsForStep_)
        return;
    settingsMenuWaitsForStep_ = false;
    // Only when nothing has started since the stop that left it waiting.
    if (!ended_ && state_.OperatingMode == RunMode::Stopped && state_.StartupState == 0 &&
        state_.ScheduleRunning == 0 && state_.module.SettingsDialogOpen != QLatin1String("1"))
        menuset->setEnabled(true);
}

void Form1::SwitchAllRelaysOff() {
    rotator_->relays.SwitchAllOff();
}

void Form1::BeginEnding() {
    if (trace_)
        trace_->Line(QStringLiteral("ending"));
    rotator_->relays.BeginEnding();
}

void Form1::ShutDown() {
    if (shutDownDone_)
        return;
    shutDownDone_ = true;
    CloseDataLinks();
    BeginEnding();
    if (ports_.help)
        ports_.help->Close();
}

void Form1::EndProgram(int exitCode) {
    if (ended_)
        return;
    // Whatever the way out, no motor is left running with nobody watching, and none starts again
    // when a step that was waiting resumes.
    BeginEnding();
    ended_ = true;
    StopTimers();
    // Edits still open in the station editor are saved, not lost with the window.
    stations_->SaveEditorBeforeEnd();
    hide();
    endHandler_(exitCode);
}

void Form1::Command1_Click() {
    ShutDown();
    EndProgram(0);
}

void Form1::menucls_Click() {
    EndProgram(0);
}

void Form1::closeEvent(QCloseEvent* event) {
    // Form_Unload: shut down, then the window goes.
    ShutDown();
    EndProgram(0);
    event->accept();
}

void Form1::MENU_ITI_Click() {
    const QString text = QStringLiteral("%1:%2").arg(y() * TwipsPerPixel).arg(x() * TwipsPerPixel);
    if (!SetINIValue(text, QStringLiteral("F1_TOP_LEFT"), QStringLiteral("WIN_POSITION"), settingsPath_)) {
        SetLeft(QStringLiteral("ウィンドウ位置を保存できませんでした"));
        SetRight(QStringLiteral("書き込めないファイル: ") + settingsPath_);
        return;
    }
    state_.module.WindowPositionText = text;
}

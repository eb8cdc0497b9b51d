// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/TrackingController.h"

#include "common/MessageSink.h"
#include "links/DdeLinks.h"
#include "mainwindow/FittedLabelText.h"
#include "mainwindow/Form1.h"
#include "mainwindow/StationsController.h"
#include "rotator/RotatorControl.h"
#include "skymap/SkyMapMarks.h"
#include "skymap/SkyMapWidget.h"
#include "tracking/TrackingCycle.h"
#include "tracking/TrackingRules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

void SetTextColour(QWidget* widget, const QColor& colour) {
    // Once a second for a dozen widgets: a palette set again unchanged would still repaint them.
    const QPalette& now = widget->palette();
    if (now.color(QPalette::WindowText) == colour && now.color(QPalette::Text) == colour)
        return;
    QPalette p = now;
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    widget->setPalette(p);
}

} // namespace

TrackingController::TrackingController(Form1& window) : QObject(&window), window_(window) {
    links_ = std::make_unique<DdeLinks>(window.state(), *window.ports().link, *window.ports().messages);
    cycle_ = std::make_unique<TrackingCycle>(window.state(), window.ports(), *links_, window.rotator(),
                                             window.mapPainter(), *this);
    connect(window.Timer1, &QTimer::timeout, this, &TrackingController::Timer1_Timer);
    connect(window.Option1, &QRadioButton::clicked, this, &TrackingController::Option1_Click);
    connect(window.Option2, &QRadioButton::clicked, this, &TrackingController::Option2_Click);
    connect(window.Option3, &QRadioButton::clicked, this, &TrackingController::Option3_Click);
    connect(window.Option4, &QRadioButton::clicked, this, &TrackingController::Option4_Click);
    connect(window.Command2, &QPushButton::clicked, this, &TrackingController::Command2_Click);
    connect(window.Command3, &QPushButton::clicked, this, &TrackingController::Command3_Click);
    connect(window.Command4, &QPushButton::clicked, this, &TrackingController::Command4_Click);
    connect(window.Check1, &QCheckBox::clicked, this, &TrackingController::Check1_Click);
    connect(window.Check2, &QCheckBox::clicked, this, &TrackingController::Check2_Click);
}

TrackingController::~TrackingController() = default;

bool TrackingController::OpenDdeLinks() {
    const DdeLinks::OpenResult result = links_->OpenDdeLinks();
    window_.ShowDataBoxes();
    if (result == DdeLinks::OpenResult::MustEnd) {
        window_.EndProgram(0);
        return false;
    }
    return true;
}

void TrackingController::CloseDdeLinks() {
    links_->CloseDdeLinks();
}

void TrackingController::Timer1_Timer() {
    cycle_->Timer1_Timer();
}

void TrackingController::Option1_Click() {
    cycle_->ChooseTarget(1);
}

void TrackingController::Option2_Click() {
    cycle_->ChooseTarget(2);
}

void TrackingController::Option3_Click() {
    cycle_->ChooseTarget(3);
}

void TrackingController::Option4_Click() {
    cycle_->ChooseTarget(4);
}

void TrackingController::SetMenusEnabled(bool enabled) {
    window_.menuset->setEnabled(enabled);
    window_.menuhelp->setEnabled(enabled);
}

void TrackingController::Command2_Click() {
    MainState& s = window_.state();
    Form1::SetButtonBusy(window_.Command2, true);
    for (QPushButton* b : {window_.Command3, window_.Command5, window_.Command6})
        Form1::SetButtonBusy(b, false);
    SetMenusEnabled(false);
    if (s.PointMarkShown != 0) {
        s.AbortRequested = 0;
        s.OperatingMode = RunMode::Manual;
        window_.Command4->setEnabled(true);
        for (QPushButton* b : {window_.Command3, window_.Command5, window_.Command6})
            b->setEnabled(false);
        window_.rotator().CheckOperatingRange();
        return;
    }
    window_.ports().messages->ShowMessage(QStringLiteral("アンテナの移動位置を指定してください"));
    SetMenusEnabled(true);
    for (QPushButton* b : {window_.Command2, window_.Command3, window_.Command5, window_.Command6})
        Form1::SetButtonBusy(b, false);
}

void TrackingController::Command3_Click() {
    Form1::SetButtonBusy(window_.Command3, true);
    for (QPushButton* b : {window_.Command2, window_.Command5, window_.Command6})
        Form1::SetButtonBusy(b, false);
    SetMenusEnabled(false);
    window_.Command4->setEnabled(true);
    for (QPushButton* b : {window_.Command2, window_.Command5, window_.Command6})
        b->setEnabled(false);
    // The target kind stays fixed while it is followed: only the selected option remains enabled.
    const int selected = SelectedOption() == 0 ? 4 : SelectedOption();
    QRadioButton* options[] = {window_.Option1, window_.Option2, window_.Option3, window_.Option4};
    for (int i = 0; i < 4; ++i)
        options[i]->setEnabled(i + 1 == selected);
    window_.rotator().EnterAutomaticMode();
}

void TrackingController::Command4_Click() {
    MainState& s = window_.state();
    // The stop acts in this event: every relay that may be on goes off, every lease is void (a step
    // parked in a pulse wait cannot switch anything on when it resumes), and the operation is over.
    window_.rotator().relays.RevokeLeases();
    s.OperatingMode = RunMode::Stopped;
    for (QPushButton* b : {window_.Command3, window_.Command2, window_.Command5, window_.Command6})
        Form1::SetButtonBusy(b, false);
    SetMenusEnabled(true);
    // The settings dialog stops every timer: it waits until no step is parked in a wait.
    window_.EnableSettingsMenuWhenNoStepParked();
    window_.Command4->setEnabled(false);
    for (QPushButton* b : {window_.Command2, window_.Command3, window_.Command5, window_.Command6})
        b->setEnabled(true);
    window_.stations().ClearScheduleDisplay();
    for (QRadioButton* o : {window_.Option1, window_.Option2, window_.Option3, window_.Option4})
        o->setEnabled(true);
    s.ScheduleRunning = 0;
    // A step that resumes after a wait sees this too and goes no further.
    s.AbortRequested = 1;
    ClearAndDrawSkyMap(window_.mapPainter(), s);
    s.PointMarkShown = 0;
    s.ApproachComplete = 0;
}

void TrackingController::Check1_Click() {
    const bool on = window_.Check1->isChecked();
    window_.state().SoundCuesOn = on ? 1 : 0;
    window_.Check1->setText(on ? QStringLiteral("ON") : QStringLiteral("OFF"));
    window_.Check1->setChecked(on);
}

void TrackingController::Check2_Click() {
    const bool shown = window_.Check2->isChecked();
    window_.SetWindowWidthTwips(shown ? 6465 : 5300);
    window_.Check2->setChecked(shown);
}

int TrackingController::SelectedOption() const {
    const QRadioButton* options[] = {window_.Option1, window_.Option2, window_.Option3, window_.Option4};
    for (int i = 0; i < 4; ++i) {
        if (options[i]->isChecked())
            return i + 1;
    }
    return 0;
}

void TrackingController::ShowTargetName(const QString& name) {
    if (window_.Text[17]->text() != name)
        window_.Text[17]->setText(name);
}

void TrackingController::ShowTargetAngles(const QString& azimuthText, const QString& elevationText) {
    // The rotator's angle beside the compass one makes the text twice as long: smaller, never cut.
    ShowFittedText(*window_.lblAz, azimuthText, TargetAnglePointSize);
    ShowFittedText(*window_.lblEl, elevationText, TargetAnglePointSize);
}

void TrackingController::ShowTargetVisibility(bool aboveHorizon) {
    const QColor colour = aboveHorizon ? VisibleYellow : BelowHorizonCyan;
    for (QWidget* w :
         std::initializer_list<QWidget*>{window_.lblAz, window_.lblEl, window_.Text[1], window_.Text[17],
                                         window_.Text[5], window_.Text[6], window_.Text[7], window_.Text[8]})
        SetTextColour(w, colour);
}

void TrackingController::ShowBodyVisibility(int azimuthBox, int elevationBox, bool aboveHorizon) {
    const QColor colour = aboveHorizon ? VisibleYellow : BelowHorizonCyan;
    SetTextColour(window_.Text[azimuthBox], colour);
    SetTextColour(window_.Text[elevationBox], colour);
}

void TrackingController::ShowDataBoxes() {
    window_.ShowDataBoxes();
}

void TrackingController::ShowClocks(const QString& utcText, const QString& localText) {
    window_.Label23->setText(utcText);
    window_.Label18->setText(localText);
}

bool TrackingController::CycleTimerRunning() const {
    return window_.Timer1->isActive();
}

void TrackingController::SetCommandButtonsReady(bool ready) {
    for (QPushButton* b : {window_.Command2, window_.Command3, window_.Command5, window_.Command6})
        b->setEnabled(ready);
    window_.Command4->setEnabled(false);
    // The settings dialog stops the timers: it must not open while the start-up return drives a motor.
    SetMenusEnabled(ready);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/StationsController.h"

#include "common/Clock.h"
#include "common/MessageSink.h"
#include "mainwindow/Form1.h"
#include "rotator/RotatorControl.h"
#include "stations/Form4.h"
#include "stations/Schedule.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

StationsController::StationsController(Form1& window) : QObject(&window), window_(window) {
    connect(window_.Command5, &QPushButton::clicked, this, &StationsController::Command5_Click);
    connect(window_.Command6, &QPushButton::clicked, this, &StationsController::Command6_Click);
    connect(window_.Timer4, &QTimer::timeout, this, &StationsController::Timer4_Timer);
    connect(window_.menukyoku, &QAction::triggered, this, &StationsController::menukyoku_Click);
}

void StationsController::LoadStationList() {
    Stations_.clear();
    window_.Combo1->clear();
    const StationFileContents contents = ReadStationFile(path_);
    for (const StationRecord& station : contents.stations) {
        window_.Combo1->addItem(ComboLine(station));
        Stations_ << station;
    }
    window_.Combo1->setCurrentIndex(-1);
    if (contents.Damaged())
        window_.ports().messages->ShowMessage(SetAsideMessage(path_, contents));
}

void StationsController::PaintCombo(const QColor& colour) {
    // A closed chooser is drawn with the button colour, an open or editable one with the base colour.
    QPalette p = window_.Combo1->palette();
    p.setColor(QPalette::Button, colour);
    p.setColor(QPalette::Base, colour);
    window_.Combo1->setPalette(p);
}

void StationsController::SetStationButtonsBusy(bool command5Busy, bool command6Busy) {
    Form1::SetButtonBusy(window_.Command5, command5Busy);
    Form1::SetButtonBusy(window_.Command6, command6Busy);
    Form1::SetButtonBusy(window_.Command2, false);
    Form1::SetButtonBusy(window_.Command3, false);
}

void StationsController::DisableSetupMenus() {
    window_.menuset->setEnabled(false);
    window_.menuhelp->setEnabled(false);
}

void StationsController::Command5_Click() {
    SetStationButtonsBusy(true, false);
    SelectedStationIndex = static_cast<std::int16_t>(window_.Combo1->currentIndex());
    if (SelectedStationIndex < 0 || SelectedStationIndex >= StationCount()) {
        SelectedStationIndex = -1;
        window_.ports().messages->ShowMessage(QStringLiteral("無線局が選択されていません"));
        SetStationButtonsBusy(false, false);
        return;
    }
    MainState& state = window_.state();
    AimAtStation(state, Stations_.at(SelectedStationIndex));
    DisableSetupMenus();
    state.PointMarkShown = 1;
    state.OperatingMode = RunMode::Manual;
    state.AbortRequested = 0;
    window_.Command4->setEnabled(true);
    for (QPushButton* b : {window_.Command2, window_.Command3, window_.Command6})
        b->setEnabled(false);
    window_.rotator().CheckOperatingRange();
}

void StationsController::Command6_Click() {
    SetStationButtonsBusy(false, true);
    window_.state().ScheduleRunning = 1;
    window_.Command4->setEnabled(true);
    for (QPushButton* b : {window_.Command2, window_.Command3, window_.Command5})
        b->setEnabled(false);
    PaintCombo(QColor(128, 255, 128));
    for (QRadioButton* o : {window_.Option1, window_.Option2, window_.Option3, window_.Option4})
        o->setEnabled(false);
    DisableSetupMenus();
}

void StationsController::Timer4_Timer() {
    MainState& state = window_.state();
    if (state.ScheduleRunning == 0)
        return;
    window_.Command4->setEnabled(true);
    for (QPushButton* b : {window_.Command2, window_.Command3, window_.Command5})
        b->setEnabled(false);
    const int now = MinuteOfDay(window_.ports().clock->LocalNow());
    window_.Combo1->setCurrentIndex(-1);
    if (window_.Combo1->count() == 0) {
        // Nothing to schedule: the buttons come back, the schedule flag stays.
        window_.Command4->setEnabled(false);
        for (QPushButton* b : {window_.Command2, window_.Command3, window_.Command5})
            b->setEnabled(true);
        SetStationButtonsBusy(false, false);
        return;
    }
    const int i = FindScheduledStation(Stations_, now);
    if (i < 0)
        return;
    window_.Combo1->setCurrentIndex(i);
    AimAtStation(state, Stations_.at(i));
    DisableSetupMenus();
    window_.Command4->setEnabled(true);
    for (QPushButton* b : {window_.Command2, window_.Command3, window_.Command5})
        b->setEnabled(false);
    StartScheduledStation(i);
}

void StationsController::StartScheduledStation(int index) {
    if (index < 0 || index >= StationCount())
        return;
    MainState& state = window_.state();
    if (!ScheduleStartsTracking(Stations_.at(index), state.TargetName)) {
        state.PointMarkShown = 1;
        state.AbortRequested = 0;
        state.OperatingMode = RunMode::Manual;
        window_.rotator().CheckOperatingRange();
        return;
    }
    LockTargetChoice();
    window_.rotator().EnterAutomaticMode();
}

void StationsController::LockTargetChoice() {
    for (QRadioButton* o : {window_.Option1, window_.Option2, window_.Option3, window_.Option4})
        o->setEnabled(o->isChecked());
}

void StationsController::ClearScheduleDisplay() {
    PaintCombo(Qt::white);
    window_.Combo1->setCurrentIndex(-1);
}

void StationsController::menukyoku_Click() {
    if (editor_) {
        editor_->show();
        editor_->raise();
        editor_->activateWindow();
        return;
    }
    editor_ = new Form4(
        *window_.ports().messages, path_, [this] { DemandRestart(); }, &window_);
    editor_->setAttribute(Qt::WA_DeleteOnClose);
    editor_->show();
}

void StationsController::SaveEditorBeforeEnd() {
    if (!editor_ || !editor_->HasUnsavedChanges())
        return;
    const QString problem = editor_->TrySaveStationList();
    if (!problem.isEmpty())
        window_.ports().messages->ShowMessage(problem +
                                              QStringLiteral("\n局リストの変更は保存されていません。"));
}

void StationsController::DemandRestart() {
    // The program ends at once after the message: nothing may switch a relay on from here.
    window_.BeginEnding();
    window_.ports().messages->ShowMessage(EditorRestartMessage);
    window_.EndProgram(0);
}

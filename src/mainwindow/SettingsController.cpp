// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/SettingsController.h"

#include "common/HelpViewer.h"
#include "common/MainState.h"
#include "common/MessageSink.h"
#include "common/Ports.h"
#include "config/SettingsDialogLogic.h"
#include "mainwindow/Form1.h"
#include "mainwindow/Form3.h"
#include "mainwindow/HelpWindow.h"
#include "rotator/RotatorControl.h"
#include "settingsdialog/Form2.h"

#include <QAction>
#include <QPushButton>
#include <QTimer>

SettingsController::SettingsController(Form1& window) : QObject(&window), window_(window) {
    connect(window_.menuhoseiti, &QAction::triggered, this, &SettingsController::menuhoseiti_Click);
    connect(window_.menusousa, &QAction::triggered, this, &SettingsController::menusousa_Click);
    connect(window_.menuhome, &QAction::triggered, this, &SettingsController::menuhome_Click);
    connect(window_.menuver, &QAction::triggered, this, &SettingsController::menuver_Click);
    if (!window_.ports().help) {
        ownHelp_ = std::make_unique<HelpWindow>();
        window_.ports().help = ownHelp_.get();
    }
}

SettingsController::~SettingsController() {
    if (ownHelp_ && window_.ports().help == ownHelp_.get())
        window_.ports().help = nullptr;
}

Form2* SettingsController::settingsDialog() const {
    return form2_;
}

Form3* SettingsController::versionBox() const {
    return form3_;
}

void SettingsController::menuhoseiti_Click() {
    if (form2_) {
        // Already open: bring it forward rather than load a second one over the first.
        form2_->raise();
        form2_->activateWindow();
        return;
    }
    // A step parked in a wait would resume under the dialog, with every timer stopped: the menu is not
    // offered then, and a shortcut that reaches it anyway is ignored.
    if (window_.rotator().positioning.StepRunning())
        return;
    // The timers stop below: the relay layer holds every relay off (and voids every lease) until the
    // dialog is closed, whatever runs meanwhile.
    window_.rotator().relays.BeginHoldOff();
    holding_ = true;
    for (QPushButton* b : {window_.Command3, window_.Command2, window_.Command6, window_.Command5})
        b->setEnabled(false);
    window_.state().module.SettingsDialogOpen = QStringLiteral("1");
    window_.StopTimers();

    const Ports& ports = window_.ports();
    form2_ = new Form2(window_.state().module, ports.board, ports.messages, window_.settingsPath(), &window_);
    form2_->setAttribute(Qt::WA_DeleteOnClose);
    connect(form2_, &Form2::ClosedWithoutSave, this, &SettingsController::GiveBackMainWindow);
    connect(form2_, &Form2::RestartDemanded, this, &SettingsController::DemandRestart);
    form2_->show();
    form2_->Form_Load();
}

void SettingsController::ReleaseHold() {
    if (holding_)
        window_.rotator().relays.EndHoldOff();
    holding_ = false;
}

void SettingsController::GiveBackMainWindow() {
    ReleaseHold();
    MainState& state = window_.state();
    if (state.StartupState == 0) {
        for (QPushButton* b : {window_.Command3, window_.Command2, window_.Command6, window_.Command5})
            b->setEnabled(true);
    } else {
        // The antenna is not known to be in range yet (the dialog may even have moved the range): the
        // next cycle measures afresh and takes up the return; the buttons wait for its end.
        state.StartupState = 1;
    }
    state.module.SettingsDialogOpen = QStringLiteral("0");
    window_.StartTimers();
}

void SettingsController::DemandRestart() {
    // The program ends after the message: nothing may switch a relay on from here.
    window_.BeginEnding();
    ReleaseHold(); // the ending's latch holds from here
    window_.ports().messages->ShowMessage(QString::fromUtf8(RestartMessage));
    window_.EndProgram(0);
}

void SettingsController::menusousa_Click() {
    if (window_.ports().help)
        window_.ports().help->ShowContents();
}

void SettingsController::menuhome_Click() {
    const QString address = HomePageUrl();
    if (address.isEmpty()) {
        window_.ports().messages->ShowMessage(
            QStringLiteral("ホームページ（ヘルプの目次 help/index.html）が見つかりません。"));
        return;
    }
    // Without a browser (none installed, a bare SSH session) the user still gets the address.
    if (!window_.ports().browser || !window_.ports().browser->OpenAddress(address))
        window_.ports().messages->ShowMessage(HomePageUnopenedMessage(address));
}

void SettingsController::menuver_Click() {
    if (!form3_)
        form3_ = new Form3(&window_);
    form3_->show();
    form3_->raise();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tracking/TrackingView.h"

#include <QObject>
#include <memory>

class Form1;
class DdeLinks;
class TrackingCycle;

// The main window's tracking side: the data links, the once-a-second tracking cycle, the target
// options, the operating-mode buttons, the sound cues and the information panel. The decisions live
// in tracking/ (TrackingCycle, TrackingRules, VisibilityCue); this class connects the widgets.
class TrackingController : public QObject, public TrackingView {
    Q_OBJECT

  public:
    explicit TrackingController(Form1& window);
    ~TrackingController() override;

    // Start-up: link the data boxes to ORBI, else Calsat32. False when the program has ended.
    bool OpenDdeLinks();
    // Shut-down: every link closed.
    void CloseDdeLinks();

    // Timer1: one tracking cycle.
    void Timer1_Timer();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    // Manual, automatic and abort buttons.
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    // Sound cues on or off; information panel shown or hidden.
    void Check1_Click();
    void Check2_Click();

    TrackingCycle& cycle() { return *cycle_; }
    DdeLinks& links() { return *links_; }

    // TrackingView
    int SelectedOption() const override;
    void ShowTargetName(const QString& name) override;
    void ShowTargetAngles(const QString& azimuthText, const QString& elevationText) override;
    void ShowTargetVisibility(bool aboveHorizon) override;
    void ShowBodyVisibility(int azimuthBox, int elevationBox, bool aboveHorizon) override;
    void ShowDataBoxes() override;
    void ShowClocks(const QString& utcText, const QString& localText) override;
    void SetCommandButtonsReady(bool ready) override;
    void AbortOperation() override { Command4_Click(); }
    bool CycleTimerRunning() const override;

  private:
    void SetMenusEnabled(bool enabled);

    Form1& window_;
    std::unique_ptr<DdeLinks> links_;
    std::unique_ptr<TrackingCycle> cycle_;
};

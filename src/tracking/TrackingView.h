// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What the tracking cycle needs of the main window. The window implements it over its widgets;
// tests record the calls.
class TrackingView {
  public:
    virtual ~TrackingView() = default;

    // The selected target option: 1 satellite, 2 Sun, 3 Moon, 4 Mars, 0 none.
    virtual int SelectedOption() const = 0;
    // Text17.
    virtual void ShowTargetName(const QString& name) = 0;
    // lblAz and lblEl.
    virtual void ShowTargetAngles(const QString& azimuthText, const QString& elevationText) = 0;
    // Text colour of lblAz, lblEl, Text1, Text17, Text5..Text8: yellow above the horizon, else cyan.
    virtual void ShowTargetVisibility(bool aboveHorizon) = 0;
    // Text colour of one body's pair of boxes (Text12/13, Text14/15, Text18/19).
    virtual void ShowBodyVisibility(int azimuthBox, int elevationBox, bool aboveHorizon) = 0;
    // The data boxes' texts from the state.
    virtual void ShowDataBoxes() = 0;
    // Label23 (UTC) and Label18 (local).
    virtual void ShowClocks(const QString& utcText, const QString& localText) = 0;
    // Command2, Command3, Command5, Command6 enabled and Command4 disabled (ready), or all five disabled;
    // the settings and help menus follow (enabled only when ready).
    virtual void SetCommandButtonsReady(bool ready) = 0;
    // The abort button's work (buttons and menus back to idle, AbortRequested set).
    virtual void AbortOperation() = 0;
    // Whether Timer1 still runs. A cycle waiting for the server's answers does not go on once the
    // timer has been stopped (settings dialog open, program ending).
    virtual bool CycleTimerRunning() const = 0;
};

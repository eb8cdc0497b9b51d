// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>

// What the rotator routines need from the main window: everything visual or owned by the window.
// The main window implements it; tests use a recording fake. All calls come from the event-loop
// thread, and none of them may call back into the rotator routines except Command4_Click, which
// only changes window and state flags.
class RotatorView {
  public:
    virtual ~RotatorView() = default;

    // Fill of the relay indicators Shape1..Shape4 (right turn, left turn, up, down): solid when on.
    virtual void ShowRelayIndicators(bool right, bool left, bool up, bool down) = 0;

    // Label26 (present azimuth) and Label27 (present elevation), already formatted.
    virtual void ShowPresentAngles(const QString& azimuthText, const QString& elevationText) = 0;

    // Present values of the temporary-correction sliders, whole degrees -5..5:
    // Slider2 (azimuth) and Slider1 (elevation). Read afresh at every use.
    virtual int AzimuthSliderValue() = 0;
    virtual int ElevationSliderValue() = 0;

    // Map marks, in twips of Picture1 (origin top-left, y down).
    // The pointed position: a white circle of radius 50 and a circle of radius 10 in `inner`
    // ((150, 155, 0) after a measurement, yellow (255, 255, 0) from the range check and the pulse move).
    virtual void DrawPointedPositionMark(double x, double y, const QColor& inner) = 0;
    // The antenna pointing at this map direction (compass azimuth 0..360, elevation; see
    // MapPointingDirection): the map projects it into its own twips.
    virtual void DrawAntennaMark(double azimuth, double elevation) = 0;
    // The Sun, Moon and Mars marks the menus switched on.
    virtual void DrawSunMoonMars() = 0;

    // A manual operation reached its target: Command4 disabled; menuset and menuhelp enabled;
    // Command2, Command3, Command5, Command6 enabled and given the button-face colour.
    // (PointMarkShown and OperatingMode are cleared by the caller.)
    virtual void FinishManualOperation() = 0;

    // The abort button's handler, run after a refused manual position.
    virtual void Command4_Click() = 0;

    // A positioning step (manual or automatic) has returned, waits included.
    virtual void PositioningStepEnded() {}

    // Ends the program at once, without the shut-down routine (after a fatal calibration message;
    // the relays are already off by then).
    virtual void EndProgram() = 0;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rotator/AngleMeasurement.h"
#include "rotator/MotionWatch.h"
#include "rotator/OperationLog.h"
#include "rotator/Positioning.h"
#include "rotator/RelayOutputs.h"

// Everything the main window calls for the rotators, built over one MainState, one Ports and the
// window's RotatorView. The parts are public so callers reach every routine by its own name.
class RotatorControl {
  public:
    RotatorControl(MainState& state, Ports& ports, RotatorView& view)
        : relays(state, ports, view), log(state, ports, relays),
          positioning(state, ports, view, relays, log, watch),
          measurement(state, ports, view, relays, log, positioning, watch) {
        relays.ReportMotorsTo(&watch);
    }

    MotionWatch watch;
    RelayOutputs relays;
    OperationLog log;
    Positioning positioning;
    AngleMeasurement measurement;

    void PositionAntenna(std::function<void()> then = {}) { measurement.PositionAntenna(std::move(then)); }
    void Timer2_Timer() { positioning.Timer2_Timer(); }
    void Timer3_Timer() { relays.Timer3_Timer(); }
    void CheckOperatingRange() { positioning.CheckOperatingRange(); }
    void StartAutoTracking() { positioning.BeginAutoTracking(); }
    void EnterAutomaticMode() { positioning.EnterAutomaticMode(); }
    void OutputAzimuthRelays() { relays.OutputAzimuthRelays(); }
    void OutputElevationRelays() { relays.OutputElevationRelays(); }
    void ShowRelayIndicators() { relays.ShowRelayIndicators(); }
};

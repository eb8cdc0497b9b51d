// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/MainState.h"
#include "rotator/RotatorControl.h"
#include "rotator/RotatorView.h"
#include "support/FakePorts.h"
#include "support/ScenarioForTests.h"

#include <gtest/gtest.h>

// Keeps what the routines last asked of the window.
class RecordingView : public RotatorView {
  public:
    int azimuthSlider = 0, elevationSlider = 0;
    QString azimuthText, elevationText;
    double antennaAzimuth = 0, antennaElevation = 0;
    int antennaDraws = 0, finished = 0, aborts = 0, ends = 0;

    void ShowRelayIndicators(bool, bool, bool, bool) override {}
    void ShowPresentAngles(const QString& a, const QString& e) override {
        azimuthText = a, elevationText = e;
    }
    int AzimuthSliderValue() override { return azimuthSlider; }
    int ElevationSliderValue() override { return elevationSlider; }
    void DrawPointedPositionMark(double, double, const QColor&) override {}
    void DrawAntennaMark(double azimuth, double elevation) override {
        antennaAzimuth = azimuth, antennaElevation = elevation, ++antennaDraws;
    }
    void DrawSunMoonMars() override {}
    void FinishManualOperation() override { ++finished; }
    void Command4_Click() override { ++aborts; }
    void EndProgram() override { ++ends; }
};

// Where a scenario starts: the relays as the relay layer would have left them.
inline void SetRelay(OwnedBy<std::int16_t, RelayOutputs>& level, int value) {
    SetOwned(level, static_cast<std::int16_t>(value));
}

// Both axes read once, as the first measurement reads them: until then nothing may switch their relays.
inline void ReadBothAxes(RotatorControl& control, std::int64_t nowMs = 0) {
    control.watch.Reading(MotionWatch::Azimuth, 512, 180, nowMs);
    control.watch.Reading(MotionWatch::Elevation, 256, 45, nowMs);
}

// State with the settings defaults, fakes all round, both axes on the (recording) board and read once.
class RotatorTest : public ::testing::Test {
  protected:
    RotatorTest() {
        state.AzimuthMotorText = state.ElevationMotorText = QStringLiteral("1");
        state.AzimuthVolt0Text = state.ElevationVolt0Text = QStringLiteral("0");
        state.AzimuthVolt360Text = QStringLiteral("5");
        state.ElevationVolt90Text = QStringLiteral("2.5");
        state.AzimuthTolerance = state.ElevationTolerance = 1.5;
        state.module.DelaySwitch = QStringLiteral("0");
        ReadBothAxes(rotator);
    }

    // Leases for both axes, as a step holds them while it drives (relay variables set by hand are
    // written on only under one).
    void HoldLeases() {
        rotator.relays.Renew(rotator.relays.TakeLease(), MotionWatch::Azimuth);
        rotator.relays.Renew(rotator.relays.TakeLease(), MotionWatch::Elevation);
    }

    using Write = RecordingBoard::Write;
    std::vector<Write> Writes() const { return world.board.writes; }
    bool Relays(int r, int l, int u, int d) const {
        return state.piob4 == r && state.piob5 == l && state.piob6 == u && state.piob7 == d;
    }

    FakeWorld world;
    Ports ports = world.ports();
    MainState state;
    RecordingView view;
    RotatorControl rotator{state, ports, view};
};

#pragma once

#include "common/MainState.h"
#include "rotator/RotatorControl.h"
#include "rotator/RotatorView.h"
#include "support/FakePorts.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

// Records what the routines asked of the window.
class RecordingView : public RotatorView {
  public:
    QStringList calls;
    int azimuthSlider = 0, elevationSlider = 0;
    bool indicators[4] = {false, false, false, false};
    QString azimuthText, elevationText;
    double antennaX = 0, antennaY = 0;
    int finished = 0, aborts = 0, ends = 0;
    std::function<void()> onAbort;

    void ShowRelayIndicators(bool r, bool l, bool u, bool d) override {
        indicators[0] = r, indicators[1] = l, indicators[2] = u, indicators[3] = d;
        calls << QStringLiteral("indicators %1%2%3%4").arg(r).arg(l).arg(u).arg(d);
    }
    void ShowPresentAngles(const QString& a, const QString& e) override {
        azimuthText = a, elevationText = e;
        calls << QStringLiteral("angles %1 %2").arg(a, e);
    }
    int AzimuthSliderValue() override { return azimuthSlider; }
    int ElevationSliderValue() override { return elevationSlider; }
    void DrawPointedPositionMark(double x, double y, const QColor& c) override {
        calls << QStringLiteral("pointed %1 %2 %3").arg(x).arg(y).arg(c.name());
    }
    void DrawAntennaMark(double cx, double cy, double x, double y) override {
        antennaX = x, antennaY = y;
        calls << QStringLiteral("antenna %1 %2").arg(cx).arg(cy);
    }
    void DrawSunMoonMars() override { calls << QStringLiteral("bodies"); }
    void FinishManualOperation() override {
        ++finished;
        calls << QStringLiteral("finish");
    }
    void Command4_Click() override {
        ++aborts;
        calls << QStringLiteral("abort");
        if (onAbort)
            onAbort();
    }
    void EndProgram() override {
        ++ends;
        calls << QStringLiteral("end");
    }
};

// State with the settings defaults, fakes all round, both axes on the (recording) board.
class RotatorTest : public ::testing::Test {
  protected:
    RotatorTest() {
        state.AzimuthMotorText = QStringLiteral("1");
        state.ElevationMotorText = QStringLiteral("1");
        state.AzimuthVolt0Text = QStringLiteral("0");
        state.AzimuthVolt360Text = QStringLiteral("5");
        state.ElevationVolt0Text = QStringLiteral("0");
        state.ElevationVolt90Text = QStringLiteral("2.5");
        state.AzimuthTolerance = 1.5;
        state.ElevationTolerance = 1.5;
        state.module.DelaySwitch = QStringLiteral("0");
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

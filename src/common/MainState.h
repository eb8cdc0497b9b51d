// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/OwnedBy.h"
#include "common/RunMode.h"
#include "common/TrackingOptions.h"

#include <QString>
#include <array>
#include <cstdint>

class AngleMeasurement;
class Positioning;
class RelayOutputs;
class TrackingCycle;

// Values shared by the main window and the settings dialog: one copy each. The dialog writes the
// ranges and delay values as soon as a slider accepts them, so they act in the running window.
struct ModuleState {
    double ElevationRangeMin = 0;
    double ElevationRangeMax = 90;
    double AzimuthRangeMin = 0;
    double AzimuthRangeMax = 360;
    QString ElevationRangeText;
    QString AzimuthRangeText;
    QString DelaySetting;
    QString DelaySwitch;
    float DelaySeconds = 0;
    QString BoardAddress;
    QString WindowPositionText;
    QString SettingsDialogOpen = QStringLiteral("0");
    QString DebugLogSwitch; // "1" while the operation log is written
};

// The main window's shared variables, owned by the main window and passed by reference to the
// routines of every subsystem. Names are the ones the whole program uses. A field declared
// OwnedBy<T, Owner> is read by all and written by its owner alone; the rest any routine may set.
struct MainState {
    ModuleState module;

    // Settings kept as text (read at start-up).
    QString AzimuthStartPoint = QStringLiteral("0");
    QString ElevationCorrectionText, AzimuthCorrectionText;
    QString ElevationVolt0Text, ElevationVolt90Text;
    QString AzimuthVolt0Text, AzimuthVolt360Text;
    QString AzimuthToleranceText, ElevationToleranceText;
    QString AzimuthToleranceTenthsText, ElevationToleranceTenthsText;
    QString AzimuthMotorText, ElevationMotorText;

    // Stall and sensor watch (section WATCH): on unless switched off; relay seconds allowed without
    // 1 degree of movement.
    bool StallWatchOn = true;
    double StallSeconds = 10;

    // Pass following (section TRACKING): lead, pre-positioning and the extended travel.
    TrackingOptions tracking;
    PlannedTarget planned;

    // Working numbers derived from the settings.
    double AzimuthCorrection = 0, ElevationCorrection = 0;
    double AzimuthTolerance = 0, ElevationTolerance = 0;
    double AzimuthToleranceTenths = 0, ElevationToleranceTenths = 0;
    double MapCentreX = 1380, MapCentreY = 1350;

    // Relays: 0 off, 1 on, with the copies saved while an axis is stopped for a quiet reading.
    // Owner: RelayOutputs.
    OwnedBy<std::int16_t, RelayOutputs> piob4, piob5, piob6, piob7;
    OwnedBy<std::int16_t, RelayOutputs> sv_piob4, sv_piob5, sv_piob6, sv_piob7;
    std::int16_t SimulatedAzimuthCount = 0, SimulatedElevationCount = 0;

    // The target of the selected option, and the aim it had a cycle before. Owner: TrackingCycle.
    OwnedBy<QString, TrackingCycle> TargetName;
    OwnedBy<double, TrackingCycle> TargetAzimuth, TargetElevation;
    OwnedBy<double, TrackingCycle> PreviousTargetAzimuth, PreviousTargetElevation;
    // The target the automatic approach was last started for. Owner: Positioning.
    OwnedBy<QString, Positioning> PositionedTargetName;
    // The antenna's angles as last measured. Owner: AngleMeasurement.
    OwnedBy<double, AngleMeasurement> PresentAzimuth, PresentElevation;

    // Temporary corrections of the "一時補正" sliders (Slider2 azimuth, Slider1 elevation), -5..5.
    int AzimuthTempCorrection = 0, ElevationTempCorrection = 0;

    RunMode OperatingMode = RunMode::Stopped;
    std::int16_t AbortRequested = 0;
    std::int16_t ApproachComplete = 0;
    std::int16_t StartupState = 1;
    std::int16_t AzimuthReturning = 0, ElevationReturning = 0;
    std::int16_t ScheduleRunning = 0;
    std::int16_t UsingCalsat = 0;
    std::int16_t SoundCuesOn = 0;

    // Position pointed on the map or taken from a station.
    double PointedAzimuth = 0, PointedElevation = 0;
    double PointMarkX = 0, PointMarkY = 0;
    std::int16_t PointMarkShown = 0;

    // Sky-map marks switched from the settings menu.
    bool ShowSun = false, ShowMoon = false, ShowMars = false;

    // The data boxes Text1..Text19 (index = box number; 0 unused). The window mirrors them.
    // Until a box is linked it keeps its design text, its own name ("text19" for Text9).
    std::array<QString, 20> DataBox{};

    MainState() {
        for (int i = 1; i < 20; ++i)
            DataBox[i] = QStringLiteral("Text%1").arg(i);
        DataBox[9] = QStringLiteral("text19");
    }
};

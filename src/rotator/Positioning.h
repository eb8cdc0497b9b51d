// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/RunMode.h"
#include "rotator/RelayOutputs.h"
#include "rotator/TrackingLead.h"

#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

struct MainState;
struct Ports;
class RotatorView;
class OperationLog;
class MotionWatch;

// Bang-bang positioning with a dead band: a motor runs at full speed towards the working target and
// is switched off within the tolerance or past the target; near the target it is only pulsed.
// All comparisons are in the rotator's own angles: the working target is
//   T = AzimuthCorrection + target azimuth + slider (Slider2), held to 0..360,
//   U = ElevationCorrection + target elevation + slider (Slider1), held to 0..90.
//
// A step is an explicit sequence of phases: its pauses (the pulse's 0.15 s on and 0.3 s rest, the
// lead's timed runs) end on the step's own phase timer, never in a nested event loop or a sleep. While a
// step is under way (from its start until its last phase has run) a step that is asked to start returns
// at once. Each phase that follows a pause first checks that its operation is still the current one.
//
// An axis not read yet, or whose last reading failed (MotionWatch::Blind), is left as it is: no routine
// here starts, reverses or stops it on an angle that is not known.
//
// Each step takes the relay layer's lease at its start and switches on only under it. A step that
// resumes after a pulse wait checks first that its operation is still the current one (no abort, box,
// settings dialog or end meanwhile), its mode unchanged and no abort requested, and otherwise returns
// without touching a relay.
//
// A manual move is over only when both axes are within their tolerance (an axis whose target lies
// outside its range, once it is off): until then every step pulses an axis near its target and sets
// going again one that was stopped short of it.
//
// StartAutoTracking and the two steps let a failed board read (BoardFailure) pass to their caller;
// Timer2_Timer and BeginAutoTracking catch it and show it with "4.".
class Positioning {
  public:
    Positioning(MainState& state, Ports& ports, RotatorView& view, RelayOutputs& relays, OperationLog& log,
                const MotionWatch& watch);

    // Manual start for the pointed position (buttons 手動, 選局 and the schedule): refuses a target
    // outside the operating range with a message and the abort handler, otherwise starts the motors.
    void CheckOperatingRange();

    void ManualPositioningStep();
    void StartAutoTracking();
    void TrackingPositioningStep();
    // The automatic follow-up as a step of its own (the tracking step ends with it).
    void ContinueTracking();

    // The pause of the step under way is over: runs its next phase when it is due. The phase timer
    // calls it; drivers in virtual time call it at NextPhaseDueMs.
    void RunDuePhase();
    std::optional<std::int64_t> NextPhaseDueMs() const;
    static constexpr double PulseOnSeconds = 0.15, PulseRestSeconds = 0.3;

    // Timer2 (800 ms): the step of the current mode.
    void Timer2_Timer();
    // StartAutoTracking for the automatic button and the schedule, with its errors shown ("4.").
    void BeginAutoTracking();
    // Automatic mode from the start: the abort request, the pointed mark and the approach cleared,
    // then BeginAutoTracking.
    void EnterAutomaticMode();

    // The current target becomes the one the approach was made for (start-up, with the first target):
    // from then on a new target, or falling behind this one, starts a fresh approach.
    void MarkTargetPositioned();

    // Within the approach margin (8 degrees manual, 5 automatic); cleared at the start of every step.
    std::int16_t AzimuthNear = 0;
    std::int16_t ElevationNear = 0;

    bool StepRunning() const { return stepRunning_; }

  private:
    // A step starts unless one is under way (false then).
    bool BeginStep();
    // Runs a part of the step; the step ends when the part has scheduled no further phase.
    void RunStepPart(const std::function<void()>& part);
    // The step's next phase, after a pause of the given seconds.
    void Then(double seconds, std::function<void()> phase);
    void Attempt(const std::function<void()>& statement);
    void ManualStepStart();
    void ManualStepEnd(const RelayOutputs::Lease& lease, double T, double U);
    void TrackingStepStart();
    // The pulse towards the pointed position; then() runs after its rest.
    void InchToPointedPosition(const RelayOutputs::Lease& lease, std::function<void()> then);
    void StartAutoTracking(const RelayOutputs::Lease& lease);
    void ContinueTracking(const RelayOutputs::Lease& lease);
    // The follow-up's last phase: leases renewed, a fresh approach when it fell behind.
    void FollowUpEnd(const RelayOutputs::Lease& lease, double T, double U);
    // The step's operation still runs in the given mode, and no abort is pending.
    bool StillCurrent(const RelayOutputs::Lease& lease, RunMode mode) const;
    // Renews the lease of each read axis whose motor the step keeps running.
    void RenewRunning(const RelayOutputs::Lease& lease);
    struct WorkingTarget {
        double T, U;
    };
    WorkingTarget ManualTarget();
    WorkingTarget AutomaticTarget();
    WorkingTarget Working(double azimuth, double elevation);
    void AbortAll();
    // The common start of both steps: clears the near flags and serves an abort request first.
    // False when the step is not to go on.
    bool StepMayGoOn();
    // Automatic mode with the tracker's "no satellite configured" placeholder as its target: every relay
    // off, the operation ended, the reason on the status line; true then.
    bool RefuseUnconfiguredSatellite();
    // Switches off an axis whose antenna is inside the dead band around its target.
    void StopAzimuthInDeadBand(double T);
    void StopElevationInDeadBand(double U);
    // Switches off a running motor whose antenna has reached or passed its target.
    void StopAzimuthThatReached(double T);
    void StopElevationThatReached(double U);
    void FinishManualOperation();
    // Both axes settled and every relay off: the manual move is over.
    bool ManualMoveSettled(double T, double U) const;
    // An axis outside its dead band, with a target in range, whose motor is off.
    bool AxisStoppedShort(double T, double U) const;
    // The axis's last reading was good.
    bool AzimuthSeen() const;
    bool ElevationSeen() const;
    bool AzimuthInRange(double value) const;
    bool ElevationInRange(double value) const;
    void ContinueTrackingSteps();
    // Lead option (TRACKING LEAD=1): the aim point of the automatic target, the speed readings, the
    // follow-up run of each axis for as long as it needs, and the range test of a turn on the antenna
    // itself. Travel past the operating range (AZ_TRAVEL, EL_TRAVEL) widens the limits of T and U.
    WorkingTarget LeadTarget();
    // The automatic target and the one of the cycle before: a pass plan's while one is active.
    struct TargetMotion {
        double azimuth, elevation, previousAzimuth, previousElevation;
    };
    TargetMotion AutomaticMotion() const;
    void NoteSpeeds();
    void RunForAsLongAsNeeded(bool azimuthSet, bool elevationSet, double T, double U, bool azimuthWasOff,
                              bool elevationWasOff, std::function<void()> then);
    // Stops each axis whose run (seconds from the start, -1 for none) ends next, then rests.
    void StopRunsInTurn(std::array<double, 2> runs, double elapsed, std::function<void()> then);
    static constexpr double LongestRun = 0.9, ShortestRun = 0.1;
    double AzimuthLimit() const;
    double ElevationLimit() const;

    MainState& state_;
    Ports& ports_;
    RotatorView& view_;
    RelayOutputs& relays_;
    OperationLog& log_;
    const MotionWatch& watch_;
    bool stepRunning_ = false;
    struct Phase {
        std::int64_t dueMs;
        std::function<void()> run;
    };
    std::optional<Phase> phase_;
    QTimer phaseTimer_;
    TrackingLead lead_;
    bool azimuthRan_ = false, elevationRan_ = false;
};

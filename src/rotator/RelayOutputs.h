// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/OwnedBy.h"
#include "rotator/MotionWatch.h"

#include <QString>
#include <QTimer>
#include <cstdint>

struct MainState;
struct Ports;
class RotatorView;
class ControlDeadman;

// The four relays: sending piob4..piob7 to the board with the retry rule, their indicators, and the
// simulated counts of an axis whose motor is not connected.
//
// An axis is on the board only when its motor text (H_MOTOR / V_MOTOR) is exactly "1"; otherwise its
// output routine makes no board call at all.
//
// This is the only code that writes relays, so the safety rules live here and nowhere else:
// - An off is never gated: it goes past the board's silence gate with no retry limit, sent again at
//   every measurement until the module has answered it (ResendUnconfirmed).
// - A relay may be on only under a lease for its axis. A step takes a Lease at its start; the lease
//   names the operation it was taken in. Switching on (TurnLeft(lease) .. MoveDown(lease)) or keeping a
//   motor running (Renew) grants the axis's lease only when that operation is still the current one and
//   the axis has had a good reading since it began. Every stop (RevokeLeases: the abort button,
//   rotctld's S, a message box, the settings dialog, a watch finding, the end) moves the operation on
//   and switches everything off in the same event, so a step parked in a wait holds a lease that no
//   longer matches and cannot switch anything on when it resumes. A lease lasts LeaseMs; one its step
//   does not renew in that time runs out, and the relay layer switches that axis off by itself.
// - Once the program starts to end (BeginEnding), no relay is switched on again, whoever asks; the
//   all-offs from then on make one bounded attempt per coil past the board's silence gate.
// - While a modal message or the settings dialog is up (HoldOff), every relay is off and stays off.
// A refused "on" is written as off and its relay variable is set to 0, so the state, the indicators and
// the board agree.
class RelayOutputs {
  public:
    RelayOutputs(MainState& state, Ports& ports, RotatorView& view);

    // A step's claim on the motors, good only in the operation it was taken in.
    struct Lease {
        std::uint64_t operation = 0;
    };
    Lease TakeLease() const { return {operation_}; }
    std::uint64_t Operation() const { return operation_; }
    bool Current(const Lease& lease) const { return lease.operation == operation_; }
    // Two steps (800 ms and the 1 s cycle) with room for a cycle that waited on the data server.
    static constexpr std::int64_t LeaseMs = 2500;

    // Writes bit 4 (piob4) then bit 5 (piob5), both on every call. A failing write is retried up to
    // five times from bit 4 with "1.水平制御のリトライを実行" on the status line; the sixth failure is
    // shown with its number and text and that write is skipped. Never throws. An "on" for an axis whose
    // lease is not held is written as off.
    void OutputAzimuthRelays();
    // The same for bit 6 (piob6) and bit 7 (piob7), retry text "２.仰角制御のリトライを実行".
    void OutputElevationRelays();
    // Indicators Shape1..Shape4 from piob4..piob7; no board call.
    void ShowRelayIndicators();

    // Timer3 (100 ms): moves the simulated counts by 2 for each relay that is on.
    void Timer3_Timer();

    // All four relays 0, written to the board, indicators cleared. Once the program is ending, one
    // bounded attempt per coil past the silence gate, all four within EndingAllOffMs.
    void SwitchAllOff();
    static constexpr int EndingAllOffMs = 2000;

    // Relay settings of one axis, each followed by the axis's output routine. Switching on needs the
    // step's lease (see above); false when it was refused, the relays of that axis then being off.
    bool TurnLeft(const Lease& lease);
    bool TurnRight(const Lease& lease);
    void StopAzimuth();
    bool MoveUp(const Lease& lease);
    bool MoveDown(const Lease& lease);
    void StopElevation();
    // An axis stopped for a quiet reading or a stop that logs: its levels are kept (sv_piob4..sv_piob7)
    // and both relays go off; ResumeAzimuth sets the kept levels again, through the lease as ever.
    void PauseAxis(MotionWatch::Axis axis);
    void ResumeAzimuth();
    // The quiet reading's pause: the azimuth stays off, whatever a step asks, until ResumeAzimuth.
    void HoldAzimuthOff(bool hold) { azimuthHeldOff_ = hold; }
    // The step judged the axis on a good reading and keeps its motor running: the lease is renewed.
    bool Renew(const Lease& lease, MotionWatch::Axis axis);

    // A stop: the operation moves on, every lease is void, every relay that may be on goes off now
    // (all four written off in any case with writeAll).
    void RevokeLeases(bool writeAll = false);
    // Switches off an axis whose lease has run out or no longer matches; run by the layer's own timer,
    // and by tests in virtual time.
    void ExpireLeases();

    bool AllOff() const;
    // A relay variable is on, or a write was given up after its retries so the board may still hold
    // a relay on.
    bool MayBeOn() const;

    // The program is ending: leases revoked, all four relays written off, every later write latched off.
    void BeginEnding();
    bool Ending() const { return ending_; }

    // Everything off and held off until the matching EndHoldOff (holds nest). Revokes every lease.
    void BeginHoldOff();
    void EndHoldOff();
    bool HeldOff() const { return holds_ > 0; }

    // Writes again the relays of an axis whose last output was not taken (one axis a call, in turn), so
    // that a board that was out of reach ends up with the levels the program holds: an off sent during
    // an outage arrives. The measurement calls it every time, whatever its readings did.
    void ResendUnconfirmed();
    // Shows text on the status line as soon as the module has taken every relay write (at once if it
    // has): a stop says its relays are off only once the module has answered the off.
    void SayWhenConfirmed(const QString& text);
    // The time-out of one off frame; an off that is not answered is sent again at the next measurement.
    static constexpr int OffTimeoutMs = 500;
    // The expiry timer waits for a lease (for tests: it must never wait for one that has run out).
    bool ExpiryArmed() const { return expiry_.isActive(); }

    // The deadman that switches every relay off should the control stall (null: none, as on the
    // simulated board). Told after every relay write how long a relay may stay on without another word.
    void WatchedBy(ControlDeadman* deadman) { deadman_ = deadman; }
    // The word the deadman waits for: the longest running lease, and this much beyond it (room for
    // the board calls of a measurement on a module that does not answer).
    static constexpr int DeadmanMarginMs = 2000;

    // Tells the watch about every motor switched on or off (both output routines report); the watch's
    // good readings are what a lease needs.
    void ReportMotorsTo(MotionWatch* watch) { watch_ = watch; }

  private:
    bool RefusingOn() const;
    // The operation moves on and every lease is void (no write).
    void VoidLeases();
    // The axis may be on now: a lease of the current operation that has not run out.
    bool LeaseHeld(int axis) const;
    // Grants or renews the axis's lease for the step; false when it may not have one.
    bool Grant(const Lease& lease, MotionWatch::Axis axis);
    void ArmExpiry();
    // One axis's two relay variables (right/left or up/down) to the board, through the latch, then
    // reported to the watch.
    void OutputAxisRelays(MotionWatch::Axis axis, OwnedBy<std::int16_t, RelayOutputs>& first,
                          OwnedBy<std::int16_t, RelayOutputs>& second);
    // True when both bits reached the board.
    bool OutputAxis(const QString& motorText, int firstBit, int firstLevel, int secondBit, int secondLevel,
                    const QString& retryText, const QString& numberPrefix);
    // The end's all-off: one attempt per coil, bounded.
    void WriteAllOffOnce();
    void SayIfConfirmed();
    // A write the module has not taken (an off above all): the board may still hold a relay on.
    bool OffUnconfirmed() const { return uncertain_[0] || uncertain_[1]; }
    void TellDeadman();

    MainState& state_;
    Ports& ports_;
    RotatorView& view_;
    MotionWatch* watch_ = nullptr;
    ControlDeadman* deadman_ = nullptr;
    bool ending_ = false;
    int holds_ = 0;
    bool azimuthHeldOff_ = false;
    bool uncertain_[2] = {false, false}; // azimuth, elevation: a write given up
    int nextResend_ = 0;
    QString confirmedText_;
    std::uint64_t operation_ = 1;
    // Per axis: the operation its lease belongs to (0: none), until when, and the watch's count of good
    // readings when the current operation began.
    std::uint64_t leaseOperation_[2] = {0, 0};
    std::int64_t leaseUntilMs_[2] = {0, 0};
    std::uint64_t readingsAtStart_[2] = {0, 0};
    QTimer expiry_;
};

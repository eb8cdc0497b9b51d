#pragma once

#include "rotator/MotionWatch.h"

#include <QString>
#include <cstdint>

struct MainState;
struct Ports;
class RotatorView;

// The four relays: sending piob4..piob7 to the board with the retry rule, their indicators, and the
// simulated counts of an axis whose motor is not connected.
//
// An axis is on the board only when its motor text (H_MOTOR / V_MOTOR) is exactly "1"; otherwise its
// output routine makes no board call at all.
//
// This is the only code that writes relays, so the safety rules live here and nowhere else:
// - once the program starts to end (BeginEnding), no relay is switched on again, whoever asks;
// - while a modal message is up (HoldOff), every relay is off and stays off.
// A refused "on" is written as off and its relay variable is set to 0, so the state, the indicators and
// the board agree. A step that resumes after a wait therefore cannot undo the stop.
class RelayOutputs {
  public:
    RelayOutputs(MainState& state, Ports& ports, RotatorView& view);

    // Writes bit 4 (piob4) then bit 5 (piob5), both on every call. A failing write is retried up to
    // five times from bit 4 with "1.水平制御のリトライを実行" on the status line; the sixth failure is
    // shown with its number and text and that write is skipped. Never throws.
    void OutputAzimuthRelays();
    // The same for bit 6 (piob6) and bit 7 (piob7), retry text "２.仰角制御のリトライを実行".
    void OutputElevationRelays();
    // Indicators Shape1..Shape4 from piob4..piob7; no board call.
    void ShowRelayIndicators();

    // Timer3 (100 ms): moves the simulated counts by 2 for each relay that is on.
    void Timer3_Timer();

    // All four relays 0, written to the board, indicators cleared.
    void SwitchAllOff();

    // Relay settings of one axis, each followed by the axis's output routine.
    void TurnLeft();
    void TurnRight();
    void StopAzimuth();
    void MoveUp();
    void MoveDown();
    void StopElevation();

    bool AllOff() const;
    // A relay variable is on, or a write was given up after its retries so the board may still hold
    // a relay on.
    bool MayBeOn() const;

    // The program is ending: writes all four relays off and latches every later write to off.
    void BeginEnding();
    bool Ending() const { return ending_; }

    // Everything off and held off until the matching EndHoldOff (holds nest).
    void BeginHoldOff();
    void EndHoldOff();
    bool HeldOff() const { return holds_ > 0; }

    // Writes again the relays of an axis whose last output gave up a write, so that a board that was
    // out of reach ends up with the levels the program holds (an off sent during an outage arrives).
    void ResendUnconfirmed();

    // Tells the watch about every motor switched on or off (both output routines report).
    void ReportMotorsTo(MotionWatch* watch) { watch_ = watch; }

  private:
    bool RefusingOn() const;
    // One axis's two relay variables (right/left or up/down) to the board, through the latch, then
    // reported to the watch.
    void OutputAxisRelays(MotionWatch::Axis axis, std::int16_t& first, std::int16_t& second);
    // True when both bits reached the board.
    bool OutputAxis(const QString& motorText, int firstBit, int firstLevel, int secondBit, int secondLevel,
                    const QString& retryText, const QString& numberPrefix);

    MainState& state_;
    Ports& ports_;
    RotatorView& view_;
    MotionWatch* watch_ = nullptr;
    bool ending_ = false;
    int holds_ = 0;
    bool uncertain_[2] = {false, false}; // azimuth, elevation: a write given up
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/DataLink.h"
#include "links/DataLinkWatch.h"
#include "rotator/MotionWatch.h"
#include "rotator/RelayOutputs.h"
#include "sky/PassTargets.h"
#include "tracking/PassRecord.h"

#include <QPointF>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>

struct MainState;
struct Ports;
class DdeLinks;
class RotatorControl;
class SkyMapPainter;
class TrackingView;

// The once-a-second tracking cycle: fresh data from the satellite-tracking program, the target of the
// selected option, its display and colours, the information boxes, the sky map with the target mark,
// the antenna measured and driven, the rise and set cues and the clocks. During start-up the cycle
// first brings an antenna standing outside its operating range back into it and only then enables
// the command buttons.
//
// A cycle that finds another one still running (a positioning wait lets timer events through)
// returns at once. For a silent data server see DataLinkWatch.
//
// The data server is never waited for with the event loop held. A tick sends every request at once
// and the rest of the cycle runs when the answers are in, or after AnswerWaitMs without them (with
// the values of before, and the server counted as silent): the measurement and positioning go on
// every second whatever the server does. While one batch of requests is under way no other is sent;
// while the server is silent the cycle does not wait at all, and answers that come late are used by
// the next cycle (the server counts as answering again from then on).
class TrackingCycle {
  public:
    TrackingCycle(MainState& state, Ports& ports, DdeLinks& links, RotatorControl& rotator,
                  SkyMapPainter& painter, TrackingView& view);

    // What one cycle did, for whoever wants to know (tests, mostly).
    struct Report {
        bool ran = false;
        bool waitingForAnswers = false; // the rest of this cycle runs when the answers are in
        bool refreshed = false;         // fresh values came in this cycle
        bool trackingStopped = false;   // automatic tracking stopped for want of data
        bool targetMarkDrawn = false;
        QPointF targetPoint; // map point of the target, twips
    };
    Report Timer1_Timer();
    // The wait for the answers is over without them: the cycle goes on with the values it has.
    void AnswerWaitOver();
    static constexpr int AnswerWaitMs = 500;
    // A batch that has not reported after this long is given up and another one may be sent; its
    // answer, should it still come, is not used. (The D-Bus link reports within its 5 s time-out.)
    static constexpr std::int64_t AbandonBatchMs = 15000;
    bool WaitingForAnswers() const { return awaiting_; }
    // The report of the cycle that ran last (for a waiting cycle, once it has gone on).
    const Report& lastReport() const { return last_; }
    // Cycles that measured and positioned the antenna so far.
    int CyclesRun() const { return cyclesRun_; }

    // Start-up range return; enables the command buttons once both axes are inside their ranges. Each
    // axis is judged afresh from each good reading (below, above or inside, and its relays with it);
    // nothing is switched for an axis not read yet, and the buttons wait until both have been read
    // inside their ranges.
    void ReturnIntoRange();

    // Option1_Click .. Option4_Click.
    void ChooseTarget(int option);

    // The selected option's target from its data boxes, its name shown in Text17. Each cycle takes it,
    // and start-up takes the first one. Nothing is taken while no option is selected.
    void TakeTarget();
    // The target moves on to name at azimuth, elevation; the aim it had becomes the previous one, from
    // which the follow-up judges the target's motion.
    static void MoveTarget(MainState& state, const QString& name, double azimuth, double elevation);

    // The selected target's azimuth as the server sent it, kept while the south start point is set
    // (the azimuth box holds it turned into the rotator frame).
    double ReceivedTargetAzimuth = 0;

    const DataLinkWatch& watch() const { return watch_; }

    // The pass plan of the followed satellite (section TRACKING); the window loads its element sets
    // and loads them again when the settings or an element file change.
    PassTargets& passTargets() { return passTargets_; }

    // The record of each automatically followed pass, written beside the operation log.
    PassRecorder& passRecorder() { return passRecorder_; }

    // Status texts of a silent server.
    static QString LostText(const QString& server);
    static QString RestoredText(const QString& server);
    static QString StoppedText(const QString& server);

  private:
    Report RunCycle();
    void SendRequests();
    void AnswersIn(std::uint64_t batch, DataLink::BatchAnswer answer);
    void RecordOutcome(const std::optional<PortError>& error);
    bool Refresh();
    void StopStaleTracking(Report& report);
    void ShowTarget();
    void PositionAndMark(double x, double y, Report& report);
    // After each measurement: the pass record's sample.
    void RecordPass();
    void ShowClocks();
    void FollowPassPlan(bool refreshed);
    // The time the served positions are for: the server's own where it sends one, else the clock's.
    double PositionsUnixSeconds() const;
    // The target's compass azimuth as served, whatever the rotator's start point.
    double CompassTargetAzimuth() const;
    void DriveBackIntoRange(MotionWatch::Axis axis, bool first);

    MainState& state_;
    Ports& ports_;
    DdeLinks& links_;
    RotatorControl& rotator_;
    SkyMapPainter& painter_;
    TrackingView& view_;
    DataLinkWatch watch_;
    PassTargets passTargets_;
    PassRecorder passRecorder_;
    bool running_ = false;
    bool awaiting_ = false; // a tick waits for its answers
    std::int64_t awaitStartMs_ = 0;
    bool inFlight_ = false; // a batch of requests is under way
    std::int64_t inFlightSinceMs_ = 0;
    std::uint64_t batchNumber_ = 0;              // of the batch last sent
    std::optional<DataLink::BatchAnswer> fresh_; // answers not yet taken by a cycle
    QTimer answerWait_;
    Report last_;
    RelayOutputs::Lease returnLease_;
    int cyclesRun_ = 0;
    // Answers that come after the cycle is gone find this expired.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

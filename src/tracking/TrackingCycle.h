#pragma once

#include "tracking/DataLinkWatch.h"

#include <QPointF>

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
class TrackingCycle {
  public:
    TrackingCycle(MainState& state, Ports& ports, DdeLinks& links, RotatorControl& rotator,
                  SkyMapPainter& painter, TrackingView& view);

    // What one cycle did, for whoever wants to know (tests, mostly).
    struct Report {
        bool ran = false;
        bool refreshed = false;       // fresh values came in this cycle
        bool trackingStopped = false; // automatic tracking stopped for want of data
        bool targetMarkDrawn = false;
        QPointF targetPoint; // map point of the target, twips
    };
    Report Timer1_Timer();

    // Start-up range return; enables the command buttons once both axes are inside their ranges.
    void ReturnIntoRange();

    // Option1_Click .. Option4_Click.
    void ChooseTarget(int option);

    // The selected target's azimuth as the server sent it, kept while the south start point is set
    // (the azimuth box holds it turned into the rotator frame).
    double ReceivedTargetAzimuth = 0;

    const DataLinkWatch& watch() const { return watch_; }

    // Status texts of a silent server.
    static QString LostText(const QString& server);
    static QString RestoredText(const QString& server);
    static QString StoppedText(const QString& server);

  private:
    bool Refresh();
    void StopStaleTracking(Report& report);
    void TakeTarget();
    void ShowTarget();
    void PositionAndMark(double x, double y, Report& report);
    void ShowClocks();

    MainState& state_;
    Ports& ports_;
    DdeLinks& links_;
    RotatorControl& rotator_;
    SkyMapPainter& painter_;
    TrackingView& view_;
    DataLinkWatch watch_;
    bool running_ = false;
};

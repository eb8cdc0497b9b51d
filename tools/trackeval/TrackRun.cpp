// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrackRun.h"

#include "common/Clock.h"
#include "common/MainState.h"
#include "common/MessageSink.h"
#include "common/Ports.h"
#include "common/StatusLine.h"
#include "common/Waiter.h"
#include "orbit/Observation.h"
#include "rotator/RotatorControl.h"
#include "rotator/RotatorView.h"
#include "rotator/SimulatedBoard.h"
#include "sky/PassTargets.h"
#include "tracking/TrackingCycle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr double Degree = M_PI / 180;

class VirtualClock : public Clock {
  public:
    std::int64_t nowMs = 0;
    std::int64_t MonotonicMs() const override { return nowMs; }
    QDateTime LocalNow() const override { return QDateTime::fromMSecsSinceEpoch(nowMs, Qt::UTC); }
    QDateTime UtcNow() const override { return LocalNow(); }
};

// Plain pauses move the virtual clock.
class VirtualWaiter : public Waiter {
  public:
    explicit VirtualWaiter(VirtualClock& clock) : clock_(clock) {}
    void Sleep(int ms) override { clock_.nowMs += ms; }

  private:
    VirtualClock& clock_;
};

class QuietMessages : public MessageSink {
  public:
    void ShowMessage(const QString&) override {}
    bool AskYesNo(const QString&) override { return false; }
};

class QuietStatus : public StatusLine {
  public:
    void SetLeft(const QString&) override {}
    void SetRight(const QString&) override {}
};

class QuietView : public RotatorView {
  public:
    void ShowRelayIndicators(bool, bool, bool, bool) override {}
    void ShowPresentAngles(const QString&, const QString&) override {}
    int AzimuthSliderValue() override { return 0; }
    int ElevationSliderValue() override { return 0; }
    void DrawPointedPositionMark(double, double, const QColor&) override {}
    void DrawAntennaMark(double, double) override {}
    void DrawSunMoonMars() override {}
    void FinishManualOperation() override {}
    void Command4_Click() override {}
    void EndProgram() override {}
};

class CountingBoard : public SimulatedBoard {
  public:
    using SimulatedBoard::SimulatedBoard;
    int switchOns = 0;
    std::optional<PortError> WriteOutputBit(int port, int bit, int level) override {
        switchOns += !physics().Relay(bit) && level == 1;
        return SimulatedBoard::WriteOutputBit(port, bit, level);
    }
};

double GreatCircle(double az1, double el1, double az2, double el2) {
    const double c = std::sin(el1 * Degree) * std::sin(el2 * Degree) +
                     std::cos(el1 * Degree) * std::cos(el2 * Degree) * std::cos((az1 - az2) * Degree);
    return std::acos(std::clamp(c, -1.0, 1.0)) / Degree;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const double index = p * (v.size() - 1);
    const auto low = static_cast<std::size_t>(index);
    const std::size_t high = std::min(low + 1, v.size() - 1);
    return v[low] + (index - low) * (v[high] - v[low]);
}

} // namespace

RunResult RunPass(const orbit::Sgp4& model, const orbit::Geodetic& observer, const orbit::Pass& pass,
                  const RunSetup& setup) {
    const TrackingOptions& options = setup.options;
    const double azimuthTravel = std::max(360.0, options.azimuthTravelMax);
    const double elevationTravel = std::max(90.0, options.elevationTravelMax);

    VirtualClock clock;
    VirtualWaiter waiter(clock);
    QuietMessages messages;
    QuietStatus status;
    QuietView view;

    RotatorPhysics::Settings physics;
    physics.azimuthStopMax = azimuthTravel;
    physics.elevationStopMax = elevationTravel;
    // The potentiometers run linearly over the whole travel; 0 V at 0 degrees, 5 V at the travel end.
    physics.azimuthAngle1 = azimuthTravel;
    physics.elevationAngle1 = 180;
    physics.elevationVolt1 = 5;
    physics.startAzimuth = setup.startAzimuth;
    physics.startElevation = setup.startElevation;
    CountingBoard board(clock, physics);

    Ports ports;
    ports.board = &board;
    ports.clock = &clock;
    ports.waiter = &waiter;
    ports.messages = &messages;
    ports.status = &status;

    MainState state;
    state.AzimuthMotorText = state.ElevationMotorText = QStringLiteral("1");
    state.AzimuthVolt0Text = state.ElevationVolt0Text = QStringLiteral("0");
    // Calibration voltages at the operating range's ends, 360 and 90 degrees.
    state.AzimuthVolt360Text = QString::number(5.0 * 360 / azimuthTravel, 'g', 12);
    state.ElevationVolt90Text = QStringLiteral("2.5");
    state.AzimuthTolerance = state.ElevationTolerance = 1.5;
    state.module.DelaySwitch = QStringLiteral("0");
    state.AzimuthStartPoint = setup.southStart ? QStringLiteral("1") : QStringLiteral("0");
    state.StartupState = 0;
    state.tracking = options;
    RotatorControl rotator(state, ports, view);

    const double aos = pass.aos.ToUnixMilliseconds() / 1000.0;
    const double los = pass.los.ToUnixMilliseconds() / 1000.0;
    const double start = aos - setup.startBeforeAos;
    const auto look = [&](double unix) {
        const auto seen = orbit::Observe(model, observer,
                                         orbit::JulianDate::FromUnixMilliseconds(std::llround(unix * 1000)));
        return seen.observation.look;
    };
    const RotatorTravel travel = PassFollower::TravelOf(options, setup.southStart, 0, 360, 0, 90);

    RunResult result;
    // The program's own pass planning, given the element set and the place directly.
    PassTargets targets;
    targets.Use({model.Elements()}, observer);
    const QString name = QString::fromStdString(model.Elements().name);

    const auto takeTarget = [&] {
        const double unix = start + clock.nowMs / 1000.0;
        const auto sky = look(unix);
        // What the tracking cycle takes from the data boxes, here straight from the element set.
        const double azimuth = setup.southStart ? std::fmod(sky.azimuth + 180, 360.0) : sky.azimuth;
        TrackingCycle::MoveTarget(state, name, azimuth, sky.elevation);
        state.planned.takenAtMs = clock.nowMs;
        if (options.AnySet()) {
            targets.Apply(state, name, unix, sky.azimuth, sky.elevation);
            // The plan of this pass (after LOS the next one is looked for).
            if (unix <= los) {
                result.planned = targets.follower().pass().has_value();
                result.flipped = result.planned && targets.follower().plan().flipped;
                if (result.planned)
                    result.bound =
                        PlanCourse(targets.follower().pass()->track, targets.follower().plan(), travel, 6)
                            .bound;
            }
        }
    };

    struct Timer {
        std::int64_t interval, due;
        std::function<void()> fire;
    };
    double previousAzimuth = std::nan("");
    std::vector<double> errors, culminationErrors;
    const double culmination = pass.culmination.ToUnixMilliseconds() / 1000.0;
    double over10Since = -1;
    int switchOnsAtAos = -1;
    std::vector<Timer> timers = {
        {1000, 1000, [&] { takeTarget(), rotator.PositionAntenna(); }},
        {800, 800, [&] { rotator.Timer2_Timer(); }},
        {100, 100, [&] { rotator.Timer3_Timer(); }},
        {100, 50,
         [&] {
             board.Advance();
             const double unix = start + clock.nowMs / 1000.0;
             if (unix < aos || unix > los)
                 return;
             if (switchOnsAtAos < 0)
                 switchOnsAtAos = board.switchOns;
             const auto sky = look(unix);
             const auto antenna = ToCompass(travel, board.physics().Azimuth(), board.physics().Elevation());
             const double error =
                 GreatCircle(antenna.azimuth, antenna.elevation, sky.azimuth, std::max(0.0, sky.elevation));
             errors.push_back(error);
             if (std::abs(unix - culmination) <= 100)
                 culminationErrors.push_back(error);
             if (setup.trace)
                 std::fprintf(stderr, "%.1f %.2f %.2f %.2f %d%d%d%d\n", unix - aos, error,
                              std::remainder(antenna.azimuth - sky.azimuth, 360.0) *
                                  std::cos(sky.elevation * Degree),
                              antenna.elevation - sky.elevation, int(state.piob4), int(state.piob5),
                              int(state.piob6), int(state.piob7));
             result.samples.push_back({unix - aos, error});
             if (!std::isnan(previousAzimuth))
                 result.azimuthTravelled += std::abs(board.physics().Azimuth() - previousAzimuth);
             previousAzimuth = board.physics().Azimuth();
             if (error > 10) {
                 if (over10Since < 0)
                     over10Since = unix;
                 result.longestOver10 = std::max(result.longestOver10, unix - over10Since);
             } else {
                 over10Since = -1;
             }
         }},
    };
    // The step's own phase timer as well as the window's timers.
    const auto runDue = [&] {
        if (const auto due = rotator.positioning.NextPhaseDueMs(); due && *due <= clock.nowMs)
            rotator.positioning.RunDuePhase();
        for (auto& t : timers)
            if (t.due <= clock.nowMs) {
                t.due += t.interval;
                t.fire();
            }
    };

    takeTarget();
    // The target stands still before the first cycle: its previous aim is the same.
    TrackingCycle::MoveTarget(state, name, state.TargetAzimuth, state.TargetElevation);
    rotator.PositionAntenna();
    rotator.EnterAutomaticMode();
    const std::int64_t end = std::llround((los - start) * 1000) + 200;
    while (clock.nowMs < end) {
        std::int64_t next = end;
        for (const auto& t : timers)
            next = std::min(next, t.due);
        if (const auto due = rotator.positioning.NextPhaseDueMs())
            next = std::min(next, *due);
        clock.nowMs = std::max(clock.nowMs, next);
        runDue();
    }

    result.median = Percentile(errors, 0.5);
    result.p95 = Percentile(errors, 0.95);
    result.max = errors.empty() ? 0 : *std::max_element(errors.begin(), errors.end());
    result.culminationP95 = Percentile(culminationErrors, 0.95);
    result.culminationMax =
        culminationErrors.empty() ? 0 : *std::max_element(culminationErrors.begin(), culminationErrors.end());
    result.withinTolerance =
        errors.empty()
            ? 0
            : double(std::count_if(errors.begin(), errors.end(), [](double e) { return e <= 1.5; })) /
                  errors.size();
    result.switchOnsPerMinute =
        (board.switchOns - std::max(0, switchOnsAtAos)) * 60.0 / std::max(1.0, los - aos);
    return result;
}

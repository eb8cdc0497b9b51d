// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/MotionWatch.h"

#include <gtest/gtest.h>

namespace {

using Fault = MotionWatch::Fault;

// One axis in virtual time, counted from its first reading: the motor as the relays switch it (checked every
// 50 ms, so pulses of 150 ms are exact) and a reading every second. The count gives the angle at 1023 counts
// per 360 degrees; std::nullopt is a failed read.
struct WatchCase {
    const char* name;
    bool (*motor)(std::int64_t ms);
    std::optional<int> (*count)(std::int64_t ms);
    bool watchOn;
    Fault fault;                 // the first finding, Fault::None for none in a minute
    std::int64_t firstFindingMs; // when it came
};

bool Always(std::int64_t) {
    return true;
}
bool Never(std::int64_t) {
    return false;
}
// 150 ms pulses every 500 ms, as the near-target steps give them.
bool Pulses(std::int64_t ms) {
    return ms % 500 < 150;
}
std::optional<int> Standing(std::int64_t) {
    return 284; // about 100 degrees
}
std::optional<int> Turning(std::int64_t ms) {
    return 100 + static_cast<int>(ms * 17 / 1000); // 6 degrees a second
}
std::optional<int> Creeping(std::int64_t ms) {
    return 284 + static_cast<int>(ms / 8000); // under 1 degree in 10 s
}
std::optional<int> AtZero(std::int64_t) {
    return 0;
}
std::optional<int> AtTop(std::int64_t) {
    return 1023;
}
std::optional<int> LeavingZero(std::int64_t ms) {
    return ms < 1500 ? 0 : static_cast<int>((ms - 1000) * 17 / 1000);
}
std::optional<int> FailingFromOneSecond(std::int64_t ms) {
    return ms >= 1000 ? std::nullopt : std::optional<int>(284);
}
// Pot noise of ±3 counts, in no particular order.
int Noise(std::int64_t ms) {
    return static_cast<int>((ms / 1000 * 5) % 7) - 3;
}
std::optional<int> StandingNoisily(std::int64_t ms) {
    return 284 + Noise(ms);
}
std::optional<int> TurningNoisily(std::int64_t ms) {
    return *Turning(ms) + Noise(ms);
}
// Driven up (the motor switches the count up) while the count falls 6 degrees a second: relays or motor
// leads swapped, or a calibration upside down.
std::optional<int> GoingTheWrongWay(std::int64_t ms) {
    return 900 - static_cast<int>(ms * 17 / 1000) + Noise(ms);
}
std::optional<int> EveryOtherFails(std::int64_t ms) {
    return (ms / 1000) % 2 ? std::nullopt : Turning(ms);
}

class Watch : public ::testing::TestWithParam<WatchCase> {};

TEST_P(Watch, FindsWhatTheAxisDoes) {
    const WatchCase& c = GetParam();
    MotionWatch watch;
    watch.SetStallWatch(c.watchOn, MotionWatch::DefaultStallMs);
    bool on = false;
    Fault fault = Fault::None;
    std::int64_t at = -1;
    for (std::int64_t t = 0; t <= 60000 && fault == Fault::None; t += 50) {
        if (c.motor(t) != on) {
            on = !on;
            watch.MotorSwitched(MotionWatch::Azimuth, on, t);
        }
        if (t > 0 && t % 1000 == 0) {
            const auto count = c.count(t);
            const double angle = count ? *count * 360.0 / 1023 : 0;
            fault = watch.Reading(MotionWatch::Azimuth, count, angle, t).fault;
            at = t;
            EXPECT_EQ(watch.Blind(MotionWatch::Azimuth), !count.has_value()) << t;
        } else if (t == 0) {
            EXPECT_TRUE(watch.Blind(MotionWatch::Azimuth)) << "not read yet";
        }
    }
    EXPECT_EQ(fault, c.fault);
    if (c.fault != Fault::None) {
        EXPECT_EQ(at, c.firstFindingMs);
    }
}

INSTANTIATE_TEST_SUITE_P(
    VirtualTime, Watch,
    ::testing::Values(
        WatchCase{"TurningMotor", Always, Turning, true, Fault::None, 0},
        WatchCase{"Jammed", Always, Standing, true, Fault::Stalled, 11000},
        WatchCase{"CreepingUnderOneDegree", Always, Creeping, true, Fault::Stalled, 11000},
        // 0.3 s of relay time a second from the first reading: 10 s in all after 35 s.
        WatchCase{"PulsesAddUp", Pulses, Standing, true, Fault::Stalled, 35000},
        WatchCase{"MotorOff", Never, Standing, true, Fault::None, 0},
        WatchCase{"SwitchedOff", Always, Standing, false, Fault::None, 0},
        WatchCase{"SwitchedOffPinned", Always, AtZero, false, Fault::None, 0},
        // First seen at the end at 1 s, still there after 1 s more of running.
        WatchCase{"PinnedAtZero", Always, AtZero, true, Fault::SensorAtEnd, 2000},
        WatchCase{"PinnedAtTop", Always, AtTop, true, Fault::SensorAtEnd, 2000},
        WatchCase{"StandingAtZeroMotorOff", Never, AtZero, true, Fault::None, 0},
        WatchCase{"StartingFromZero", Always, LeavingZero, true, Fault::None, 0},
        // Reads fail at 1, 2 and 3 s: 2 s of failing at the third.
        WatchCase{"ReadsFailing", Always, FailingFromOneSecond, true, Fault::ReadsFailing, 3000},
        WatchCase{"ReadsFailingMotorOff", Never, FailingFromOneSecond, true, Fault::ReadsFailing, 3000},
        WatchCase{"EveryOtherReadFails", Always, EveryOtherFails, true, Fault::None, 0},
        // Noise neither restarts the stall count nor passes for movement, in either direction.
        WatchCase{"JammedWithNoise", Always, StandingNoisily, true, Fault::Stalled, 11000},
        WatchCase{"TurningWithNoise", Always, TurningNoisily, true, Fault::None, 0},
        // Away from where it was at 1 s beyond the noise from 2 s on: 3 s of relay time later.
        WatchCase{"DrivenTheWrongWay", Always, GoingTheWrongWay, true, Fault::WrongWay, 5000},
        WatchCase{"WrongWayWatchOff", Always, GoingTheWrongWay, false, Fault::None, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// After a stop the counts begin afresh at the next reading: the jammed axis gets its full time again.
TEST(WatchRestart, CountsFromTheRestart) {
    MotionWatch watch;
    watch.MotorSwitched(MotionWatch::Elevation, true, 0);
    watch.Reading(MotionWatch::Elevation, 200, 50, 0);
    EXPECT_EQ(watch.Reading(MotionWatch::Elevation, 200, 50, 10000).fault, Fault::Stalled);
    watch.Restart(10000);
    EXPECT_EQ(watch.Reading(MotionWatch::Elevation, 200, 50, 19000).fault, Fault::None);
    EXPECT_EQ(watch.Reading(MotionWatch::Elevation, 200, 50, 28000).fault, Fault::None);
    const auto finding = watch.Reading(MotionWatch::Elevation, 201, 50.2, 29000);
    EXPECT_EQ(finding.fault, Fault::Stalled);
    EXPECT_EQ(finding.onMs, 10000);
    EXPECT_NEAR(finding.moved, 0.2, 1e-9);
    // The other axis never ran.
    EXPECT_EQ(watch.Reading(MotionWatch::Azimuth, 284, 100, 29000).fault, Fault::None);
}

} // namespace

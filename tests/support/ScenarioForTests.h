// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/MainState.h"
#include "common/OwnedBy.h"

#include <utility>

// The tests' way past a field's owner: a scenario starts from angles, a target or relays that the
// owner would have set by the time the code under test runs. Defined here only, so no program code
// can write an owned field this way.
struct ScenarioForTests {
    template <typename T, typename Owner, typename Value>
    static void Set(OwnedBy<T, Owner>& field, Value&& value) {
        field = T(std::forward<Value>(value));
    }
};

// Gives an owned field its starting value: SetOwned(state.PresentAzimuth, 100).
template <typename T, typename Owner, typename Value> void SetOwned(OwnedBy<T, Owner>& field, Value&& value) {
    ScenarioForTests::Set(field, std::forward<Value>(value));
}

// A target the follow-up sees moving: from previousAzimuth to azimuth since the last cycle, at a
// steady elevation.
inline void SetMovingTarget(MainState& state, double azimuth, double previousAzimuth, double elevation) {
    SetOwned(state.TargetAzimuth, azimuth);
    SetOwned(state.PreviousTargetAzimuth, previousAzimuth);
    SetOwned(state.TargetElevation, elevation);
    SetOwned(state.PreviousTargetElevation, elevation);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <utility>

struct MainState;
struct ScenarioForTests;

// A shared field that one component keeps up to date. Everyone reads it: as a const T& wherever a T
// is expected, with -> for a member call (state.TargetName->isEmpty()), or with get(). Only Owner
// assigns it, so the declaration names the one class to look at for every change and the compiler
// refuses any other writer, a field of the same kind included (copying one owned field onto another
// is a write too).
//
// The state that holds the fields is copied and assigned as a whole. Tests put a scenario's starting
// values in through ScenarioForTests, which only the tests define.
template <typename T, typename Owner> class OwnedBy {
  public:
    OwnedBy() = default;
    OwnedBy(const OwnedBy&) = default;
    OwnedBy(OwnedBy&&) = default;
    ~OwnedBy() = default;

    operator const T&() const noexcept { return value_; }
    const T& get() const noexcept { return value_; }
    const T* operator->() const noexcept { return &value_; }

  private:
    friend Owner;
    friend MainState;
    friend ScenarioForTests;

    OwnedBy& operator=(const OwnedBy&) = default;
    OwnedBy& operator=(OwnedBy&&) = default;
    OwnedBy& operator=(const T& value) {
        value_ = value;
        return *this;
    }
    OwnedBy& operator=(T&& value) {
        value_ = std::move(value);
        return *this;
    }

    T value_{};
};

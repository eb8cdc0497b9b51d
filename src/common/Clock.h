// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <cstdint>

// Time as the program sees it. Tests use a virtual clock that they advance by hand.
class Clock {
  public:
    virtual ~Clock() = default;
    // Monotonic milliseconds since an arbitrary start; never goes back.
    virtual std::int64_t MonotonicMs() const = 0;
    // The computer's local date and time (the station clock).
    virtual QDateTime LocalNow() const = 0;
    // Coordinated universal time.
    virtual QDateTime UtcNow() const = 0;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A plain pause inside a routine: it blocks without running events (the quiet pause before a
// reading). Nothing in the program waits with the event loop running: a positioning step's pauses are
// phases on its own timer.
class Waiter {
  public:
    virtual ~Waiter() = default;
    virtual void Sleep(int milliseconds) = 0;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A watch on the control, kept by the board's owner on its own thread. The relay layer tells it after
// every relay write and every lease it grants how long a relay it holds on may stay on without another
// word from the control (the lease still to run, and a margin); should that time pass with no word at
// all (the window's thread stuck in a long file write, a loop that never returns, a busy machine), every
// relay goes off without the control. A word that every relay is off puts it at rest.
//
// It never switches anything on, so it cannot race the control: at worst its off goes out as well.
class ControlDeadman {
  public:
    virtual ~ControlDeadman() = default;
    // A relay may be on: unless the control speaks again within ms, every relay goes off.
    virtual void ExpectWordWithin(int ms) = 0;
    // Every relay is off: nothing to watch.
    virtual void AllOff() = 0;
    // How often the deadman had to act.
    virtual int Firings() const = 0;
};

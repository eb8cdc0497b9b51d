// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// A watch on the control itself, on a thread of its own. The relay layer tells it after every relay
// write and every lease it grants how long a relay it holds on may stay on without another word from
// the control (the lease still to run, and a margin); should that time pass with no word at all (the
// window's thread stuck in a long file write, a loop that never returns, a busy machine), the deadman
// switches every relay off itself, over a connection of its own to the board. A word that every relay
// is off puts it at rest.
//
// It never switches anything on and never touches the program's state, so it cannot race the control:
// at worst its off goes out as well.
class ControlDeadman {
  public:
    // Switches every relay off, waiting at most waitMs; returns the replies received (-1: no board).
    using Stop = std::function<int(int waitMs)>;
    explicit ControlDeadman(Stop stop);
    ~ControlDeadman();
    ControlDeadman(const ControlDeadman&) = delete;
    ControlDeadman& operator=(const ControlDeadman&) = delete;

    // A relay may be on: unless the control speaks again within ms, every relay goes off.
    void ExpectWordWithin(int ms);
    // Every relay is off and the board has taken it: nothing to watch.
    void AllOff();
    // How often the deadman had to act.
    int Firings() const;

    static constexpr int StopWaitMs = 1000;

  private:
    void Run();

    Stop stop_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool armed_ = false;
    bool quit_ = false;
    std::chrono::steady_clock::time_point deadline_;
    int firings_ = 0;
    std::thread thread_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

// A board that stops answering costs the whole response time-out on every call. The retried relay
// writes and the two readings of a cycle would then hold the program for seconds on end while a motor
// may be running, and the reading watch would see its failures only that much later. So after three
// time-outs in a row the board counts as silent: calls fail at once with the time-out, and one call a
// second still goes on the wire to find out whether the board answers again. A lost request or two (a
// noisy line) are retried as usual; any answer, an exception answer included, or any other failure
// (a refused or reset connection comes back at once) ends the silence. Switching a relay off never
// asks the gate (ModbusBoard sends every off): a module may time out on reads and still take writes.
//
// Plain C++ in milliseconds of a monotonic clock; the board backend asks and reports.
class BoardSilence {
  public:
    static constexpr int TimeOutsToSilent = 3;
    static constexpr std::int64_t ProbeIntervalMs = 1000;

    // Whether a call may go on the wire now (false: fail it at once as timed out). A call that may go
    // is noted as started: while silent, the next one goes a second after this one started, however
    // long its connect and its answer keep it waiting. An ungated call (an off) always goes, and asks
    // the board as a probe would.
    bool MaySend(std::int64_t nowMs, bool gated = true) {
        if (gated && silent() && lastStartMs_ && nowMs - *lastStartMs_ < ProbeIntervalMs)
            return false;
        lastStartMs_ = nowMs;
        return true;
    }
    void TimedOut() { ++timeOuts_; }
    // The call got an answer or failed in a way that is not a silence.
    void NotSilent() { timeOuts_ = 0; }
    bool silent() const { return timeOuts_ >= TimeOutsToSilent; }

  private:
    int timeOuts_ = 0;
    std::optional<std::int64_t> lastStartMs_;
};

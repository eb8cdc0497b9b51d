// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Watches the answers of the satellite-tracking program from one tracking cycle to the next.
//
// When the program stops answering (it quit, or it is busy), the cycle keeps the last values and goes
// on measuring the antenna, but:
// - the failure is shown once, when the silence begins, and once more when the answers come back;
// - while silent, the refresh is tried only every RetryIntervalMs: a busy server holds each request
//   for the link's whole time-out, and requests to it should not pile up;
// - automatic tracking follows a target that no longer moves, so once no fresh value has come for
//   StaleLimitMs the cycle stops it (relays off, mode stopped). Manual positioning does not depend on the
//   server and goes on. Tracking resumes only when the operator starts it again.
class DataLinkWatch {
  public:
    static constexpr std::int64_t RetryIntervalMs = 5000;
    static constexpr std::int64_t StaleLimitMs = 5000;
    // The number shown when the server let the cycle's wait pass without an answer (the DDE client's
    // time-out number).
    static constexpr int NoAnswerError = 286;

    enum class Change { None, Lost, Restored };

    // Whether this cycle should ask the server.
    bool ShouldRequest(std::int64_t nowMs) const;
    // The outcome of an asked refresh; tells when the status line has to change.
    Change Record(std::int64_t nowMs, bool answered);
    // True while the values are older than StaleLimitMs because the server is silent.
    bool DataStale(std::int64_t nowMs) const;
    bool Silent() const { return silent_; }

  private:
    bool silent_ = false;
    bool everAnswered_ = false;
    std::int64_t lastAnswerMs_ = 0;
    std::int64_t silentSinceMs_ = 0;
    std::int64_t lastAttemptMs_ = 0;
};

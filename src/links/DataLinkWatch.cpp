// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/DataLinkWatch.h"

bool DataLinkWatch::ShouldRequest(std::int64_t nowMs) const {
    return !silent_ || nowMs - lastAttemptMs_ >= RetryIntervalMs;
}

DataLinkWatch::Change DataLinkWatch::Record(std::int64_t nowMs, bool answered) {
    lastAttemptMs_ = nowMs;
    if (answered) {
        lastAnswerMs_ = nowMs;
        everAnswered_ = true;
        if (!silent_)
            return Change::None;
        silent_ = false;
        return Change::Restored;
    }
    if (silent_)
        return Change::None;
    silent_ = true;
    silentSinceMs_ = nowMs;
    return Change::Lost;
}

bool DataLinkWatch::DataStale(std::int64_t nowMs) const {
    if (!silent_)
        return false;
    // Values are as old as the last answer; without one, as old as the silence.
    const std::int64_t since = everAnswered_ ? lastAnswerMs_ : silentSinceMs_;
    return nowMs - since >= StaleLimitMs;
}

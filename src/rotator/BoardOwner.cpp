// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/BoardOwner.h"

#include "rotator/EmergencyRelayStop.h"

#include <algorithm>
#include <chrono>
#include <utility>

void BoardWire::Want(int bit, int level) {
    const std::size_t i = Index(bit);
    if (wanted_[i] != level) {
        tried_[i] = false;      // a new level goes in this pass
        writeError_[i].reset(); // the failure was the other level's
    }
    wanted_[i] = level;
}

void BoardWire::DemandReadings() {
    if (!readDemanded_) {
        readThisPass_ = {false, false};
        coilThisPass_ = false;
        readDemanded_ = true;
    } else if (readThisPass_[0] && readThisPass_[1]) {
        // This pass has read both already, older than this demand: the next pass reads again.
        demandedAgain_ = true;
    }
}

std::optional<BoardWire::Job> BoardWire::Next(std::int64_t nowMs) {
    if (deadline_ && nowMs >= *deadline_) {
        deadline_.reset();
        bool any = false;
        for (std::size_t i = 0; i < 4; ++i)
            if (wanted_[i] == 1) {
                Want(static_cast<int>(i) + 4, 0);
                any = true;
            }
        if (any)
            ++firings_;
    }
    for (std::size_t i = 0; i < 4; ++i)
        if (wanted_[i] == 0 && taken_[i] != 0 && !tried_[i]) {
            tried_[i] = true;
            return Job{Job::Write, static_cast<int>(i) + 4, 0};
        }
    if (!ending_)
        for (std::size_t i = 0; i < 4; ++i)
            if (wanted_[i] == 1 && taken_[i] != 1 && !tried_[i]) {
                tried_[i] = true;
                return Job{Job::Write, static_cast<int>(i) + 4, 1};
            }
    if (readDemanded_ && !ending_) {
        for (int channel = 0; channel < 2; ++channel)
            if (!readThisPass_[static_cast<std::size_t>(channel)]) {
                readThisPass_[static_cast<std::size_t>(channel)] = true;
                return Job{Job::Read, channel, 0};
            }
        if (readBack_ && !coilThisPass_) {
            coilThisPass_ = true;
            for (std::size_t n = 0; n < 4; ++n) {
                const std::size_t i = (nextCoil_ + n) % 4;
                if (wanted_[i]) {
                    nextCoil_ = (i + 1) % 4;
                    return Job{Job::ReadCoil, static_cast<int>(i) + 4, 0};
                }
            }
        }
        readDemanded_ = std::exchange(demandedAgain_, false);
        coilThisPass_ = false;
    }
    tried_ = {false, false, false, false};
    readThisPass_ = {false, false};
    return std::nullopt;
}

void BoardWire::Done(const Job& job, const std::optional<PortError>& error, int count, std::int64_t nowMs) {
    if (job.kind == Job::Write) {
        const std::size_t i = Index(job.index);
        ++writeAnswers_[i];
        writeError_[i] = error;
        taken_[i] = error ? std::nullopt : std::optional<int>(job.level);
    } else if (job.kind == Job::ReadCoil) {
        if (!error)
            taken_[Index(job.index)] = count != 0 ? 1 : 0;
    } else {
        auto& sample = sample_[job.index == 0 ? 0 : 1];
        sample = Sample{count, error, ++samples_, nowMs};
    }
    if (error)
        for (auto& taken : taken_)
            if (taken == 1)
                taken.reset();
}

bool BoardWire::OffOutstanding() const {
    for (std::size_t i = 0; i < 4; ++i)
        if (wanted_[i] == 0 && taken_[i] != 0)
            return true;
    return false;
}

std::optional<std::int64_t> BoardWire::WakeAtMs(std::int64_t nowMs) const {
    if (readDemanded_ && !ending_)
        return nowMs; // readings asked for in the pass just ended
    std::optional<std::int64_t> wake = deadline_;
    bool outstanding = OffOutstanding();
    if (!ending_)
        for (std::size_t i = 0; i < 4; ++i)
            outstanding = outstanding || (wanted_[i] == 1 && taken_[i] != 1);
    if (outstanding)
        wake = std::min(wake.value_or(nowMs + RetryMs), nowMs + RetryMs);
    return wake;
}

BoardOwner::BoardOwner(IoBoard& board) : board_(board), thread_([this] { Run(); }) {}

BoardOwner::~BoardOwner() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        wire_.BeginEnding();
        for (int bit = 4; bit < 8; ++bit)
            if (wire_.Wanted(bit) == 1)
                wire_.Want(bit, 0);
    }
    changed_.notify_all();
    thread_.join();
}

std::int64_t BoardOwner::NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void BoardOwner::SetAddress(const QString& address) {
    std::lock_guard lock(mutex_);
    address_ = address;
}

void BoardOwner::ApplyAddress() {
    std::optional<QString> address;
    {
        std::lock_guard lock(mutex_);
        address.swap(address_);
    }
    if (address)
        board_.SetAddress(*address);
}

bool BoardOwner::WaitFor(std::unique_lock<std::mutex>& lock, int ms, const std::function<bool()>& done) {
    if (done())
        return true;
    if (waitRanOutAt_ && *waitRanOutAt_ == callsDone_)
        return false; // the thread is still on the call an earlier wait gave up on
    if (answered_.wait_for(lock, std::chrono::milliseconds(ms), done))
        return true;
    waitRanOutAt_ = callsDone_;
    return false;
}

std::optional<PortError> BoardOwner::Write(int port, int bit, int level, int waitMs) {
    if (port != 6 || bit < 4 || bit > 7 || (level != 0 && level != 1)) {
        std::lock_guard board(boardMutex_);
        return board_.WriteOutputBit(port, bit, level); // refused by the board itself
    }
    std::unique_lock lock(mutex_);
    wire_.Want(bit, level);
    if (wire_.Taken(bit) == level)
        return std::nullopt;
    const std::uint64_t answers = wire_.WriteAnswers(bit);
    changed_.notify_all();
    WaitFor(lock, waitMs, [&] {
        return wire_.Taken(bit) == level || wire_.WriteAnswers(bit) > answers || wire_.Wanted(bit) != level ||
               wire_.WriteError(bit).has_value();
    });
    if (wire_.Taken(bit) == level)
        return std::nullopt;
    // The module's last answer to this level was a failure: said as such (the thread goes on trying).
    if (wire_.WriteError(bit))
        return wire_.WriteError(bit);
    return PortError::InFlight();
}

std::optional<PortError> BoardOwner::WriteOutputBit(int port, int bit, int level) {
    return Write(port, bit, level, WaitMs);
}

std::optional<PortError> BoardOwner::WriteOutputBitOnce(int port, int bit, int level, int timeoutMs) {
    return Write(port, bit, level, std::min(timeoutMs, WaitMs));
}

IoBoard::Reading BoardOwner::ReadAnalogInput(int port, int channel) {
    if (port != 5 || channel < 0 || channel > 1) {
        std::lock_guard board(boardMutex_);
        return board_.ReadAnalogInput(port, channel);
    }
    const auto c = static_cast<std::size_t>(channel);
    std::unique_lock lock(mutex_);
    const auto fresh = [&] { return Fresh(channel); };
    const bool prepared = std::exchange(prepared_[c], false);
    if (!prepared && !fresh()) {
        wire_.DemandReadings();
        changed_.notify_all();
        // A position is worth waiting for: at most the call under way (an off first) and the reading.
        answered_.wait_for(lock, std::chrono::milliseconds(ReadWaitMs), fresh);
    }
    if (!fresh())
        return {0, PortError::InFlight()}; // asked for; the module's answer is not in yet
    const auto& sample = wire_.LastSample(channel);
    returned_[c] = sample.number;
    return {sample.count, sample.error};
}

bool BoardOwner::Fresh(int channel) const {
    const auto& sample = wire_.LastSample(channel);
    return sample.number > returned_[channel == 0 ? 0 : 1] && NowMs() - sample.atMs <= FreshMs;
}

bool BoardOwner::PrepareReadings(std::function<void()> ready) {
    {
        std::lock_guard lock(mutex_);
        prepared_ = {true, true};
        if (Fresh(0) && Fresh(1)) {
            ready_ = nullptr;
            return true;
        }
        ready_ = std::move(ready);
        wire_.DemandReadings();
    }
    changed_.notify_all();
    return false;
}

void BoardOwner::CancelReadings() {
    std::lock_guard lock(mutex_);
    ready_ = nullptr;
    prepared_ = {false, false};
}

IoBoard::Reading BoardOwner::ReadOutputBit(int port, int bit) {
    std::lock_guard board(boardMutex_);
    ApplyAddress();
    return board_.ReadOutputBit(port, bit);
}

void BoardOwner::Exclusive(const std::function<void(IoBoard&)>& work) {
    std::lock_guard board(boardMutex_);
    ApplyAddress();
    work(board_);
}

void BoardOwner::ReadBackCoils(bool on) {
    std::lock_guard lock(mutex_);
    wire_.ReadBack(on);
}

void BoardOwner::ExpectWordWithin(int ms) {
    {
        std::lock_guard lock(mutex_);
        wire_.SetDeadline(NowMs() + ms);
    }
    changed_.notify_all();
}

void BoardOwner::AllOff() {
    std::lock_guard lock(mutex_);
    wire_.ClearDeadline();
}

int BoardOwner::Firings() const {
    std::lock_guard lock(mutex_);
    return wire_.Firings();
}

void BoardOwner::Run() {
    std::unique_lock lock(mutex_);
    std::optional<std::int64_t> endBy; // once the owner goes: the last moment for the offs
    for (;;) {
        // A fatal signal in another thread: its handler writes the offs; nothing goes on from here.
        if (EmergencyRelayStop::Engaged())
            wire_.BeginEnding();
        const std::int64_t now = NowMs();
        if (quit_) {
            // The end: passes of offs alone, each off sent again until the module has taken it.
            if (!endBy)
                endBy = now + EndingOffMs;
            if (!wire_.OffOutstanding() || now >= *endBy)
                break;
        }
        const auto job = wire_.Next(now);
        if (!job) {
            if (quit_)
                changed_.wait_for(
                    lock, std::chrono::milliseconds(std::min<std::int64_t>(EndingPauseMs, *endBy - now)));
            else if (const auto wake = wire_.WakeAtMs(now))
                changed_.wait_for(lock, std::chrono::milliseconds(std::max<std::int64_t>(1, *wake - now)));
            else
                changed_.wait(lock);
            continue;
        }
        // An off's call waits for the module at most twice the response time-out, at the end no
        // longer than the time left.
        const int offWaitMs =
            endBy ? static_cast<int>(std::clamp<std::int64_t>(*endBy - now, 1, OffWaitMs)) : OffWaitMs;
        lock.unlock();
        std::optional<PortError> error;
        int count = 0;
        {
            std::lock_guard board(boardMutex_);
            ApplyAddress();
            if (job->kind == BoardWire::Job::Write && job->level == 1 && EmergencyRelayStop::Engaged()) {
                error = PortError::InFlight(); // never an on after the crash path's offs
            } else if (job->kind == BoardWire::Job::Write) {
                error = job->level == 0 ? board_.WriteOutputBitOnce(6, job->index, 0, offWaitMs)
                                        : board_.WriteOutputBit(6, job->index, 1);
            } else if (job->kind == BoardWire::Job::ReadCoil) {
                const Reading reading = board_.ReadOutputBit(6, job->index);
                count = reading.count;
                error = reading.error;
            } else {
                const Reading reading = board_.ReadAnalogInput(5, job->index);
                count = reading.count;
                error = reading.error;
            }
        }
        lock.lock();
        wire_.Done(*job, error, count, NowMs());
        ++callsDone_;
        answered_.notify_all();
        // Under the lock, so that a cancel in between cannot meet a call under way.
        if (ready_ && Fresh(0) && Fresh(1))
            std::exchange(ready_, nullptr)();
    }
}

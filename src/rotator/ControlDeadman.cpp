// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/ControlDeadman.h"

ControlDeadman::ControlDeadman(Stop stop) : stop_(std::move(stop)), thread_([this] { Run(); }) {}

ControlDeadman::~ControlDeadman() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void ControlDeadman::ExpectWordWithin(int ms) {
    {
        std::lock_guard lock(mutex_);
        armed_ = true;
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    }
    changed_.notify_all();
}

void ControlDeadman::AllOff() {
    {
        std::lock_guard lock(mutex_);
        armed_ = false;
    }
    changed_.notify_all();
}

int ControlDeadman::Firings() const {
    std::lock_guard lock(mutex_);
    return firings_;
}

void ControlDeadman::Run() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (!armed_) {
            changed_.wait(lock);
            continue;
        }
        const auto deadline = deadline_;
        if (changed_.wait_until(lock, deadline) != std::cv_status::timeout)
            continue; // a word came (or the end): look again
        if (quit_ || !armed_ || deadline_ != deadline)
            continue;
        // No word within the time: the control is not running. The off goes out from here.
        armed_ = false;
        ++firings_;
        lock.unlock();
        stop_(StopWaitMs);
        lock.lock();
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/IoBoard.h"

#include <utility>

class RunTrace;

// Puts every relay write into the run trace ("<ms> write BIT LEVEL", failed ones with " failed"), so a
// soak or a test can check what the program sent and when, against the trace's other lines (the
// "ending" line above all). Reads pass through untraced.
class TracingBoard : public IoBoard {
  public:
    TracingBoard(IoBoard& board, RunTrace& trace) : board_(board), trace_(trace) {}

    void SetAddress(const QString& address) override { board_.SetAddress(address); }
    std::optional<PortError> WriteOutputBit(int port, int bit, int level) override;
    std::optional<PortError> WriteOutputBitOnce(int port, int bit, int level, int timeoutMs) override;
    Reading ReadAnalogInput(int port, int channel) override { return board_.ReadAnalogInput(port, channel); }
    bool PrepareReadings(std::function<void()> ready) override {
        return board_.PrepareReadings(std::move(ready));
    }
    void CancelReadings() override { board_.CancelReadings(); }
    bool Simulated() const override { return board_.Simulated(); }
    Reading ReadOutputBit(int port, int bit) override { return board_.ReadOutputBit(port, bit); }

  private:
    IoBoard& board_;
    RunTrace& trace_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/IoBoard.h"
#include "rotator/RotatorPhysics.h"

#include <cstdint>

class Clock;

// The default board: the rotator model behind the board's three operations, in the program's own
// process. Time comes from the Clock port; the model catches up with the clock on every call and on
// Advance, so a test that moves a virtual clock moves the antenna.
//
// Only port 6, bits 4..7 and port 5, channels 0..1 exist; anything else is refused with error 5,
// as the board's control refuses an invalid argument.
class SimulatedBoard : public IoBoard {
  public:
    SimulatedBoard(const Clock& clock, const RotatorPhysics::Settings& settings = {});

    void SetAddress(const QString& address) override { address_ = address; }
    std::optional<PortError> WriteOutputBit(int port, int bit, int level) override;
    Reading ReadAnalogInput(int port, int channel) override;
    bool Simulated() const override { return true; }

    // Integrates the motion up to the clock's present time.
    void Advance();

    QString address() const { return address_; }
    const RotatorPhysics& physics() const { return physics_; }
    RotatorPhysics& physics() { return physics_; }

  private:
    const Clock& clock_;
    RotatorPhysics physics_;
    std::int64_t lastMs_;
    QString address_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "links/RotctldProtocol.h"

#include <functional>

struct MainState;

// The rotctld endpoint's view of the main window's state: the antenna direction worked out the way
// PositionAntenna draws it on the map, the operating range in the compass frame and a stop action
// (the abort button's), given by whoever wires the window.
class RotctldMainState : public RotctldStation {
  public:
    RotctldMainState(const MainState& state, std::function<int()> stop, QString info);

    AntennaDirection PresentDirection() const override;
    AntennaLimits OperatingRange() const override;
    int Stop() override;
    QString Info() const override { return info_; }

    // The map's antenna direction of a state: present angles less the set and the temporary
    // corrections, azimuth wrapped into 0..360, elevation held to 0..90, and with the south start
    // point turned into the compass frame.
    static AntennaDirection MapDirection(const MainState& state);

  private:
    const MainState& state_;
    std::function<int()> stop_;
    QString info_;
};

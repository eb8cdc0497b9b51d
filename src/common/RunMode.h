// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The operation the antenna is in (MainState::OperatingMode). The numbers are fixed: the run trace
// writes them ("cycle mode=M").
enum class RunMode : std::int16_t {
    Stopped = 0,   // no operation
    Manual = 1,    // turning to the pointed direction or a station's, and ending there
    Automatic = 2, // following the chosen target until stopped
};

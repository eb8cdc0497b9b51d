// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Command line of azelmon-boardsim. Every fault is off unless asked for.
struct BoardServerOptions {
    int port = 1502; // 0 picks a free port (printed on the first line)
    double azimuth = 0, elevation = 0;
    double noiseCounts = 0;
    std::uint32_t seed = 1;
    double dropFraction = 0;     // requests read and never answered
    int delayMs = 0;             // pause before every answer
    double exceptionRate = 0;    // requests answered with "server device failure"
    long closeAfter = 0;         // a connection is closed after this many requests (0 never)
    long silentAfter = -1;       // after this many requests in all, no answers ...
    double silentForSeconds = 0; // ... for this long
    bool jamAzimuth = false;     // a motor that hums and does not turn: the relay acts, the angle stays
    bool jamElevation = false;
    std::string mapFile;        // a rotorcfg.ini whose [BOARD_MAP] lays out coils and registers
    std::string device;         // serve Modbus RTU on this serial device too (the map's line settings)
    double watchdogSeconds = 0; // all coils off after this long without any request (0 never)
    std::vector<int> relaysOn;  // relay bits (4..7) that are on when the emulator starts
    int readDelayMs = 0;        // reads (0x01..0x04) answered this late, writes at once
    bool noReadCoils = false;   // Read Coils (0x01) never answered
    double azimuthTravel = 360; // end stops at 0 and at the travel
    double elevationTravel = 180;
};

// Parses the arguments (without the program name). An error text when they are wrong.
std::optional<std::string> ParseBoardServerOptions(const std::vector<std::string>& args,
                                                   BoardServerOptions& options);

extern const char* const BoardServerUsage;

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Clock.h"
#include "common/DataLink.h"
#include "common/IoBoard.h"
#include "config/BoardChoice.h"
#include "rotator/BoardMap.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class ProfileDocument;
class RemoteTarget;
class RotctldServer;
struct RotctldListenSpec;
struct StartupOptions;

// The pieces a start of azelmon is made of, each from the command line and the settings read once:
// the board, the data link and the rotctld endpoint.

// The I/O board a start drives, made from the command line and the settings.
struct MadeBoard {
    std::unique_ptr<IoBoard> board;
    // The Modbus board's layout and transport; nothing for the simulated board.
    std::optional<BoardMapReading> map;
    // A crash is to switch the relays off through the board's own connection: the caller installs the
    // crash handlers (a Modbus TCP board with a usable map).
    bool emergencyStopArmed = false;
};

// --board when given, else the BOARD setting, else the simulated board. A Modbus board takes its map
// from the settings, its TCP port from --modbus-port when given; a refused map drives nothing from the
// first call on. The simulated board starts at --sim-az, --sim-el.
MadeBoard MakeBoard(const StartupOptions& options, BoardKind kind, const ProfileDocument& settings,
                    const Clock& clock);

// How the board check names the board it reads: the module's transport and address, or the simulated
// board and how to choose the real one.
QString BoardCheckText(const std::optional<BoardMapReading>& map, const QString& boardAddress);

// What makes two programs drive the same board (the single-instance lock's board part): the serial
// device, or the address and port; empty for the simulated board.
QString BoardLockKey(const std::optional<BoardMapReading>& map, const QString& boardAddress);

// The data link: under --link rotctld the boxes come from `target` (D-Bus is not touched), with the
// observer's place for the Sun, the Moon and Mars and the map's azimuth from `mapAzimuth`; else the
// D-Bus session bus.
std::unique_ptr<DataLink> MakeLink(const StartupOptions& options, const RemoteTarget& target,
                                   const Clock& clock, std::pair<double, double> observer,
                                   std::function<double()> mapAzimuth);

// What opening the rotctld endpoint has to say: the line for standard output when it listens (tests and
// scripts started with port 0 read the port there), or the two status line texts when it cannot.
struct RotctldStart {
    QString announcement;
    QString left;
    QString right;
};
RotctldStart StartRotctld(RotctldServer& server, const RotctldListenSpec& listen);

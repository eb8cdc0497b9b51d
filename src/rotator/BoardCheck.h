// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class IoBoard;
struct BoardMap;
struct MainState;

// `azelmon --board-check`: one look at the board without moving anything. Reads both potentiometers
// once and reports, per potentiometer, the register's raw value, the 10-bit count the program works
// with, its voltage and the angle the present calibration gives; then the module's watchdog and the
// relay map. It never switches a relay; where the map names the module's watchdog register it writes
// it, as every connection does, and reads it back. `map` is null for the simulated board; `state`
// holds the settings as start-up reads them.
struct BoardCheckReport {
    QStringList lines; // for standard output
    QStringList errors;
    bool ok() const { return errors.isEmpty(); }
};
BoardCheckReport RunBoardCheck(IoBoard& board, const BoardMap* map, const QString& boardText,
                               const MainState& state);

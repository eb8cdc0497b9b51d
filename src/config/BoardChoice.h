// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

class ProfileDocument;

// Which I/O board azelmon drives: the simulated one or the real one over Modbus. The setting
// "BOARD" of section [TCP/IP] (beside the board's address) chooses it, so that the program started
// from the desktop menu drives the real rotators once configured; the command line's --board
// overrides it for one run. Without either, the simulated board: nothing touches a real board
// unless asked to.

enum class BoardKind { Simulated, Modbus };

// The setting's section, key and words. Letter case is ignored when reading.
inline constexpr char BoardSection[] = "TCP/IP";
inline constexpr char BoardKey[] = "BOARD";
inline constexpr char BoardSimWord[] = "SIM";
inline constexpr char BoardModbusWord[] = "MODBUS";

// "sim" or "modbus" in any letter case, blanks around ignored; anything else std::nullopt.
std::optional<BoardKind> ParseBoardKind(const QString& text);

// The word the settings file holds for a kind.
QString BoardWord(BoardKind kind);

struct BoardChoice {
    BoardKind kind = BoardKind::Simulated;
    // Set when the setting held something that is neither word: the simulated board runs then.
    QString problem;
};

// flag: the --board value when given (already checked to be sim or modbus). setting: the BOARD
// value as read, empty when the key is missing.
BoardChoice ChooseBoard(const std::optional<QString>& flag, const QString& setting);

// The BOARD value of the settings file, empty when the key is missing.
QString ReadBoardSetting(const ProfileDocument& settings);
QString ReadBoardSetting(const QString& iniPath);

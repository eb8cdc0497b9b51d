// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

// The last word of a process that dies of a fatal signal (SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL,
// SIGTRAP, SIGSYS): the four relays are switched off on the Modbus TCP board with async-signal-safe
// calls only, then the signal takes its default action (core dump, exit status) as if nothing had
// caught it. The handler runs on an alternate signal stack of the main thread, so a stack overflow
// there still switches the relays off.
//
// A signal handler can reach nothing but process-wide state, so this is the one place in the program
// that keeps some: a duplicate of the board's connected socket and four ready-made "Write Single Coil,
// off" requests, armed by whoever owns the board each time its connection changes. The duplicate is
// never closed (disarming points it at an unconnected socket), so the descriptor the handler writes to
// can never become another file's. Nothing is allocated, formatted or
// locked in the handler: it writes the requests with send(), waits a bounded time for the replies with
// poll()/recv(), and re-raises.
//
// When the connection has just been dropped (after a board failure the next call reconnects), the
// handler connects afresh to the board's last address, within the same bound. The simulated board is
// never armed: its relays die with the process.
namespace EmergencyRelayStop {

// Modbus TCP request "Write Single Coil" (function 0x05) that switches `coil` off.
std::array<std::uint8_t, 12> CoilOffFrame(std::uint16_t transaction, std::uint8_t unit, std::uint16_t coil);

// The board's connected socket with the unit id and the four relay coil addresses; socket -1 disarms
// (the caller closes its socket after that). Called on the thread that owns the board.
void Arm(int socket, std::uint8_t unit, const std::array<std::uint16_t, 4>& coils);

// Installs the handlers of the fatal signals named above, on an alternate stack of the calling (main)
// thread.
void InstallCrashHandlers();

// Writes the four requests to the armed socket (or a fresh connection to the last armed board) and waits
// at most waitMs in all. Async-signal-safe. Returns the replies received (0..4), -1 when there is no
// board to reach or the write failed.
int StopNow(int waitMs);

// True once a fatal signal has arrived: the relay layer then refuses every "on" in any thread that
// still runs.
bool Engaged();

} // namespace EmergencyRelayStop

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/PortError.h"

#include <QString>
#include <functional>
#include <optional>

// The network I/O board that carries the four rotator relays and the two potentiometer inputs.
//
// Contract:
// - Every call blocks the calling thread until the board answered or the backend's response time-out
//   ran out (at most 500 ms for the Modbus backend). No call lets events run. A board that may take
//   that long says so (OwnThread); the window then reaches it only through a BoardOwner, which keeps it
//   on a thread of its own and answers within a few milliseconds.
// - A failure is returned, never thrown: a number and a description, as the status line shows them.
// - After a failure the next call tries again from scratch (the Modbus backend reconnects).
// - port is 6 for WriteOutputBit (port B) and 5 for ReadAnalogInput; other values are refused.
class IoBoard {
  public:
    virtual ~IoBoard() = default;

    // The board's address text (the "IP" setting). Takes effect for the next call.
    virtual void SetAddress(const QString& address) = 0;

    // Switches one relay: bit 4 right turn, 5 left turn, 6 up, 7 down; level 1 on, 0 off.
    virtual std::optional<PortError> WriteOutputBit(int port, int bit, int level) = 0;

    // One attempt at a relay write that nothing in the backend may hold back or stretch: it goes on the
    // wire even while the board counts as silent, and waits at most timeoutMs (connection included).
    // For the all-off of the program's end. A backend without such a gate makes its ordinary write.
    virtual std::optional<PortError> WriteOutputBitOnce(int port, int bit, int level, int timeoutMs) {
        (void)timeoutMs;
        return WriteOutputBit(port, bit, level);
    }

    // Reads one analogue input: channel 0 azimuth, 1 elevation. A 10-bit count, 0..1023 for 0..5 V.
    struct Reading {
        int count = 0;
        std::optional<PortError> error;
    };
    virtual Reading ReadAnalogInput(int port, int channel) = 0;

    // A board on a thread of its own answers readings later, so the measurement need not wait for them:
    // PrepareReadings asks for a fresh reading of both potentiometers and says whether they are in
    // already. When they are not, `ready` is called once they are, on the board's thread (it may only
    // post to the window's thread). Either way the next ReadAnalogInput of each channel returns at once:
    // the answer that came in, or an answer not in yet as in flight. CancelReadings drops a `ready` not
    // called yet. A board on the caller's thread has its readings in at once.
    virtual bool PrepareReadings(std::function<void()> ready) {
        (void)ready;
        return true;
    }
    virtual void CancelReadings() {}

    // True for the simulated board, so the window can say that the antenna it shows is not the mast.
    virtual bool Simulated() const { return false; }
    // A board whose calls wait on a module: its calls belong on a thread of their own (BoardOwner).
    virtual bool OwnThread() const { return false; }
    // Reads back one relay's level (count 1 on, 0 off) where the board can; a board that cannot says so
    // with an error. Only start-up asks, to report a relay it found on.
    virtual Reading ReadOutputBit(int port, int bit) {
        (void)port;
        (void)bit;
        return {0, PortError{0, QStringLiteral("relay levels cannot be read back")}};
    }
};

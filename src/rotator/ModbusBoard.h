// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/IoBoard.h"
#include "rotator/BoardMap.h"
#include "rotator/BoardSilence.h"

#include <QString>
#include <functional>

struct _modbus;

// The board reached over Modbus (libmodbus), TCP or RTU as the board map says:
// - WriteOutputBit(6, bit, level): Write Single Coil (0x05) at the map's coil of relay `bit` (4 right,
//   5 left, 6 up, 7 down; coils 4..7 by default). No other coil is ever written but the
//   watchdog coil the map may name.
// - ReadAnalogInput(5, channel): one register (input, 0x04, or holding, 0x03) at the map's address of
//   potentiometer `channel`, scaled from the converter's full scale to a 10-bit count for 0..5 V.
// Constructing the board does not connect: the first call does. Every call waits at most the response
// time-out (500 ms) for the connection and for the answer. After any failure the connection (socket or
// serial device) is dropped and the next call connects afresh. After three time-outs in a row the board
// is silent (BoardSilence): ons and reads fail at once with ETIMEDOUT, one a second still asks it; an
// off (level 0) is never held back, it always goes on the wire within the response time-out, since a
// module that is slow or silent to reads may well still take a write. Where the map names the
// module's watchdog register, it is written once after each connection: before the first on or read,
// after the first off (an off goes first). An exception
// answer is reported by the protocol's code and name ("Modbus例外 02 (Illegal Data Address)"), other
// errors by libmodbus's errno and modbus_strerror text; a serial device that cannot be opened gets a
// description naming it.
//
// Everything that touches the wire is in this class; the coil and register numbers come only from
// map(), and socket() is the connected descriptor (-1 when not connected).
class ModbusBoard : public IoBoard {
  public:
    explicit ModbusBoard(const BoardMap& map, const QString& address = QString(), int timeoutMs = 500);
    // The default layout over TCP on the given port.
    explicit ModbusBoard(const QString& address = QString(), int port = 502, int timeoutMs = 500);
    ~ModbusBoard() override;
    ModbusBoard(const ModbusBoard&) = delete;
    ModbusBoard& operator=(const ModbusBoard&) = delete;

    void SetAddress(const QString& address) override;
    std::optional<PortError> WriteOutputBit(int port, int bit, int level) override;
    // Past the silence gate, with the connect and the answer each bounded by timeoutMs / 2.
    std::optional<PortError> WriteOutputBitOnce(int port, int bit, int level, int timeoutMs) override;
    Reading ReadAnalogInput(int port, int channel) override;
    // Read Coils (0x01) of the relay's coil; a module without the function answers with exception 01.
    Reading ReadOutputBit(int port, int bit) override;
    bool OwnThread() const override { return true; }

    // Connects now (a serial device is opened and locked) without sending anything; the error when it
    // cannot. Start-up uses it to name a missing or busy serial device once, in a message.
    std::optional<PortError> Open() { return Connect(); }

    // Writes the map's watchdog value to its register (Write Single Coil or Write Single Register),
    // through the silence gate; nothing when the map names none. An exception answer (a module without
    // that register) keeps the connection.
    std::optional<PortError> ArmModuleWatchdog();
    // The watchdog register read back (Read Coils or Read Holding Registers), for the board check.
    Reading ReadModuleWatchdog();
    // The error of the last writing of the watchdog register, empty once it was taken.
    const std::optional<PortError>& watchdogError() const { return watchdogError_; }

    // A board whose map was refused: every call fails with this reason and nothing is sent.
    void Refuse(const QString& reason) { refusal_ = reason; }

    // The raw register value behind the last successful ReadAnalogInput of a channel (board check).
    int lastRaw(int channel) const { return lastRaw_[channel == 0 ? 0 : 1]; }

    bool connected() const { return ctx_ != nullptr; }
    int socket() const;
    const BoardMap& map() const { return map_; }
    const QString& address() const { return address_; }

    // Told the connected socket after every connect and -1 when the connection is dropped (the
    // emergency relay stop of a crashing process writes to it).
    void setConnectionObserver(std::function<void(int socket)> observer) { observer_ = std::move(observer); }
    // Over TCP, arms the crash path's own way to the board (EmergencyRelayStop) with
    // the map's unit and coils at every connection; false for an RTU line, which is never armed.
    bool ArmEmergencyStopOnConnect();

  private:
    std::optional<PortError> Connect();
    std::optional<PortError> ConnectSerial();
    // Connects unless the board is silent and it is not yet time to ask again; with `gated` false
    // (an off) whatever the silence says.
    std::optional<PortError> Prepare(bool gated = true);
    // The watchdog write a fresh connection still owes; its error only when the connection is lost.
    std::optional<PortError> ArmIfOwed();
    std::optional<PortError> WriteWatchdog();
    PortError Fail(int error); // drops the connection, describes the error and notes a time-out
    void Disconnect();

    BoardMap map_;
    QString address_;
    int timeoutMs_;
    _modbus* ctx_ = nullptr;
    std::optional<QString> refusal_;
    bool exclusive_ = false; // the serial device is in exclusive mode by us
    int lastRaw_[2] = {0, 0};
    std::function<void(int)> observer_;
    BoardSilence silence_;
    bool watchdogOwed_ = false; // connected since the watchdog register was last written
    std::optional<PortError> watchdogError_;
};

// What start-up shows once about the board, relays all off: a refused map and a serial device that cannot be
// opened (the program runs on; the status line keeps the error). A refused map makes the board refuse every
// call.
QStringList BoardStartupMessages(const BoardMapReading& reading, ModbusBoard& board);

// A libmodbus error as the program reports it: an exception answer by its code (the number) and
// "Modbus例外 <code in two hex digits> (<the protocol's name>)"; anything else by errno and its text.
PortError ModbusError(int error);

// The description of a serial device that could not be opened: what is wrong and what to do.
QString SerialOpenErrorText(const QString& device, int error);

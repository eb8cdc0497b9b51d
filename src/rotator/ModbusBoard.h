#pragma once

#include "common/IoBoard.h"

#include <QString>
#include <functional>

struct _modbus;

// The board reached over Modbus TCP (libmodbus), unit id 1:
// - WriteOutputBit(6, bit, level): Write Single Coil (0x05) at coil address `bit`;
// - ReadAnalogInput(5, channel): Read Input Registers (0x04), one register at address `channel`.
// Constructing the board does not connect: the first call does. Every call waits at most the response
// time-out (500 ms) for the connection and for the answer. After any failure the connection is
// dropped and the next call connects afresh. Errors carry libmodbus's errno and modbus_strerror text.
class ModbusBoard : public IoBoard {
  public:
    explicit ModbusBoard(const QString& address = QString(), int port = 502, int timeoutMs = 500);
    ~ModbusBoard() override;
    ModbusBoard(const ModbusBoard&) = delete;
    ModbusBoard& operator=(const ModbusBoard&) = delete;

    void SetAddress(const QString& address) override;
    std::optional<PortError> WriteOutputBit(int port, int bit, int level) override;
    Reading ReadAnalogInput(int port, int channel) override;

    bool connected() const { return ctx_ != nullptr; }

    // Told the connected socket after every connect and -1 when the connection is dropped (the
    // emergency relay stop of a crashing process writes to it).
    void setConnectionObserver(std::function<void(int socket)> observer) { observer_ = std::move(observer); }

  private:
    std::optional<PortError> Connect();
    PortError Fail(int error); // drops the connection and describes the error
    void Disconnect();

    QString address_;
    int port_;
    int timeoutMs_;
    _modbus* ctx_ = nullptr;
    std::function<void(int)> observer_;
};

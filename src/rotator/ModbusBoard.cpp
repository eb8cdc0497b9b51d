#include "rotator/ModbusBoard.h"

#include <cerrno>
#include <modbus/modbus.h>

namespace {
PortError InvalidArgument() {
    return PortError{5, QStringLiteral("プロシージャの呼び出し、または引数が不正です。")};
}
} // namespace

ModbusBoard::ModbusBoard(const QString& address, int port, int timeoutMs)
    : address_(address), port_(port), timeoutMs_(timeoutMs) {}

ModbusBoard::~ModbusBoard() {
    Disconnect();
}

void ModbusBoard::SetAddress(const QString& address) {
    if (address != address_)
        Disconnect();
    address_ = address;
}

void ModbusBoard::Disconnect() {
    if (ctx_) {
        if (observer_)
            observer_(-1);
        modbus_close(ctx_);
        modbus_free(ctx_);
        ctx_ = nullptr;
    }
}

PortError ModbusBoard::Fail(int error) {
    Disconnect();
    return PortError{error, QString::fromLocal8Bit(modbus_strerror(error))};
}

std::optional<PortError> ModbusBoard::Connect() {
    if (ctx_)
        return std::nullopt;
    const QByteArray node = address_.trimmed().toLocal8Bit();
    const QByteArray service = QByteArray::number(port_);
    // The "pi" flavour resolves host names as well as numeric addresses.
    ctx_ = modbus_new_tcp_pi(node.constData(), service.constData());
    if (!ctx_)
        return PortError{errno, QString::fromLocal8Bit(modbus_strerror(errno))};
    modbus_set_slave(ctx_, 1);
    modbus_set_response_timeout(ctx_, timeoutMs_ / 1000, (timeoutMs_ % 1000) * 1000);
    if (modbus_connect(ctx_) == -1)
        return Fail(errno);
    if (observer_)
        observer_(modbus_get_socket(ctx_));
    return std::nullopt;
}

std::optional<PortError> ModbusBoard::WriteOutputBit(int port, int bit, int level) {
    if (port != 6 || bit < 4 || bit > 7 || (level != 0 && level != 1))
        return InvalidArgument();
    if (auto error = Connect())
        return error;
    if (modbus_write_bit(ctx_, bit, level) == -1)
        return Fail(errno);
    return std::nullopt;
}

IoBoard::Reading ModbusBoard::ReadAnalogInput(int port, int channel) {
    if (port != 5 || channel < 0 || channel > 1)
        return {0, InvalidArgument()};
    if (auto error = Connect())
        return {0, error};
    uint16_t value = 0;
    if (modbus_read_input_registers(ctx_, channel, 1, &value) != 1)
        return {0, Fail(errno)};
    // The control hands the value on as a 16-bit signed integer.
    return {static_cast<std::int16_t>(value), std::nullopt};
}

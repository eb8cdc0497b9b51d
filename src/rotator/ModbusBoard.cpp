// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/ModbusBoard.h"

#include "rotator/EmergencyRelayStop.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <modbus/modbus.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace {
PortError InvalidArgument() {
    return PortError{5, QStringLiteral("プロシージャの呼び出し、または引数が不正です。")};
}

std::int64_t MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

PortError TimedOut() {
    return PortError{ETIMEDOUT, QString::fromLocal8Bit(modbus_strerror(ETIMEDOUT))};
}

// The exception codes of the Modbus application protocol, by the names the protocol gives them.
const char* ExceptionName(int code) {
    switch (code) {
    case 0x01:
        return "Illegal Function";
    case 0x02:
        return "Illegal Data Address";
    case 0x03:
        return "Illegal Data Value";
    case 0x04:
        return "Server Device Failure";
    case 0x05:
        return "Acknowledge";
    case 0x06:
        return "Server Device Busy";
    case 0x07:
        return "Negative Acknowledge";
    case 0x08:
        return "Memory Parity Error";
    case 0x0A:
        return "Gateway Path Unavailable";
    case 0x0B:
        return "Gateway Target Device Failed to Respond";
    default:
        return nullptr;
    }
}

BoardMap DefaultLayout(int port) {
    BoardMap map;
    map.tcpPort = port;
    return map;
}
} // namespace

PortError ModbusError(int error) {
    // libmodbus reports an exception answer as its own errno above MODBUS_ENOBASE; the user (and the
    // module's manual) know it by the protocol's code.
    const int code = error - MODBUS_ENOBASE;
    if (const char* name = ExceptionName(code))
        return PortError{code, QStringLiteral("Modbus例外 %1 (%2)")
                                   .arg(QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper(),
                                        QLatin1String(name))};
    return PortError{error, QString::fromLocal8Bit(modbus_strerror(error))};
}

QString SerialOpenErrorText(const QString& device, int error) {
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return QStringLiteral("シリアル装置 %1 がありません。USB-RS485 変換器の接続と [BOARD_MAP] DEVICE "
                              "の設定を確かめてください（%2）")
            .arg(device, QString::fromLocal8Bit(std::strerror(error)));
    case EACCES:
    case EPERM:
        return QStringLiteral("シリアル装置 %1 を開く権限がありません。ユーザーを dialout グループに入れ"
                              "（sudo usermod -aG dialout $USER）、ログインし直してください（%2）")
            .arg(device, QString::fromLocal8Bit(std::strerror(error)));
    case EBUSY:
    case EWOULDBLOCK:
        return QStringLiteral("シリアル装置 %1 は他のプログラムが使用中です。そのプログラムを終了してください"
                              "（%2）")
            .arg(device, QString::fromLocal8Bit(std::strerror(EBUSY)));
    default:
        return QStringLiteral("シリアル装置 %1 を開けません（%2）")
            .arg(device, QString::fromLocal8Bit(modbus_strerror(error)));
    }
}

QStringList BoardStartupMessages(const BoardMapReading& reading, ModbusBoard& board) {
    QStringList messages;
    if (reading.refusal) {
        board.Refuse(*reading.refusal);
        messages << *reading.refusal;
    } else if (reading.map.transport == BoardMap::Transport::Rtu) {
        if (const auto error = board.Open())
            messages << error->description;
    }
    return messages;
}

ModbusBoard::ModbusBoard(const BoardMap& map, const QString& address, int timeoutMs)
    : map_(map), address_(address), timeoutMs_(timeoutMs) {}

ModbusBoard::ModbusBoard(const QString& address, int port, int timeoutMs)
    : ModbusBoard(DefaultLayout(port), address, timeoutMs) {}

ModbusBoard::~ModbusBoard() {
    Disconnect();
}

void ModbusBoard::SetAddress(const QString& address) {
    if (address != address_ && map_.transport == BoardMap::Transport::Tcp)
        Disconnect();
    address_ = address;
}

int ModbusBoard::socket() const {
    return ctx_ ? modbus_get_socket(ctx_) : -1;
}

void ModbusBoard::Disconnect() {
    if (ctx_) {
        if (observer_)
            observer_(-1);
        // The exclusive mode outlives our descriptor while anyone else holds the terminal open.
        if (exclusive_)
            ::ioctl(modbus_get_socket(ctx_), TIOCNXCL);
        exclusive_ = false;
        modbus_close(ctx_);
        modbus_free(ctx_);
        ctx_ = nullptr;
    }
}

PortError ModbusBoard::Fail(int error) {
    Disconnect();
    if (error == ETIMEDOUT)
        silence_.TimedOut();
    else
        silence_.NotSilent();
    return ModbusError(error);
}

std::optional<PortError> ModbusBoard::Prepare(bool gated) {
    if (!refusal_ && !silence_.MaySend(MonotonicMs(), gated))
        return TimedOut();
    return Connect();
}

std::optional<PortError> ModbusBoard::WriteWatchdog() {
    const auto& w = *map_.watchdog;
    const int written = w.kind == BoardMap::WatchdogKind::Coil
                            ? modbus_write_bit(ctx_, w.address, w.value)
                            : modbus_write_register(ctx_, w.address, w.value);
    if (written != -1) {
        silence_.NotSilent();
        watchdogError_.reset();
        return std::nullopt;
    }
    const int error = errno;
    // A module that answers with an exception does not have the register: say so, keep the connection
    // (the relays still work) and leave it until the next connection.
    if (error > MODBUS_ENOBASE && ExceptionName(error - MODBUS_ENOBASE)) {
        silence_.NotSilent();
        watchdogError_ = ModbusError(error);
        return std::nullopt;
    }
    watchdogError_ = Fail(error);
    return watchdogError_;
}

std::optional<PortError> ModbusBoard::ArmIfOwed() {
    if (!watchdogOwed_ || !ctx_)
        return std::nullopt;
    watchdogOwed_ = false;
    return WriteWatchdog();
}

std::optional<PortError> ModbusBoard::ArmModuleWatchdog() {
    if (!map_.watchdog)
        return std::nullopt;
    if (auto error = Prepare())
        return watchdogError_ = error;
    watchdogOwed_ = false;
    if (auto error = WriteWatchdog())
        return error;
    return watchdogError_;
}

IoBoard::Reading ModbusBoard::ReadModuleWatchdog() {
    if (!map_.watchdog)
        return {0, InvalidArgument()};
    if (auto error = Prepare())
        return {0, error};
    const auto& w = *map_.watchdog;
    std::uint8_t bit = 0;
    std::uint16_t value = 0;
    const bool read = w.kind == BoardMap::WatchdogKind::Coil
                          ? modbus_read_bits(ctx_, w.address, 1, &bit) == 1
                          : modbus_read_registers(ctx_, w.address, 1, &value) == 1;
    if (!read)
        return {0, Fail(errno)};
    silence_.NotSilent();
    return {w.kind == BoardMap::WatchdogKind::Coil ? int(bit) : int(value), std::nullopt};
}

bool ModbusBoard::ArmEmergencyStopOnConnect() {
    if (map_.transport != BoardMap::Transport::Tcp)
        return false;
    const auto unit = static_cast<std::uint8_t>(map_.unitId);
    std::array<std::uint16_t, 4> coils{};
    for (std::size_t i = 0; i < coils.size(); ++i)
        coils[i] = static_cast<std::uint16_t>(map_.relayCoils[i]);
    setConnectionObserver([unit, coils](int socket) { EmergencyRelayStop::Arm(socket, unit, coils); });
    return true;
}

std::optional<PortError> ModbusBoard::Connect() {
    if (refusal_)
        return PortError{EINVAL, *refusal_};
    if (ctx_)
        return std::nullopt;
    if (map_.transport == BoardMap::Transport::Rtu)
        return ConnectSerial();
    const QByteArray node = address_.trimmed().toLocal8Bit();
    const QByteArray service = QByteArray::number(map_.tcpPort);
    // The "pi" flavour resolves host names as well as numeric addresses.
    ctx_ = modbus_new_tcp_pi(node.constData(), service.constData());
    if (!ctx_)
        return PortError{errno, QString::fromLocal8Bit(modbus_strerror(errno))};
    modbus_set_slave(ctx_, map_.unitId);
    modbus_set_response_timeout(ctx_, timeoutMs_ / 1000, (timeoutMs_ % 1000) * 1000);
    if (modbus_connect(ctx_) == -1)
        return Fail(errno);
    if (observer_)
        observer_(modbus_get_socket(ctx_));
    watchdogOwed_ = map_.watchdog.has_value();
    return std::nullopt;
}

std::optional<PortError> ModbusBoard::ConnectSerial() {
    const QByteArray device = map_.device.toLocal8Bit();
    ctx_ = modbus_new_rtu(device.constData(), map_.baud, map_.parity, map_.dataBits, map_.stopBits);
    if (!ctx_)
        return PortError{errno, SerialOpenErrorText(map_.device, errno)};
    modbus_set_slave(ctx_, map_.unitId);
    modbus_set_response_timeout(ctx_, timeoutMs_ / 1000, (timeoutMs_ % 1000) * 1000);
    const auto refuse = [this](int error) {
        Disconnect();
        return PortError{error, SerialOpenErrorText(map_.device, error)};
    };
    if (modbus_connect(ctx_) == -1) {
        const int error = errno;
        modbus_free(ctx_);
        ctx_ = nullptr;
        return refuse(error);
    }
    // Two programs on one RS-485 line garble each other's frames: hold the device exclusively, and
    // say so when someone else does (a flock, as serial tools take it, or the terminal's exclusive mode).
    const int fd = modbus_get_socket(ctx_);
    if (::flock(fd, LOCK_EX | LOCK_NB) == -1)
        return refuse(EBUSY);
    exclusive_ = ::ioctl(fd, TIOCEXCL) == 0;
    // Whatever a module sent after an earlier time-out must not pass for the next answer.
    modbus_flush(ctx_);
    watchdogOwed_ = map_.watchdog.has_value();
    return std::nullopt;
}

std::optional<PortError> ModbusBoard::WriteOutputBit(int port, int bit, int level) {
    if (port != 6 || bit < 4 || bit > 7 || (level != 0 && level != 1))
        return InvalidArgument();
    // No gate for an off: a module that fails reads may still take it, and a relay left on is the one
    // thing the gate must never cause.
    const bool off = level == 0;
    if (auto error = Prepare(!off))
        return error;
    if (!off) {
        if (auto error = ArmIfOwed())
            return error;
    }
    if (modbus_write_bit(ctx_, map_.CoilOfRelay(bit), level) == -1)
        return Fail(errno);
    silence_.NotSilent();
    ArmIfOwed(); // after an off it follows the off; its failure is not the off's
    return std::nullopt;
}

std::optional<PortError> ModbusBoard::WriteOutputBitOnce(int port, int bit, int level, int timeoutMs) {
    if (port != 6 || bit < 4 || bit > 7 || (level != 0 && level != 1))
        return InvalidArgument();
    // The silence gate is for the running program; at its end one frame per coil goes out whatever it
    // says, since a module that has just come back must hear the off. The time-out is shortened for it.
    const int saved = timeoutMs_;
    timeoutMs_ = std::max(1, std::min(saved, timeoutMs / 2));
    if (ctx_)
        modbus_set_response_timeout(ctx_, timeoutMs_ / 1000, (timeoutMs_ % 1000) * 1000);
    std::optional<PortError> result = Connect();
    if (!result && modbus_write_bit(ctx_, map_.CoilOfRelay(bit), level) == -1)
        result = Fail(errno);
    else if (!result)
        silence_.NotSilent();
    timeoutMs_ = saved;
    if (ctx_)
        modbus_set_response_timeout(ctx_, timeoutMs_ / 1000, (timeoutMs_ % 1000) * 1000);
    return result;
}

IoBoard::Reading ModbusBoard::ReadOutputBit(int port, int bit) {
    if (port != 6 || bit < 4 || bit > 7)
        return {0, InvalidArgument()};
    if (auto error = Prepare())
        return {0, error};
    if (auto error = ArmIfOwed())
        return {0, error};
    std::uint8_t level = 0;
    if (modbus_read_bits(ctx_, map_.CoilOfRelay(bit), 1, &level) != 1)
        return {0, Fail(errno)};
    silence_.NotSilent();
    return {level ? 1 : 0, std::nullopt};
}

IoBoard::Reading ModbusBoard::ReadAnalogInput(int port, int channel) {
    if (port != 5 || channel < 0 || channel > 1)
        return {0, InvalidArgument()};
    if (auto error = Prepare())
        return {0, error};
    if (auto error = ArmIfOwed())
        return {0, error};
    const int address = map_.potRegisters[static_cast<std::size_t>(channel)];
    uint16_t value = 0;
    const int read = map_.registerKind == BoardMap::RegisterKind::Input
                         ? modbus_read_input_registers(ctx_, address, 1, &value)
                         : modbus_read_registers(ctx_, address, 1, &value);
    if (read != 1)
        return {0, Fail(errno)};
    silence_.NotSilent();
    lastRaw_[channel] = map_.RawFromRegister(value);
    return {map_.CountFromRaw(lastRaw_[channel]), std::nullopt};
}

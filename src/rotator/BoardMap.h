// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

class ProfileDocument;

// How a Modbus relay/ADC module carries the four relays and the two potentiometers, read from the
// section [BOARD_MAP] of rotorcfg.ini. The defaults are the default layout: Modbus TCP, unit 1,
// coils 4..7, input registers 0 and 1 holding a 10-bit count for 0..5 V. The rest of the program
// never sees the map: ModbusBoard turns relay bits 4..7 into the map's coils and scales every reading
// to the 0..1023-for-0..5 V count the measurement expects.
struct BoardMap {
    enum class Transport { Tcp, Rtu };
    enum class RegisterKind { Input, Holding }; // function 0x04 or 0x03

    Transport transport = Transport::Tcp;
    int unitId = 1;
    // Coil address of each relay: right turn, left turn, up, down (relay bits 4, 5, 6, 7).
    std::array<int, 4> relayCoils = {4, 5, 6, 7};
    // Register address of each potentiometer: azimuth, elevation (channels 0, 1).
    std::array<int, 2> potRegisters = {0, 1};
    RegisterKind registerKind = RegisterKind::Input;
    // The converter's full-scale count and the volts it stands for.
    int fullScaleCount = 1023;
    double fullScaleVolts = 5.0;

    int tcpPort = 502; // the address is the "IP" setting of [TCP/IP]
    QString device = QStringLiteral("/dev/ttyUSB0");
    int baud = 9600;
    char parity = 'N'; // 'N', 'E' or 'O'
    int dataBits = 8;
    int stopBits = 1;

    // The module's own communication watchdog: a register that, once written, makes the module switch
    // its outputs off when no request has come for a set time. azelmon writes `value` there after
    // every connection, so a process that can no longer act (SIGKILL, SIGSTOP, a frozen machine) still
    // leaves no motor running. A coil is written with 0x05 and read back with 0x01, a holding register
    // with 0x06 and 0x03. None unless the map names one.
    enum class WatchdogKind { Coil, Holding };
    struct ModuleWatchdog {
        WatchdogKind kind = WatchdogKind::Holding;
        int address = 0;
        int value = 0;
        bool operator==(const ModuleWatchdog&) const = default;
    };
    std::optional<ModuleWatchdog> watchdog;

    // A register's 16 bits as the converter means them: a converter whose full scale fits in 15 bits
    // gives a signed value (a little below 0 V reads as -3, not 65533), a wider one an unsigned value.
    int RawFromRegister(std::uint16_t value) const;
    // The coil of relay bit 4..7; -1 for any other bit.
    int CoilOfRelay(int bit) const;
    // A raw register value turned into the count of a 10-bit converter over 0..5 V (rounded; the
    // default map passes the value through unchanged).
    int CountFromRaw(int raw) const;
    // The inverse, for the board emulator: volts to the register value the module would give.
    int RawFromVolts(double volts) const;

    // "function 0x04 (input registers)" and the like, for messages and the board check.
    QString RegisterKindText() const;
    // "Modbus TCP 127.0.0.1:502, unit 1" / "Modbus RTU /dev/ttyUSB0 9600 8N1, unit 1".
    QString TransportText(const QString& address) const;
    QString RelayMapText() const;
    // "holding register (0x06) 300, value 50" or "coil (0x05) 20, value 1".
    QString WatchdogText() const;

    bool operator==(const BoardMap&) const = default;
};

// The map read from a settings file.
struct BoardMapReading {
    BoardMap map;
    // Set when the map cannot be used: a key that does not exist, a value that is not a whole value of
    // its kind (a typo, a comment after the number), two relays on one coil, both potentiometers on one
    // register, a full scale of 0 or less, a watchdog register that is incomplete, on a relay's coil or
    // a potentiometer's register, or given a value that would switch the watchdog off. The board is
    // then not driven at all.
    std::optional<QString> refusal;
};

// The section a module's layout is kept in; the other sections of rotorcfg.ini never name these keys.
inline constexpr char BoardMapSection[] = "BOARD_MAP";

// Reads [BOARD_MAP] of the settings file strictly: every key must be a whole value of its kind,
// numbers in their range, or the map is refused naming the first key that is not; a missing key (or
// section, or file) takes its default silently.
BoardMapReading ReadBoardMap(const QString& iniPath);
BoardMapReading ReadBoardMap(const ProfileDocument& settings);

// The checks that refuse a map whose keys are each fine on their own.
std::optional<QString> RefusalOf(const BoardMap& map);

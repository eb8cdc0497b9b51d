// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/BoardMap.h"

#include "common/NumberText.h"
#include "config/ProfileFile.h"

#include <QFile>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr int MaxAddress = 65535;

std::optional<int> WholeNumber(const QString& text, int min, int max) {
    const auto number = StrictNumber(text);
    if (!number || *number != std::floor(*number) || *number < min || *number > max)
        return std::nullopt;
    return static_cast<int>(*number);
}

QString Lead() {
    return QStringLiteral("設定ファイルの [%1] ではボードを使えません: ").arg(QLatin1String(BoardMapSection));
}

QString BadValue(const char* key, const QString& value, const char* expected) {
    return Lead() + QStringLiteral("%1 の値「%2」は使えません（%3）。")
                        .arg(QLatin1String(key), value, QString::fromUtf8(expected));
}

// The key names of the first [BOARD_MAP] section of the file, as written (comments left out).
QStringList KeysInSection(const QByteArray& bytes) {
    QStringList keys;
    bool inside = false, seen = false;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromLatin1(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.contains(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.indexOf(QLatin1Char(']')) - 1).trimmed();
            inside = !seen && name.compare(QLatin1String(BoardMapSection), Qt::CaseInsensitive) == 0;
            seen = seen || inside;
            continue;
        }
        if (inside && line.contains(QLatin1Char('=')) && !line.startsWith(QLatin1Char(';')) &&
            !line.startsWith(QLatin1Char('#')))
            keys << line.left(line.indexOf(QLatin1Char('='))).trimmed();
    }
    return keys;
}

// The watchdog's three keys into the map (a missing key is -1 or empty); the refusal when they do not
// make one register to write. A holding register's 0 and a coil's 0 switch most modules' watchdog off,
// which would leave the user believing in a watchdog that is not there.
std::optional<QString> WatchdogRefusal(int address, std::optional<BoardMap::WatchdogKind> kind, int value,
                                       BoardMap& m) {
    if (address < 0) {
        if (kind || value >= 0)
            return Lead() +
                   QStringLiteral("WATCHDOG_REGISTER がありません（WATCHDOG_KIND と WATCHDOG_VALUE は"
                                  "それを書くレジスタと一緒に設定します）。");
        return std::nullopt;
    }
    const auto k = kind.value_or(BoardMap::WatchdogKind::Holding);
    if (k == BoardMap::WatchdogKind::Coil) {
        if (value < 0)
            value = 1;
        if (value != 1)
            return BadValue("WATCHDOG_VALUE", QString::number(value), "コイルでは 1");
    } else {
        if (value < 0)
            return Lead() + QStringLiteral("WATCHDOG_VALUE がありません（モジュールの説明書にある、"
                                           "通信タイムアウトのレジスタに書く値）。");
        if (value == 0)
            return BadValue("WATCHDOG_VALUE", QStringLiteral("0"),
                            "1〜65535 の整数。0 はウォッチドッグを止めます");
    }
    m.watchdog = BoardMap::ModuleWatchdog{k, address, value};
    return std::nullopt;
}

const char* const RelayNames[4] = {"右回転", "左回転", "ＵＰ", "ＤＯＷＮ"};
const char* const PotNames[2] = {"方位", "仰角"};

} // namespace

int BoardMap::CoilOfRelay(int bit) const {
    if (bit < 4 || bit > 7)
        return -1;
    return relayCoils[static_cast<std::size_t>(bit - 4)];
}

int BoardMap::RawFromRegister(std::uint16_t value) const {
    return fullScaleCount > 32767 ? static_cast<int>(value)
                                  : static_cast<int>(static_cast<std::int16_t>(value));
}

int BoardMap::CountFromRaw(int raw) const {
    // One product and one quotient, so the default 1023 / 5 V gives the raw value back exactly.
    return static_cast<int>(std::lround(raw * (fullScaleVolts * 1023.0) / (fullScaleCount * 5.0)));
}

int BoardMap::RawFromVolts(double volts) const {
    return static_cast<int>(std::lround(volts * fullScaleCount / fullScaleVolts));
}

QString BoardMap::RegisterKindText() const {
    return registerKind == RegisterKind::Input ? QStringLiteral("input register (0x04)")
                                               : QStringLiteral("holding register (0x03)");
}

QString BoardMap::TransportText(const QString& address) const {
    if (transport == Transport::Tcp)
        return QStringLiteral("Modbus TCP %1:%2, unit %3").arg(address).arg(tcpPort).arg(unitId);
    return QStringLiteral("Modbus RTU %1 %2 %3%4%5, unit %6")
        .arg(device)
        .arg(baud)
        .arg(dataBits)
        .arg(QLatin1Char(parity))
        .arg(stopBits)
        .arg(unitId);
}

QString BoardMap::RelayMapText() const {
    QStringList parts;
    for (int i = 0; i < 4; ++i)
        parts << QStringLiteral("%1 (bit %2) coil %3")
                     .arg(QString::fromUtf8(RelayNames[i]))
                     .arg(i + 4)
                     .arg(relayCoils[static_cast<std::size_t>(i)]);
    return parts.join(QStringLiteral(", "));
}

QString BoardMap::WatchdogText() const {
    if (!watchdog)
        return QStringLiteral("none");
    return QStringLiteral("%1 %2, value %3")
        .arg(watchdog->kind == WatchdogKind::Coil ? QStringLiteral("coil (0x05)")
                                                  : QStringLiteral("holding register (0x06)"))
        .arg(watchdog->address)
        .arg(watchdog->value);
}

std::optional<QString> RefusalOf(const BoardMap& map) {
    const QString lead = Lead();
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            if (map.relayCoils[static_cast<std::size_t>(i)] == map.relayCoils[static_cast<std::size_t>(j)])
                return lead + QStringLiteral("%1 と %2 が同じコイル %3 です。")
                                  .arg(QString::fromUtf8(RelayNames[i]), QString::fromUtf8(RelayNames[j]))
                                  .arg(map.relayCoils[static_cast<std::size_t>(i)]);
    if (map.potRegisters[0] == map.potRegisters[1])
        return lead + QStringLiteral("%1 と %2 のポテンショメータが同じレジスタ %3 です。")
                          .arg(QString::fromUtf8(PotNames[0]), QString::fromUtf8(PotNames[1]))
                          .arg(map.potRegisters[0]);
    // Writing the watchdog's value must not switch a relay or overwrite what is read as an angle.
    if (const auto& w = map.watchdog; w && w->kind == BoardMap::WatchdogKind::Coil) {
        for (int i = 0; i < 4; ++i)
            if (map.relayCoils[static_cast<std::size_t>(i)] == w->address)
                return lead + QStringLiteral("WATCHDOG_REGISTER のコイル %1 は%2のリレーのコイルです。")
                                  .arg(w->address)
                                  .arg(QString::fromUtf8(RelayNames[i]));
    } else if (w && map.registerKind == BoardMap::RegisterKind::Holding) {
        for (int i = 0; i < 2; ++i)
            if (map.potRegisters[static_cast<std::size_t>(i)] == w->address)
                return lead +
                       QStringLiteral("WATCHDOG_REGISTER と%1のポテンショメータが同じレジスタ %2 です。")
                           .arg(QString::fromUtf8(PotNames[i]))
                           .arg(w->address);
    }
    if (map.fullScaleCount <= 0)
        return lead + QStringLiteral("FULL_SCALE_COUNT が %1 です（1 以上が必要）。").arg(map.fullScaleCount);
    if (!(map.fullScaleVolts > 0))
        return lead + QStringLiteral("FULL_SCALE_VOLTS が %1 です（0 より大きい値が必要）。")
                          .arg(map.fullScaleVolts);
    return std::nullopt;
}

BoardMapReading ReadBoardMap(const QString& iniPath) {
    return ReadBoardMap(ProfileDocument::Read(iniPath));
}

BoardMapReading ReadBoardMap(const ProfileDocument& settings) {
    BoardMapReading reading;
    BoardMap& m = reading.map;

    // Each key: its name, and how to take a value (false when the value cannot be used).
    // FULL_SCALE_COUNT and FULL_SCALE_VOLTS take any number here, so that a 0 or a negative value is
    // refused with the whole map rather than quietly replaced.
    using Take = std::function<bool(const QString&)>;
    const auto whole = [](int& field, int min, int max) -> Take {
        return [&field, min, max](const QString& v) {
            const auto n = WholeNumber(v, min, max);
            return n && ((field = *n), true);
        };
    };
    struct Key {
        const char* name;
        Take take;
        const char* expected;
    };
    // The watchdog's keys come as a group; what is missing is decided once all are read.
    int watchdogAddress = -1, watchdogValue = -1;
    std::optional<BoardMap::WatchdogKind> watchdogKind;
    const Key keys[] = {
        {"TRANSPORT",
         [&m](const QString& v) {
             const QString t = v.toUpper();
             if (t == QLatin1String("TCP"))
                 m.transport = BoardMap::Transport::Tcp;
             else if (t == QLatin1String("RTU"))
                 m.transport = BoardMap::Transport::Rtu;
             else
                 return false;
             return true;
         },
         "TCP または RTU"},
        {"UNIT", whole(m.unitId, 0, 255), "0〜255 の整数"},
        {"RIGHT_COIL", whole(m.relayCoils[0], 0, MaxAddress), "0〜65535 の整数"},
        {"LEFT_COIL", whole(m.relayCoils[1], 0, MaxAddress), "0〜65535 の整数"},
        {"UP_COIL", whole(m.relayCoils[2], 0, MaxAddress), "0〜65535 の整数"},
        {"DOWN_COIL", whole(m.relayCoils[3], 0, MaxAddress), "0〜65535 の整数"},
        {"AZ_REGISTER", whole(m.potRegisters[0], 0, MaxAddress), "0〜65535 の整数"},
        {"EL_REGISTER", whole(m.potRegisters[1], 0, MaxAddress), "0〜65535 の整数"},
        {"REGISTER_KIND",
         [&m](const QString& v) {
             const QString t = v.toUpper();
             if (t == QLatin1String("INPUT") || t == QLatin1String("0X04") || t == QLatin1String("4"))
                 m.registerKind = BoardMap::RegisterKind::Input;
             else if (t == QLatin1String("HOLDING") || t == QLatin1String("0X03") || t == QLatin1String("3"))
                 m.registerKind = BoardMap::RegisterKind::Holding;
             else
                 return false;
             return true;
         },
         "INPUT または HOLDING"},
        {"FULL_SCALE_COUNT", whole(m.fullScaleCount, -MaxAddress, MaxAddress), "整数"},
        {"FULL_SCALE_VOLTS",
         [&m](const QString& v) {
             const auto n = StrictNumber(v);
             return n && *n <= 1000 && ((m.fullScaleVolts = *n), true);
         },
         "1000 以下の数値"},
        {"PORT", whole(m.tcpPort, 1, 65535), "1〜65535 の整数"},
        {"DEVICE",
         [&m](const QString& v) {
             // A device path: absolute, one line, nothing a shell or libmodbus could misread.
             if (!v.startsWith(QLatin1Char('/')) || v.contains(QLatin1Char(' ')) || v.size() > 200)
                 return false;
             m.device = v;
             return true;
         },
         "/ で始まり空白のない装置名"},
        {"BAUD",
         [&m](const QString& v) {
             static const int rates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};
             const auto n = WholeNumber(v, 0, 230400);
             if (!n || std::find(std::begin(rates), std::end(rates), *n) == std::end(rates))
                 return false;
             m.baud = *n;
             return true;
         },
         "1200〜230400 の標準の通信速度"},
        {"PARITY",
         [&m](const QString& v) {
             const QString t = v.toUpper();
             if (t != QLatin1String("N") && t != QLatin1String("E") && t != QLatin1String("O"))
                 return false;
             m.parity = t[0].toLatin1();
             return true;
         },
         "N、E または O"},
        {"DATA_BITS", whole(m.dataBits, 5, 8), "5〜8 の整数"},
        {"STOP_BITS", whole(m.stopBits, 1, 2), "1 または 2"},
        {"WATCHDOG_REGISTER", whole(watchdogAddress, 0, MaxAddress), "0〜65535 の整数"},
        {"WATCHDOG_KIND",
         [&watchdogKind](const QString& v) {
             const QString t = v.toUpper();
             if (t == QLatin1String("COIL") || t == QLatin1String("0X05") || t == QLatin1String("5"))
                 watchdogKind = BoardMap::WatchdogKind::Coil;
             else if (t == QLatin1String("HOLDING") || t == QLatin1String("0X06") || t == QLatin1String("6"))
                 watchdogKind = BoardMap::WatchdogKind::Holding;
             else
                 return false;
             return true;
         },
         "COIL または HOLDING"},
        {"WATCHDOG_VALUE", whole(watchdogValue, 0, MaxAddress), "0〜65535 の整数"},
    };

    // Any value that cannot be used refuses the whole map, as a misspelt key does: a default in its
    // place (coil 4 for "RIGHT_COIL=l2" or "RIGHT_COIL=12 ; comment") would drive a layout nobody wrote.
    for (const Key& key : keys) {
        const auto value = settings.Value(QLatin1String(key.name), QLatin1String(BoardMapSection));
        if (value && !key.take(*value) && !reading.refusal)
            reading.refusal = BadValue(key.name, *value, key.expected);
    }
    // A serial line has unit ids 1..247 (0 is broadcast, which no module answers); over TCP 0..247
    // and 255 ("no unit", for modules that ignore it) are the ones the protocol allows.
    const bool rtu = m.transport == BoardMap::Transport::Rtu;
    if (!reading.refusal && (rtu ? (m.unitId < 1 || m.unitId > 247) : (m.unitId > 247 && m.unitId != 255)))
        reading.refusal = BadValue("UNIT", QString::number(m.unitId),
                                   rtu ? "RTU では 1〜247" : "TCP では 0〜247 または 255");
    if (!reading.refusal)
        reading.refusal = WatchdogRefusal(watchdogAddress, watchdogKind, watchdogValue, m);
    if (!reading.refusal)
        reading.refusal = RefusalOf(m);
    // A misspelt key would leave its relay on the default coil, which may drive something else.
    QSet<QString> known;
    for (const Key& key : keys)
        known << QLatin1String(key.name);
    for (const QString& name : KeysInSection(settings.bytes()))
        if (!known.contains(name.toUpper()) && !reading.refusal)
            reading.refusal =
                QStringLiteral("設定ファイルの [%1] ではボードを使えません: %2 というキーはありません"
                               "（綴りを確かめてください）。")
                    .arg(QLatin1String(BoardMapSection), name);
    return reading;
}

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

QString Message(const char* key, const QString& value, const QString& used) {
    return QStringLiteral("設定ファイルの [%1] %2 の値「%3」は使えないため、%4 を使います。")
        .arg(QLatin1String(BoardMapSection), QLatin1String(key), value, used);
}

// The key names of the first [BOARD_MAP] section of the file, as written (comments left out).
QStringList KeysInSection(const QString& iniPath) {
    QFile file(iniPath);
    QStringList keys;
    if (!file.open(QIODevice::ReadOnly))
        return keys;
    bool inside = false, seen = false;
    for (const QByteArray& raw : file.readAll().split('\n')) {
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

std::optional<QString> RefusalOf(const BoardMap& map) {
    const QString lead = QStringLiteral("設定ファイルの [%1] ではボードを使えません: ").arg(BoardMapSection);
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
    if (map.fullScaleCount <= 0)
        return lead + QStringLiteral("FULL_SCALE_COUNT が %1 です（1 以上が必要）。").arg(map.fullScaleCount);
    if (!(map.fullScaleVolts > 0))
        return lead + QStringLiteral("FULL_SCALE_VOLTS が %1 です（0 より大きい値が必要）。")
                          .arg(map.fullScaleVolts);
    return std::nullopt;
}

BoardMapReading ReadBoardMap(const QString& iniPath) {
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
        QString defaultText;
    };
    const BoardMap defaults;
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
         QStringLiteral("TCP")},
        {"UNIT", whole(m.unitId, 0, 255), QString::number(defaults.unitId)},
        {"RIGHT_COIL", whole(m.relayCoils[0], 0, MaxAddress), QString::number(defaults.relayCoils[0])},
        {"LEFT_COIL", whole(m.relayCoils[1], 0, MaxAddress), QString::number(defaults.relayCoils[1])},
        {"UP_COIL", whole(m.relayCoils[2], 0, MaxAddress), QString::number(defaults.relayCoils[2])},
        {"DOWN_COIL", whole(m.relayCoils[3], 0, MaxAddress), QString::number(defaults.relayCoils[3])},
        {"AZ_REGISTER", whole(m.potRegisters[0], 0, MaxAddress), QString::number(defaults.potRegisters[0])},
        {"EL_REGISTER", whole(m.potRegisters[1], 0, MaxAddress), QString::number(defaults.potRegisters[1])},
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
         QStringLiteral("INPUT")},
        {"FULL_SCALE_COUNT", whole(m.fullScaleCount, -MaxAddress, MaxAddress),
         QString::number(defaults.fullScaleCount)},
        {"FULL_SCALE_VOLTS",
         [&m](const QString& v) {
             const auto n = StrictNumber(v);
             return n && *n <= 1000 && ((m.fullScaleVolts = *n), true);
         },
         QString::number(defaults.fullScaleVolts)},
        {"PORT", whole(m.tcpPort, 1, 65535), QString::number(defaults.tcpPort)},
        {"DEVICE",
         [&m](const QString& v) {
             // A device path: absolute, one line, nothing a shell or libmodbus could misread.
             if (!v.startsWith(QLatin1Char('/')) || v.contains(QLatin1Char(' ')) || v.size() > 200)
                 return false;
             m.device = v;
             return true;
         },
         defaults.device},
        {"BAUD",
         [&m](const QString& v) {
             static const int rates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};
             const auto n = WholeNumber(v, 0, 230400);
             if (!n || std::find(std::begin(rates), std::end(rates), *n) == std::end(rates))
                 return false;
             m.baud = *n;
             return true;
         },
         QString::number(defaults.baud)},
        {"PARITY",
         [&m](const QString& v) {
             const QString t = v.toUpper();
             if (t != QLatin1String("N") && t != QLatin1String("E") && t != QLatin1String("O"))
                 return false;
             m.parity = t[0].toLatin1();
             return true;
         },
         QStringLiteral("N")},
        {"DATA_BITS", whole(m.dataBits, 5, 8), QString::number(defaults.dataBits)},
        {"STOP_BITS", whole(m.stopBits, 1, 2), QString::number(defaults.stopBits)},
    };

    for (const Key& key : keys) {
        const QString value = GetINIValue(QLatin1String(key.name), QLatin1String(BoardMapSection), iniPath);
        if (value == QLatin1String("ERROR"))
            continue;
        if (!key.take(value)) {
            reading.problems << Message(key.name, value, key.defaultText);
            key.take(key.defaultText);
        }
    }
    // A serial line has unit ids 1..247 (0 is broadcast, which no module answers); over TCP 0..247
    // and 255 ("no unit", for modules that ignore it) are the ones the protocol allows.
    const bool rtu = m.transport == BoardMap::Transport::Rtu;
    if (rtu ? (m.unitId < 1 || m.unitId > 247) : (m.unitId > 247 && m.unitId != 255)) {
        reading.problems << Message("UNIT", QString::number(m.unitId), QString::number(defaults.unitId));
        m.unitId = defaults.unitId;
    }
    reading.refusal = RefusalOf(m);
    // A misspelt key would leave its relay on the default coil, which may drive something else.
    QSet<QString> known;
    for (const Key& key : keys)
        known << QLatin1String(key.name);
    for (const QString& name : KeysInSection(iniPath))
        if (!known.contains(name.toUpper()) && !reading.refusal)
            reading.refusal =
                QStringLiteral("設定ファイルの [%1] ではボードを使えません: %2 というキーはありません"
                               "（綴りを確かめてください）。")
                    .arg(QLatin1String(BoardMapSection), name);
    return reading;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/SettingsDialogLogic.h"

#include "common/NumberFormat.h"
#include "common/NumberText.h"
#include "common/StartPoint.h"
#include "config/BoardChoice.h"
#include "config/ProfileFile.h"
#include "config/StartupSettings.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {

constexpr DialogKeyInfo kKeys[DialogKeyCount] = {
    {"VPOSITION", "VHOSEIKAKU", "0", true, -5, 5, "0.000"},
    {"VPOSITION", "VVOLT0", "0", false, 0, 0, "0.000"},
    {"VPOSITION", "VVOLT90", "2.5", false, 0, 0, "0.000"},
    {"HPOSITION", "HHOSEIKAKU", "0", true, -5, 5, "0.000"},
    {"HPOSITION", "HVOLT0", "0", false, 0, 0, "0.000"},
    {"HPOSITION", "HVOLT360", "5.0", false, 0, 0, "0.000"},
    {"GOSATABLE", "HGOSA", "1", true, 0, 10, "0"},
    {"GOSATABLE", "VGOSA", "1", true, 0, 10, "0"},
    {"GOSATABLE", "HGOSA_D", "5", true, 0, 9, "0"},
    {"GOSATABLE", "VGOSA_D", "5", true, 0, 9, "0"},
    {"MOTOR", "H_MOTOR", "1", true, 0, 1, "0"},
    {"MOTOR", "V_MOTOR", "1", true, 0, 1, "0"},
};

constexpr SettingKey kStartPoint{"HOUI", "HKITEN", "0"};
constexpr SettingKey kDelay{"DELAY_TIME", "DELAY", "0"};
constexpr SettingKey kDelaySwitch{"DELAY_TIME", "DELAY_SW", "0"};
constexpr SettingKey kBoardAddress{"TCP/IP", "IP", "192.168.0.200"};
constexpr char kBoardPortSection[] = "BOARD_MAP";
constexpr char kBoardPortKey[] = "PORT";
constexpr char kDefaultBoardPort[] = "502";
constexpr SettingKey kElevationRange{"VPOSITION", "V-RANGE", "0,90"};
constexpr SettingKey kAzimuthRange{"HPOSITION", "H-RANGE", "0,360"};
constexpr int kDelayMax = 15;

// A whole-number widget shows the rounded value; one that does not fit is clamped into the widget.
// Returns the number to use and whether it had to be clamped.
std::pair<double, bool> FitToWidget(double value, int min, int max) {
    const int position = SliderPosition(value);
    if (position < min)
        return {min, true};
    if (position > max)
        return {max, true};
    return {value, false};
}

// A range "min,max": both parts numbers, clamped into 0..limit, the minimum below the maximum.
// Anything else falls back to the default 0..limit.
void LoadRange(const SettingKey& key, int limit, const ProfileDocument& settings, QString& text, double& min,
               double& max, DialogSettings& s) {
    text = ReadSetting(key, settings);
    const int comma = text.indexOf(QLatin1Char(','));
    const auto low = comma < 0 ? std::nullopt : StrictNumber(text.left(comma));
    const auto high = comma < 0 ? std::nullopt : StrictNumber(text.mid(comma + 1));
    if (low && high) {
        const auto [lowFit, lowClamped] = FitToWidget(*low, 0, limit);
        const auto [highFit, highClamped] = FitToWidget(*high, 0, limit);
        if (lowFit < highFit) {
            min = lowFit;
            max = highFit;
            if (lowClamped || highClamped) {
                s.clampedKeys << QLatin1String(key.key);
                if (const QString hint = TravelKeyHint(text, limit == 360); !hint.isEmpty())
                    s.travelHints << hint;
                text = SignedPositionText(SliderPosition(min)) + QLatin1Char(',') +
                       SignedPositionText(SliderPosition(max));
            }
            return;
        }
    }
    s.defaultedKeys << QLatin1String(key.key);
    text = QLatin1String(key.defaultValue);
    min = 0;
    max = limit;
}

} // namespace

const DialogKeyInfo& KeyInfo(DialogKey key) {
    return kKeys[Index(key)];
}

int SliderPosition(double value) {
    if (!std::isfinite(value))
        return 0;
    const double r = std::round(value); // half away from zero
    return static_cast<int>(std::clamp(r, -1e9, 1e9));
}

QString SignedPositionText(int value) {
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

DialogSettings LoadDialogSettings(const QString& iniPath) {
    DialogSettings s;
    const ProfileDocument settings = ProfileDocument::Read(iniPath);

    // Start point: anything but "1" is north.
    s.startPoint =
        IsSouthStartPoint(ReadSetting(kStartPoint, settings)) ? QStringLiteral("1") : QStringLiteral("0");

    s.delaySetting = ReadSetting(kDelay, settings);
    s.delayNumber = LeadingNumber(s.delaySetting);
    if (const auto [fit, clamped] = FitToWidget(s.delayNumber, 0, kDelayMax); clamped) {
        // What the slider shows is what a save writes and what the running window uses.
        s.clampedKeys << QLatin1String(kDelay.key);
        s.delayNumber = fit;
        s.delaySetting = SignedPositionText(static_cast<int>(fit));
    }
    s.delaySwitch =
        ReadSetting(kDelaySwitch, settings) == QLatin1String("0") ? QStringLiteral("0") : QStringLiteral("1");

    for (int i = 0; i < DialogKeyCount; ++i) {
        const DialogKeyInfo& k = kKeys[i];
        s.text[i] = ReadSetting(SettingKey{k.section, k.key, k.defaultValue}, settings);
    }

    s.boardAddress = ReadSetting(kBoardAddress, settings);
    QStringList fields = s.boardAddress.split(QLatin1Char('.'));
    if (fields.size() < 4) {
        s.defaultedKeys << QLatin1String(kBoardAddress.key);
        fields = QString::fromLatin1(kBoardAddress.defaultValue).split(QLatin1Char('.'));
    }
    // The fourth field is everything after the third dot.
    s.addressFields = {fields[0], fields[1], fields[2], fields.mid(3).join(QLatin1Char('.'))};

    // Which board the next start drives; a word that is neither shows (and saves) the simulated one,
    // as the program runs it.
    const QString board = ReadBoardSetting(settings);
    const auto boardKind = ParseBoardKind(board);
    if (!boardKind && !board.trimmed().isEmpty())
        s.defaultedKeys << QLatin1String(BoardKey);
    s.boardWord = BoardWord(boardKind.value_or(BoardKind::Simulated));

    // The board's TCP port, as strictly as the start reads it; a value the start would refuse shows
    // the default, so that a save puts a usable one in its place.
    const std::optional<QString> port =
        settings.Value(QLatin1String(kBoardPortKey), QLatin1String(kBoardPortSection));
    s.boardPortInFile = port.has_value();
    if (port) {
        const auto number = StrictNumber(*port);
        if (number && *number == std::floor(*number) && *number >= 1 && *number <= 65535)
            s.boardPort = QString::number(static_cast<int>(*number));
        else
            s.defaultedKeys << QLatin1String(kBoardPortKey);
    }

    LoadRange(kElevationRange, 90, settings, s.elevationRangeText, s.elevationMin, s.elevationMax, s);
    LoadRange(kAzimuthRange, 360, settings, s.azimuthRangeText, s.azimuthMin, s.azimuthMax, s);

    for (int i = 0; i < DialogKeyCount; ++i) {
        const DialogKeyInfo& k = kKeys[i];
        s.number[i] = LeadingNumber(s.text[i]);
        if (!k.bounded)
            continue;
        const auto [fit, clamped] = FitToWidget(s.number[i], k.min, k.max);
        if (clamped) {
            s.clampedKeys << QLatin1String(k.key);
            s.number[i] = fit;
            s.text[i] = QString::number(static_cast<int>(fit));
        }
    }
    return s;
}

QString LoadNotice(const DialogSettings& s) {
    QStringList lines;
    if (!s.clampedKeys.isEmpty())
        lines << QStringLiteral("設定ファイルの次の値は範囲外のため、範囲内に直して表示しています: %1")
                     .arg(s.clampedKeys.join(QStringLiteral(", ")));
    if (!s.defaultedKeys.isEmpty())
        lines << QStringLiteral("設定ファイルの次の値は読み取れないため、既定値を表示しています: %1")
                     .arg(s.defaultedKeys.join(QStringLiteral(", ")));
    lines += s.travelHints;
    return lines.join(QLatin1Char('\n'));
}

bool IsAddressField(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^(0|[1-9][0-9]{0,2})$"));
    return plain.match(text).hasMatch() && text.toInt() <= 255;
}

QString AddressFieldMessage(int field) {
    static const char* const digits[] = {"１", "２", "３", "４"};
    return QStringLiteral("ＩＰ%1アドレスを正しくセットしてください")
        .arg(QString::fromUtf8(digits[field - 1]));
}

std::optional<QString> PortFieldValue(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^[1-9][0-9]{0,4}$"));
    const QString trimmed = TrimBlanks(text);
    if (trimmed.isEmpty())
        return trimmed;
    if (!plain.match(trimmed).hasMatch() || trimmed.toInt() > 65535)
        return std::nullopt;
    return trimmed;
}

QString PortFieldMessage() {
    return QStringLiteral("ボードのポート番号は 1〜65535 の整数にしてください（空欄は既定の 502）");
}

void FormatSaveTexts(DialogSettings& s) {
    for (int i = 0; i < DialogKeyCount; ++i)
        s.text[i] = FormatNumber(s.number[i], QLatin1String(kKeys[i].saveFormat));
}

QList<IniEntry> SaveEntries(const DialogSettings& s, int elevationMinPosition, int elevationMaxPosition,
                            int azimuthMinPosition, int azimuthMaxPosition) {
    const QString address = s.addressFields[0] + QLatin1Char('.') + s.addressFields[1] + QLatin1Char('.') +
                            s.addressFields[2] + QLatin1Char('.') + s.addressFields[3];
    const QString elevationRange = SignedPositionText(elevationMinPosition) + QLatin1Char(',') +
                                   SignedPositionText(elevationMaxPosition);
    const QString azimuthRange =
        SignedPositionText(azimuthMinPosition) + QLatin1Char(',') + SignedPositionText(azimuthMaxPosition);
    auto key = [&s](DialogKey k) {
        const DialogKeyInfo& info = KeyInfo(k);
        return IniEntry{QLatin1String(info.section), QLatin1String(info.key), s.text[Index(k)]};
    };
    using K = DialogKey;
    QList<IniEntry> entries{key(K::VHOSEIKAKU),
                            key(K::VVOLT0),
                            key(K::VVOLT90),
                            {QStringLiteral("VPOSITION"), QStringLiteral("V-RANGE"), elevationRange},
                            key(K::HHOSEIKAKU),
                            key(K::HVOLT0),
                            key(K::HVOLT360),
                            {QStringLiteral("HPOSITION"), QStringLiteral("H-RANGE"), azimuthRange},
                            key(K::HGOSA),
                            key(K::VGOSA),
                            key(K::HGOSA_D),
                            key(K::VGOSA_D),
                            key(K::H_MOTOR),
                            key(K::V_MOTOR),
                            {QStringLiteral("TCP/IP"), QStringLiteral("IP"), address},
                            {QLatin1String(BoardSection), QLatin1String(BoardKey), s.boardWord},
                            {QStringLiteral("HOUI"), QStringLiteral("HKITEN"), s.startPoint},
                            {QStringLiteral("DELAY_TIME"), QStringLiteral("DELAY"), s.delaySetting},
                            {QStringLiteral("DELAY_TIME"), QStringLiteral("DELAY_SW"), s.delaySwitch}};
    // Last, so that a new [BOARD_MAP] goes to the end of the file.
    if (!s.boardPort.isEmpty() || s.boardPortInFile)
        entries.append({QLatin1String(kBoardPortSection), QLatin1String(kBoardPortKey),
                        s.boardPort.isEmpty() ? QLatin1String(kDefaultBoardPort) : s.boardPort});
    return entries;
}

bool WriteEntries(const QList<IniEntry>& entries, const QString& iniPath) {
    bool allWritten = true;
    for (const IniEntry& e : entries)
        allWritten = SetINIValue(e.value, e.key, e.section, iniPath) && allWritten;
    return allWritten;
}

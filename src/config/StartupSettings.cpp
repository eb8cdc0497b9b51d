// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/StartupSettings.h"

#include "common/NumberText.h"
#include "config/ProfileFile.h"

#include <cmath>

namespace {

// Reading order matters only for the log of a hand-edited file; keep the traditional one.
constexpr SettingKey kWindowPosition{"WIN_POSITION", "F1_TOP_LEFT", "555:9735"};
constexpr SettingKey kStartPoint{"HOUI", "HKITEN", "0"};
constexpr SettingKey kDelay{"DELAY_TIME", "DELAY", "0"};
constexpr SettingKey kDelaySwitch{"DELAY_TIME", "DELAY_SW", "0"};
constexpr SettingKey kElevationCorrection{"VPOSITION", "VHOSEIKAKU", "0"};
constexpr SettingKey kElevationVolt0{"VPOSITION", "VVOLT0", "0"};
constexpr SettingKey kElevationVolt90{"VPOSITION", "VVOLT90", "2.5"};
constexpr SettingKey kAzimuthCorrection{"HPOSITION", "HHOSEIKAKU", "0"};
constexpr SettingKey kAzimuthVolt0{"HPOSITION", "HVOLT0", "0"};
constexpr SettingKey kAzimuthVolt360{"HPOSITION", "HVOLT360", "5"};
constexpr SettingKey kAzimuthTolerance{"GOSATABLE", "HGOSA", "1"};
constexpr SettingKey kElevationTolerance{"GOSATABLE", "VGOSA", "1"};
constexpr SettingKey kAzimuthTenths{"GOSATABLE", "HGOSA_D", "5"};
constexpr SettingKey kElevationTenths{"GOSATABLE", "VGOSA_D", "5"};
constexpr SettingKey kAzimuthMotor{"MOTOR", "H_MOTOR", "1"};
constexpr SettingKey kElevationMotor{"MOTOR", "V_MOTOR", "1"};
constexpr SettingKey kBoardAddress{"TCP/IP", "IP", "192.168.0.200"};
constexpr SettingKey kElevationRange{"VPOSITION", "V-RANGE", "0,90"};
constexpr SettingKey kAzimuthRange{"HPOSITION", "H-RANGE", "0,360"};
// The stall and sensor watch: on unless STALL_SW is "0"; STALL_TIME seconds of relay time.
constexpr SettingKey kStallSwitch{"WATCH", "STALL_SW", "1"};
constexpr SettingKey kStallTime{"WATCH", "STALL_TIME", "10"};
constexpr double kStallTimeMin = 3, kStallTimeMax = 600;

QString RangeMessage(const char* key, const QString& value, const char* used) {
    return QStringLiteral("設定ファイルの %1 の値「%2」は使えないため、%3 を使います。")
        .arg(QLatin1String(key), value, QLatin1String(used));
}

// Reads an operating range ("min,max" within 0..limit); an unusable one is named in `problems` and
// the whole range (the key's default) is used instead.
void ReadRange(const SettingKey& key, double limit, const ProfileDocument& settings, QString& text,
               double& min, double& max, QStringList& problems) {
    text = ReadSetting(key, settings);
    if (const auto r = ParseRange(text, limit)) {
        min = r->min;
        max = r->max;
        return;
    }
    problems << RangeMessage(key.key, text, key.defaultValue) + TravelKeyHint(text, limit == 360);
    text = QLatin1String(key.defaultValue);
    min = 0;
    max = limit;
}

// A hand-edited number beyond what the settings dialog's control for it can show ("DELAY=100" would
// hold the event loop 10 s a cycle, a negative tolerance empties the dead band) is held to that
// control's range, as the dialog shows it. The corrected text replaces the value read and the key is
// named in `corrected` ("DELAY=100 → 15"). A number inside the range stays as written, fraction and all.
void HoldToControl(const SettingKey& key, QString& text, int min, int max, QStringList& corrected) {
    const double value = LeadingNumber(text);
    const double position = std::isfinite(value) ? std::round(value) : 0; // as the slider rounds it
    if (position >= min && position <= max)
        return;
    const int held = position < min ? min : max;
    corrected << QStringLiteral("%1=%2 → %3").arg(QLatin1String(key.key), text.trimmed()).arg(held);
    text = QString::number(held);
}

} // namespace

QString ReadSetting(const SettingKey& key, const ProfileDocument& settings) {
    return settings.Value(QLatin1String(key.key), QLatin1String(key.section))
        .value_or(QLatin1String(key.defaultValue));
}

QString ReadBoardAddress(const ProfileDocument& settings) {
    return ReadSetting(kBoardAddress, settings);
}

std::optional<WindowPosition> ParseWindowPosition(const QString& text) {
    const int colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return std::nullopt;
    const QString top = text.left(colon).trimmed();
    const QString left = text.mid(colon + 1).trimmed();
    // A part without any leading number would silently become 0 and put the window in a corner.
    auto hasNumber = [](const QString& s) {
        return !s.isEmpty() &&
               (s[0].isDigit() || ((s[0] == '-' || s[0] == '+' || s[0] == '.') && s.size() > 1));
    };
    if (!hasNumber(top) || !hasNumber(left))
        return std::nullopt;
    return WindowPosition{LeadingNumber(top), LeadingNumber(left)};
}

std::optional<AngleRange> ParseRange(const QString& text, double limit) {
    const int comma = text.indexOf(QLatin1Char(','));
    if (comma < 0)
        return std::nullopt;
    const auto min = StrictNumber(text.left(comma));
    const auto max = StrictNumber(text.mid(comma + 1));
    if (!min || !max)
        return std::nullopt;
    if (*min < 0 || *max > limit || *min >= *max)
        return std::nullopt;
    return AngleRange{*min, *max};
}

QString TravelKeyHint(const QString& rangeText, bool azimuth) {
    const int comma = rangeText.indexOf(QLatin1Char(','));
    const auto max = comma < 0 ? std::nullopt : StrictNumber(rangeText.mid(comma + 1));
    const double scale = azimuth ? 360 : 90, travelLimit = azimuth ? 540 : 180;
    if (!max || !(*max > scale))
        return {};
    const QString key = azimuth ? QStringLiteral("AZ_TRAVEL") : QStringLiteral("EL_TRAVEL");
    const QString travel = *max <= travelLimit
                               ? QStringLiteral("%1=%2").arg(key).arg(*max)
                               : QStringLiteral("%1（%2〜%3）").arg(key).arg(scale).arg(travelLimit);
    return azimuth
               ? QStringLiteral("360 度を越えて回るローテータでは H-RANGE は 0,360 のままにして、回転範囲を "
                                "[TRACKING] %1 で設定します（設定画面の「パス追尾」の水平回転範囲）。"
                                "校正の電圧は 0 度と 360 度で取り込みます。")
                     .arg(travel)
               : QStringLiteral("90 度を越えて倒れるローテータでは V-RANGE は 0,90 のままにして、回転範囲を "
                                "[TRACKING] %1 で設定します（設定画面の「パス追尾」の仰角回転範囲）。"
                                "校正の電圧は 0 度と 90 度で取り込みます。")
                     .arg(travel);
}

QStringList ReadStartupSettings(MainState& state, const QString& iniPath) {
    return ReadStartupSettings(state, ProfileDocument::Read(iniPath));
}

QStringList ReadStartupSettings(MainState& state, const ProfileDocument& settings) {
    QStringList problems;
    ModuleState& m = state.module;

    m.WindowPositionText = ReadSetting(kWindowPosition, settings);
    state.AzimuthStartPoint = ReadSetting(kStartPoint, settings);
    QStringList corrected;
    m.DelaySetting = ReadSetting(kDelay, settings);
    HoldToControl(kDelay, m.DelaySetting, 0, 15, corrected);
    m.DelaySeconds = static_cast<float>(LeadingNumber(m.DelaySetting) / 10.0);
    m.DelaySwitch = ReadSetting(kDelaySwitch, settings);
    state.ElevationCorrectionText = ReadSetting(kElevationCorrection, settings);
    state.ElevationVolt0Text = ReadSetting(kElevationVolt0, settings);
    state.ElevationVolt90Text = ReadSetting(kElevationVolt90, settings);
    state.AzimuthCorrectionText = ReadSetting(kAzimuthCorrection, settings);
    state.AzimuthVolt0Text = ReadSetting(kAzimuthVolt0, settings);
    state.AzimuthVolt360Text = ReadSetting(kAzimuthVolt360, settings);
    state.AzimuthToleranceText = ReadSetting(kAzimuthTolerance, settings);
    state.ElevationToleranceText = ReadSetting(kElevationTolerance, settings);
    state.AzimuthToleranceTenthsText = ReadSetting(kAzimuthTenths, settings);
    state.ElevationToleranceTenthsText = ReadSetting(kElevationTenths, settings);
    state.AzimuthMotorText = ReadSetting(kAzimuthMotor, settings);
    state.ElevationMotorText = ReadSetting(kElevationMotor, settings);
    m.BoardAddress = ReadSetting(kBoardAddress, settings);
    HoldToControl(kElevationCorrection, state.ElevationCorrectionText, -5, 5, corrected);
    HoldToControl(kAzimuthCorrection, state.AzimuthCorrectionText, -5, 5, corrected);
    HoldToControl(kAzimuthTolerance, state.AzimuthToleranceText, 0, 10, corrected);
    HoldToControl(kElevationTolerance, state.ElevationToleranceText, 0, 10, corrected);
    HoldToControl(kAzimuthTenths, state.AzimuthToleranceTenthsText, 0, 9, corrected);
    HoldToControl(kElevationTenths, state.ElevationToleranceTenthsText, 0, 9, corrected);
    if (!corrected.isEmpty())
        problems << QStringLiteral(
                        "設定ファイルの次の値は設定画面で選べる範囲の外にあるため、範囲内に直して使います"
                        "（ファイルは変えません。設定画面で保存すると直した値が書かれます）: %1")
                        .arg(corrected.join(QStringLiteral(", ")));

    ReadRange(kElevationRange, 90, settings, m.ElevationRangeText, m.ElevationRangeMin, m.ElevationRangeMax,
              problems);
    ReadRange(kAzimuthRange, 360, settings, m.AzimuthRangeText, m.AzimuthRangeMin, m.AzimuthRangeMax,
              problems);

    // Only an explicit "0" switches the watch off; a slip of the pen leaves it on.
    state.StallWatchOn = ReadSetting(kStallSwitch, settings) != QLatin1String("0");
    const QString stallText = ReadSetting(kStallTime, settings);
    const auto stallSeconds = StrictNumber(stallText);
    if (stallSeconds && *stallSeconds >= kStallTimeMin && *stallSeconds <= kStallTimeMax) {
        state.StallSeconds = *stallSeconds;
    } else {
        problems << RangeMessage(kStallTime.key, stallText, kStallTime.defaultValue);
        state.StallSeconds = LeadingNumber(QLatin1String(kStallTime.defaultValue));
    }
    return problems;
}

void DeriveWorkingValues(MainState& state) {
    state.AzimuthCorrection = LeadingNumber(state.AzimuthCorrectionText);
    state.ElevationCorrection = LeadingNumber(state.ElevationCorrectionText);
    state.AzimuthTolerance = LeadingNumber(state.AzimuthToleranceText);
    state.ElevationTolerance = LeadingNumber(state.ElevationToleranceText);
    state.AzimuthToleranceTenths = LeadingNumber(state.AzimuthToleranceTenthsText);
    state.ElevationToleranceTenths = LeadingNumber(state.ElevationToleranceTenthsText);
    state.AzimuthTolerance = state.AzimuthToleranceTenths / 10 + state.AzimuthTolerance;
    state.ElevationTolerance = state.ElevationToleranceTenths / 10 + state.ElevationTolerance;
    state.MapCentreX = 1380;
    state.MapCentreY = 1350;
}

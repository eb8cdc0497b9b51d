// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/TrackingSettings.h"

#include "common/NumberFormat.h"
#include "common/NumberText.h"
#include "config/ProfileFile.h"

#include <cmath>
#include <optional>

namespace {

const QString Section = QStringLiteral("TRACKING");

// The key's text, nothing when it is missing.
std::optional<QString> Value(const char* key, const ProfileDocument& settings) {
    const QString text = settings.Value(QLatin1String(key), Section).value_or(QString()).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

QString Unusable(const char* key, const QString& value) {
    return QStringLiteral("設定ファイルの [TRACKING] %1 の値「%2」は使えないため、この機能を使いません。")
        .arg(QLatin1String(key), value);
}

// A switch: "1" on, "0" off, anything else named and off.
bool Switch(const char* key, const ProfileDocument& settings, QStringList& problems) {
    const auto text = Value(key, settings);
    if (!text || *text == QLatin1String("0"))
        return false;
    if (*text == QLatin1String("1"))
        return true;
    problems << Unusable(key, *text);
    return false;
}

// A number within min..max, strictly read; `fallback` when the key is missing or unusable.
double Number(const char* key, double min, double max, double fallback, const ProfileDocument& settings,
              QStringList& problems) {
    const auto text = Value(key, settings);
    if (!text)
        return fallback;
    const auto n = StrictNumber(*text);
    if (!n || *n < min || *n > max) {
        problems << Unusable(key, *text);
        return fallback;
    }
    return *n;
}

// One count of the converter, in volts: the reading's own resolution, allowed to a capture that lands
// on the count above the ideal one.
constexpr double kVoltsPerCount = 5.0 / 1023;

QString Volts(double v) {
    return FormatNumber(v, QStringLiteral("0.000"));
}

// Degrees to a tenth, without a trailing ".0" (450, 449.7).
QString Degrees(double d) {
    return QString::number(std::round(d * 10) / 10);
}

} // namespace

QStringList ReadTrackingSettings(TrackingOptions& options, const QString& iniPath) {
    return ReadTrackingSettings(options, ProfileDocument::Read(iniPath));
}

QStringList ReadTrackingSettings(TrackingOptions& options, const ProfileDocument& settings) {
    QStringList problems;
    options = TrackingOptions{};
    options.lead = Switch("LEAD", settings, problems);
    options.prePosition = Switch("PREPOSITION", settings, problems);
    options.prePositionSeconds = Number("PREPOSITION_SECONDS", 10, 1800, 120, settings, problems);
    // 360 and 90 are the scales themselves: nothing past them, as when the key is missing.
    options.azimuthTravelMax = Number("AZ_TRAVEL", 360, 540, 0, settings, problems);
    options.elevationTravelMax = Number("EL_TRAVEL", 90, 180, 0, settings, problems);
    if (options.azimuthTravelMax <= 360)
        options.azimuthTravelMax = 0;
    if (options.elevationTravelMax <= 90)
        options.elevationTravelMax = 0;
    return problems;
}

std::optional<QString> UnreadableTravel(TravelAxis axis, double travel, const AxisCalibration& c) {
    const double voltSpan = c.voltAtMax - c.voltAtMin;
    const double angleSpan = c.rangeMax - c.rangeMin;
    if (!(travel > c.rangeMax) || !(voltSpan > 0) || !(angleSpan > 0))
        return std::nullopt;
    // The highest angle that still has a count of its own, and the highest voltage at the range's
    // maximum that lets the travel's end reach it.
    const double topVolts = 5 + kVoltsPerCount;
    const double readableEnd = c.rangeMin + (topVolts - c.voltAtMin) * angleSpan / voltSpan;
    if (readableEnd >= travel)
        return std::nullopt;
    const double highestAtMax = c.voltAtMin + (topVolts - c.voltAtMin) * angleSpan / (travel - c.rangeMin);
    const bool azimuth = axis == TravelAxis::Azimuth;
    const double atFiveVolts = c.rangeMin + (5 - c.voltAtMin) * angleSpan / voltSpan;
    return QStringLiteral(
               "%1の回転範囲 %2 度（%3）は今の校正では読めません。%4 %5 V（%6 度）と %7 %8 V（%9 度）"
               "では 5 V が %10 度にあたり、その先は読みが 5 V のまま変わらないためです。"
               "設定画面（補正値の設定）でローテータを %6 度と %9 度に回し、それぞれの電圧を取り込んで"
               "ください。%2 度まで回るローテータなら %9 度の電圧は %11 V 以下になります"
               "（それより高いときは、%2 度で 5 V を越えないようにコントローラの位置出力を調整してから"
               "取り込みます）。")
        .arg(azimuth ? QStringLiteral("水平") : QStringLiteral("仰角"), Degrees(travel),
             azimuth ? QStringLiteral("AZ_TRAVEL") : QStringLiteral("EL_TRAVEL"),
             azimuth ? QStringLiteral("HVOLT0") : QStringLiteral("VVOLT0"), Volts(c.voltAtMin),
             Degrees(c.rangeMin), azimuth ? QStringLiteral("HVOLT360") : QStringLiteral("VVOLT90"),
             Volts(c.voltAtMax), Degrees(c.rangeMax))
        .arg(Degrees(atFiveVolts), FormatNumber(highestAtMax, QStringLiteral("0.00")));
}

QStringList RefuseUnreadableTravel(TrackingOptions& options, const MainState& state) {
    QStringList problems;
    const auto refuse = [&problems](double& travel, TravelAxis axis, const AxisCalibration& c) {
        if (travel <= 0)
            return;
        if (const auto why = UnreadableTravel(axis, travel, c)) {
            problems
                << QStringLiteral(
                       "設定ファイルの [TRACKING] %1=%2 は使いません（運用範囲の中だけで動かします）。%3")
                       .arg(axis == TravelAxis::Azimuth ? QStringLiteral("AZ_TRAVEL")
                                                        : QStringLiteral("EL_TRAVEL"),
                            Degrees(travel), *why);
            travel = 0;
        }
    };
    const ModuleState& m = state.module;
    refuse(options.azimuthTravelMax, TravelAxis::Azimuth,
           {LeadingNumber(state.AzimuthVolt0Text), LeadingNumber(state.AzimuthVolt360Text), m.AzimuthRangeMin,
            m.AzimuthRangeMax});
    refuse(options.elevationTravelMax, TravelAxis::Elevation,
           {LeadingNumber(state.ElevationVolt0Text), LeadingNumber(state.ElevationVolt90Text),
            m.ElevationRangeMin, m.ElevationRangeMax});
    return problems;
}

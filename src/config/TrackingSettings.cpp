// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/TrackingSettings.h"

#include "common/NumberText.h"
#include "config/ProfileFile.h"

#include <optional>

namespace {

const QString Section = QStringLiteral("TRACKING");

// The key's text, nothing when it is missing.
std::optional<QString> Value(const char* key, const QString& iniPath) {
    const QString text = GetINIValue(QLatin1String(key), Section, iniPath).trimmed();
    if (text == QLatin1String("ERROR") || text.isEmpty())
        return std::nullopt;
    return text;
}

QString Unusable(const char* key, const QString& value) {
    return QStringLiteral("設定ファイルの [TRACKING] %1 の値「%2」は使えないため、この機能を使いません。")
        .arg(QLatin1String(key), value);
}

// A switch: "1" on, "0" off, anything else named and off.
bool Switch(const char* key, const QString& iniPath, QStringList& problems) {
    const auto text = Value(key, iniPath);
    if (!text || *text == QLatin1String("0"))
        return false;
    if (*text == QLatin1String("1"))
        return true;
    problems << Unusable(key, *text);
    return false;
}

// A number within min..max, strictly read; `fallback` when the key is missing or unusable.
double Number(const char* key, double min, double max, double fallback, const QString& iniPath,
              QStringList& problems) {
    const auto text = Value(key, iniPath);
    if (!text)
        return fallback;
    const auto n = StrictNumber(*text);
    if (!n || *n < min || *n > max) {
        problems << Unusable(key, *text);
        return fallback;
    }
    return *n;
}

} // namespace

QStringList ReadTrackingSettings(TrackingOptions& options, const QString& iniPath) {
    QStringList problems;
    options = TrackingOptions{};
    options.lead = Switch("LEAD", iniPath, problems);
    options.prePosition = Switch("PREPOSITION", iniPath, problems);
    options.prePositionSeconds = Number("PREPOSITION_SECONDS", 10, 1800, 120, iniPath, problems);
    // 360 and 90 are the scales themselves: nothing past them, as when the key is missing.
    options.azimuthTravelMax = Number("AZ_TRAVEL", 360, 540, 0, iniPath, problems);
    options.elevationTravelMax = Number("EL_TRAVEL", 90, 180, 0, iniPath, problems);
    if (options.azimuthTravelMax <= 360)
        options.azimuthTravelMax = 0;
    if (options.elevationTravelMax <= 90)
        options.elevationTravelMax = 0;
    return problems;
}

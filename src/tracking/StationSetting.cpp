#include "tracking/StationSetting.h"

#include "config/ProfileFile.h"
#include "orbit/StationLocation.h"

std::optional<orbit::Geodetic> ParseStationLocation(const QString& text, QString* problem) {
    std::string why;
    const std::string plain = text.trimmed().toStdString();
    const bool coordinates = text.contains(QLatin1Char(','));
    const auto place = coordinates ? orbit::ParseCoordinates(plain, &why) : orbit::ParseLocator(plain, &why);
    if (!place && problem)
        *problem = QString::fromStdString(why);
    return place;
}

std::optional<orbit::Geodetic> ReadStationLocation(const QString& iniPath, QString* problem) {
    const QString value = GetINIValue(StationLocationKey, StationSection, iniPath);
    if (value == QLatin1String("ERROR") || value.trimmed().isEmpty())
        return std::nullopt;
    QString why;
    const auto place = ParseStationLocation(value, &why);
    if (!place && problem)
        *problem =
            QStringLiteral("%1: [%2] %3=%4: %5").arg(iniPath, StationSection, StationLocationKey, value, why);
    return place;
}

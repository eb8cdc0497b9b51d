// SPDX-License-Identifier: GPL-3.0-or-later
#include "sky/StationSetting.h"

#include "config/ProfileFile.h"
#include "orbit/StationLocation.h"

#include <cmath>

namespace {

std::optional<orbit::Geodetic> Parse(const QString& text, QString* problem, orbit::PlaceProblem* kind) {
    std::string why;
    const std::string plain = text.trimmed().toStdString();
    const bool coordinates = text.contains(QLatin1Char(','));
    const auto place =
        coordinates ? orbit::ParseCoordinates(plain, &why, kind) : orbit::ParseLocator(plain, &why, kind);
    if (!place && problem)
        *problem = QString::fromStdString(why);
    return place;
}

QString ProblemText(orbit::PlaceProblem kind, const QString& value) {
    using P = orbit::PlaceProblem;
    // A number without a comma is a coordinate that lacks its longitude, not a locator.
    const QChar first = value.isEmpty() ? QChar() : value.front();
    const bool numeric = first.isDigit() || first == QLatin1Char('-') || first == QLatin1Char('+') ||
                         first == QLatin1Char('.');
    if ((kind == P::LocatorLength || kind == P::LocatorLetters) && numeric)
        kind = P::Shape;
    switch (kind) {
    case P::Shape:
        return QStringLiteral("緯度,経度 または 緯度,経度,高さ（度, 度, m）の形で入力してください");
    case P::Latitude:
        return QStringLiteral("緯度は -90 から 90 までの度数で入力してください（北が正）");
    case P::Longitude:
        return QStringLiteral("経度は -180 から 360 までの度数で入力してください（東が正）");
    case P::Height:
        return QStringLiteral("高さは -1000 から 10000 までの m で入力してください");
    case P::LocatorLength:
        return QStringLiteral("グリッドロケーターは 4 文字か 6 文字です（例: PM95vq）");
    case P::LocatorLetters:
    case P::None:
        break;
    }
    return QStringLiteral("「%1」はグリッドロケーターではありません（例: PM95vq）").arg(value);
}

} // namespace

std::optional<orbit::Geodetic> ParseStationLocation(const QString& text, QString* problem) {
    return Parse(text, problem, nullptr);
}

LocationInput CheckLocationInput(const QString& typed) {
    LocationInput input;
    input.value = typed.normalized(QString::NormalizationForm_KC).trimmed();
    if (input.value.isEmpty()) {
        input.text = QStringLiteral("未設定: 既定の位置（%1、東京）で計算します")
                         .arg(PlaceText(DefaultStationLocation));
        return input;
    }
    orbit::PlaceProblem kind = orbit::PlaceProblem::None;
    input.place = Parse(input.value, nullptr, &kind);
    input.state = input.place ? LocationInput::Good : LocationInput::Bad;
    input.text = input.place ? PlaceText(*input.place) : ProblemText(kind, input.value);
    return input;
}

QString PlaceText(const orbit::Geodetic& place) {
    return QStringLiteral("%1 %2° %3 %4° 高さ %5 m")
        .arg(place.latitude < 0 ? QStringLiteral("南緯") : QStringLiteral("北緯"))
        .arg(std::abs(place.latitude), 0, 'f', 4)
        .arg(place.longitude < 0 ? QStringLiteral("西経") : QStringLiteral("東経"))
        .arg(std::abs(place.longitude), 0, 'f', 4)
        .arg(place.height, 0, 'f', 0);
}

std::optional<orbit::Geodetic> ReadStationLocation(const QString& iniPath, QString* problem) {
    return ReadStationLocation(ProfileDocument::Read(iniPath), iniPath, problem);
}

std::optional<orbit::Geodetic> ReadStationLocation(const ProfileDocument& settings, const QString& iniPath,
                                                   QString* problem) {
    const QString value = settings.Value(StationLocationKey, StationSection).value_or(QString());
    if (value.trimmed().isEmpty())
        return std::nullopt;
    QString why;
    const auto place = ParseStationLocation(value, &why);
    if (!place && problem)
        *problem =
            QStringLiteral("%1: [%2] %3=%4: %5").arg(iniPath, StationSection, StationLocationKey, value, why);
    return place;
}

QString StationLocationText(const ProfileDocument& settings) {
    return settings.Value(StationLocationKey, StationSection).value_or(QString()).trimmed();
}

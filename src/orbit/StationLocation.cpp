// SPDX-License-Identifier: GPL-3.0-or-later
#include "orbit/StationLocation.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <sstream>
#include <vector>

namespace orbit {

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<double> Number(const std::string& field) {
    std::string text = Trim(field);
    if (!text.empty() && text[0] == '+')
        text.erase(0, 1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool Say(std::string* problem, PlaceProblem* kind, PlaceProblem what, const std::string& text) {
    if (problem)
        *problem = text;
    if (kind)
        *kind = what;
    return false;
}

} // namespace

std::optional<Geodetic> ParseCoordinates(const std::string& text, std::string* problem, PlaceProblem* kind) {
    std::vector<std::string> parts;
    std::istringstream stream(text);
    for (std::string part; std::getline(stream, part, ',');)
        parts.push_back(part);
    if (!text.empty() && text.back() == ',')
        parts.push_back("");
    if (parts.size() < 2 || parts.size() > 3)
        return Say(problem, kind, PlaceProblem::Shape, "expected LAT,LON or LAT,LON,HEIGHT"), std::nullopt;
    const auto lat = Number(parts[0]);
    const auto lon = Number(parts[1]);
    if (!lat || *lat < -90 || *lat > 90)
        return Say(problem, kind, PlaceProblem::Latitude,
                   "latitude must be a number of degrees from -90 to 90"),
               std::nullopt;
    if (!lon || *lon < -180 || *lon > 360)
        return Say(problem, kind, PlaceProblem::Longitude,
                   "longitude must be a number of degrees from -180 to 360"),
               std::nullopt;
    Geodetic g{*lat, *lon > 180 ? *lon - 360 : *lon, 0};
    if (parts.size() == 3) {
        const auto h = Number(parts[2]);
        if (!h || *h < -1000 || *h > 10000)
            return Say(problem, kind, PlaceProblem::Height,
                       "height must be a number of metres from -1000 to 10000"),
                   std::nullopt;
        g.height = *h;
    }
    return g;
}

std::optional<Geodetic> ParseLocator(const std::string& raw, std::string* problem, PlaceProblem* kind) {
    const std::string text = Trim(raw);
    if (text.size() != 4 && text.size() != 6 && text.size() != 8)
        return Say(problem, kind, PlaceProblem::LocatorLength,
                   "a locator has 4, 6 or 8 characters (for example PM95vq)"),
               std::nullopt;
    auto upper = [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); };
    double lon = -180, lat = -90;
    double lonSize = 20, latSize = 10;
    // Field A..R, square 0..9, subsquare A..X, extended square 0..9.
    const char first[] = {'A', '0', 'A', '0'};
    const int size[] = {18, 10, 24, 10};
    for (std::size_t pair = 0; pair * 2 < text.size(); ++pair) {
        const int a = upper(text[pair * 2]) - first[pair];
        const int b = upper(text[pair * 2 + 1]) - first[pair];
        if (a < 0 || a >= size[pair] || b < 0 || b >= size[pair])
            return Say(problem, kind, PlaceProblem::LocatorLetters,
                       "\"" + text + "\" is not a Maidenhead locator"),
                   std::nullopt;
        if (pair > 0) {
            lonSize /= size[pair];
            latSize /= size[pair];
        }
        lon += a * lonSize;
        lat += b * latSize;
    }
    return Geodetic{lat + latSize / 2, lon + lonSize / 2, 0};
}

} // namespace orbit

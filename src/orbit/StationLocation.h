// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "orbit/Frames.h"

#include <optional>
#include <string>

namespace orbit {

// Why a place was refused, for a caller that words it in its own language.
enum class PlaceProblem { None, Shape, Latitude, Longitude, Height, LocatorLength, LocatorLetters };

// "LAT,LON" or "LAT,LON,HEIGHT": decimal degrees (north and east positive, longitude -180..360,
// folded to -180..180) and metres above the ellipsoid (-1000..10000). Blanks around the parts are
// allowed; anything else is not.
std::optional<Geodetic> ParseCoordinates(const std::string& text, std::string* problem = nullptr,
                                         PlaceProblem* kind = nullptr);

// A Maidenhead locator of 4, 6 or 8 characters (any case): the centre of its square, height 0.
std::optional<Geodetic> ParseLocator(const std::string& text, std::string* problem = nullptr,
                                     PlaceProblem* kind = nullptr);

} // namespace orbit

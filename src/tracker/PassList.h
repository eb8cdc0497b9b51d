// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "orbit/ElementSet.h"
#include "orbit/Frames.h"

#include <QString>

// The next `count` passes of a satellite over the observer from `from`, as a table for people:
// AOS, culmination and LOS times (UTC, to the second), AOS and LOS azimuths, maximum elevation.
QString PassTable(const orbit::ElementSet& set, const orbit::Geodetic& observer,
                  const orbit::JulianDate& from, int count);

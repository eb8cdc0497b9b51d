// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QDateTime>
#include <QString>
#include <array>
#include <optional>

struct MainState;

// The arithmetic of the tracking cycle, apart from any window: which boxes feed the target, how the
// angles and the information boxes are written, the visibility colours and the range return.

// Display colours of a target or body at or above the horizon, and below it.
inline const QColor VisibleYellow{255, 255, 0};
inline const QColor BelowHorizonCyan{0, 255, 255};

// The target of an option button (1 satellite, 2 Sun, 3 Moon, 4 Mars): its name and the data boxes
// that hold its azimuth and elevation. The satellite is named by the text of Text1.
struct TargetChoice {
    QString name;
    int azimuthBox = 0;
    int elevationBox = 0;
};
std::optional<TargetChoice> TargetOfOption(int option, const MainState& state);

// "###0.00": two decimals, at least one integer digit, no grouping.
QString TargetAngleText(double degrees);

// At or above the horizon when both numbers are 0 or more; a value that is not a number is below.
bool AboveHorizon(double azimuth, double elevation);

// Rewrites the information boxes from the leading number of their own text: range and range rate
// from metres to kilometres ("####0.0", "####0.00"), the mean anomaly and the Sun, Moon and Mars
// angles with "##0.0". Meant for freshly received raw values only (the division is not idempotent).
void FormatInformationBoxes(std::array<QString, 20>& boxes);

// Where an axis stands against its operating range, the tolerance counting in its favour:
// inside when present + tolerance >= minimum and present - tolerance <= maximum.
enum class RangeSide { Inside, Above, Below };
RangeSide AxisRangeSide(double present, double tolerance, double minimum, double maximum);

// Clock texts: the date and time followed by "(UTC)", or for the local clock by its zone's label.
QString ClockText(const QDateTime& time);
QString UtcClockText(const QDateTime& utc);
QString LocalClockText(const QDateTime& local);
// "(JST)" at UTC+9; elsewhere the zone's abbreviation, or "(+hh:mm)" when it has none.
QString LocalZoneLabel(const QDateTime& local);

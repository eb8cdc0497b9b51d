// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracking/TrackingRules.h"

#include "common/MainState.h"
#include "common/NumberFormat.h"
#include "common/NumberText.h"

#include <cstdlib>

std::optional<TargetChoice> TargetOfOption(int option, const MainState& state) {
    switch (option) {
    case 1:
        return TargetChoice{state.DataBox[1], 3, 4};
    case 2:
        return TargetChoice{QStringLiteral("太陽"), 12, 13};
    case 3:
        return TargetChoice{QStringLiteral("月"), 14, 15};
    case 4:
        return TargetChoice{QStringLiteral("火星"), 18, 19};
    default:
        return std::nullopt;
    }
}

QString TargetAngleText(double degrees) {
    return FormatNumber(degrees, QStringLiteral("###0.00"));
}

bool AboveHorizon(double azimuth, double elevation) {
    // Written so that NaN fails both comparisons and counts as below.
    return azimuth >= 0 && elevation >= 0;
}

void FormatInformationBoxes(std::array<QString, 20>& boxes) {
    boxes[5] = FormatNumber(LeadingNumber(boxes[5]) / 1000, QStringLiteral("####0.0"));
    boxes[6] = FormatNumber(LeadingNumber(boxes[6]) / 1000, QStringLiteral("####0.00"));
    for (int box : {7, 12, 13, 14, 15, 18, 19})
        boxes[box] = FormatNumber(LeadingNumber(boxes[box]), QStringLiteral("##0.0"));
}

RangeSide AxisRangeSide(double present, double tolerance, double minimum, double maximum) {
    if (present - tolerance > maximum)
        return RangeSide::Above;
    if (present + tolerance < minimum)
        return RangeSide::Below;
    return RangeSide::Inside;
}

QString ClockText(const QDateTime& time) {
    // The general date format of a Japanese desktop: date, a space, time.
    return time.toString(QStringLiteral("yyyy/MM/dd H:mm:ss"));
}

QString UtcClockText(const QDateTime& utc) {
    return ClockText(utc) + QStringLiteral("(UTC)");
}

QString LocalZoneLabel(const QDateTime& local) {
    const int offset = local.offsetFromUtc();
    if (offset == 9 * 3600)
        return QStringLiteral("(JST)");
    // A zone that has a name of its own ("UTC", "CET", "PDT") is called by it; a zone known only by
    // its offset (the tz database writes "+04", Qt "UTC+05:30") gets the offset as "+hh:mm".
    const QString abbreviation = local.timeZoneAbbreviation();
    bool lettersOnly = !abbreviation.isEmpty();
    for (QChar c : abbreviation)
        lettersOnly = lettersOnly && c.isLetter();
    if (lettersOnly)
        return QLatin1Char('(') + abbreviation + QLatin1Char(')');
    const int minutes = std::abs(offset) / 60;
    return QStringLiteral("(%1%2:%3)")
        .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString LocalClockText(const QDateTime& local) {
    return ClockText(local) + LocalZoneLabel(local);
}

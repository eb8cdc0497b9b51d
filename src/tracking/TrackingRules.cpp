#include "tracking/TrackingRules.h"

#include "common/MainState.h"
#include "common/NumberFormat.h"
#include "common/NumberText.h"

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

QString LocalClockText(const QDateTime& local) {
    return ClockText(local) + QStringLiteral("(JST)");
}

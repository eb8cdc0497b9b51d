// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/PointingErrorPlot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

// Round scale tops, degrees.
constexpr double ErrorTops[] = {1, 2, 3, 5, 10, 20, 45, 90, 180};
// Time steps between the ticks, seconds.
constexpr double TimeSteps[] = {10, 30, 60, 120, 300, 600, 1200, 1800, 3600};

QString MinutesText(double seconds) {
    const int s = static_cast<int>(std::lround(seconds));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

PointingErrorPlot::PointingErrorPlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picError"));
    setMinimumSize(420, 240);
    setAutoFillBackground(false);
}

void PointingErrorPlot::SetRecord(const PassRecord& record) {
    samples_ = record.samples;
    figures_ = PointingErrorFigures(samples_);
    errorTop_ = ErrorTops[std::size(ErrorTops) - 1];
    for (const double top : ErrorTops)
        if (figures_.max <= top) {
            errorTop_ = top;
            break;
        }
    update();
}

void PointingErrorPlot::Clear() {
    SetRecord({});
}

void PointingErrorPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::white);
    const QFontMetrics fm = p.fontMetrics();
    const QRectF area(fm.horizontalAdvance(QStringLiteral("180.0°")) + 10, fm.height() + 8,
                      width() - 2 * fm.horizontalAdvance(QStringLiteral("90°")) - 70,
                      height() - 2 * fm.height() - 24);
    if (area.width() < 20 || area.height() < 20)
        return;
    const double end = samples_.empty() ? 60 : std::max(samples_.back().seconds, 1.0);
    auto x = [&](double seconds) { return area.left() + seconds / end * area.width(); };
    auto yError = [&](double e) {
        return area.bottom() - std::min(e, errorTop_) / errorTop_ * area.height();
    };
    auto yElevation = [&](double e) { return area.bottom() - std::clamp(e, 0.0, 90.0) / 90 * area.height(); };

    // Grid and scales: five steps of error on the left, the elevation on the right, minutes below.
    p.setPen(QPen(QColor(220, 220, 220), 0));
    for (int i = 0; i <= 5; ++i) {
        const double y = area.bottom() - i * area.height() / 5;
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    double step = TimeSteps[std::size(TimeSteps) - 1];
    for (const double s : TimeSteps)
        if (end / s <= 8) {
            step = s;
            break;
        }
    for (double t = 0; t <= end + 1e-6; t += step)
        p.drawLine(QPointF(x(t), area.top()), QPointF(x(t), area.bottom()));
    p.setPen(Qt::black);
    p.drawRect(area);
    for (int i = 0; i <= 5; ++i) {
        const double y = area.bottom() - i * area.height() / 5;
        const QString left = QStringLiteral("%1°").arg(errorTop_ * i / 5, 0, 'f', errorTop_ < 5 ? 1 : 0);
        p.drawText(QRectF(0, y - fm.height() / 2.0, area.left() - 4, fm.height()), Qt::AlignRight, left);
        p.setPen(QColor(0, 90, 200));
        p.drawText(QRectF(area.right() + 4, y - fm.height() / 2.0, 60, fm.height()), Qt::AlignLeft,
                   QStringLiteral("%1°").arg(18 * i));
        p.setPen(Qt::black);
    }
    for (double t = 0; t <= end + 1e-6; t += step)
        p.drawText(QRectF(x(t) - 40, area.bottom() + 2, 80, fm.height()), Qt::AlignHCenter, MinutesText(t));
    p.drawText(QRectF(area.left(), area.bottom() + fm.height() + 4, area.width(), fm.height()),
               Qt::AlignHCenter, QStringLiteral("経過時間 (分:秒)"));
    p.drawText(QRectF(0, 2, width(), fm.height()), Qt::AlignLeft, QStringLiteral(" 指向誤差"));
    p.setPen(QColor(0, 90, 200));
    p.drawText(QRectF(0, 2, width() - 4, fm.height()), Qt::AlignRight, QStringLiteral("衛星の仰角 "));
    if (samples_.empty())
        return;

    // The median and the 95th percentile, dashed.
    p.setPen(QPen(QColor(0, 150, 0), 1, Qt::DashLine));
    p.drawLine(QPointF(area.left(), yError(figures_.median)), QPointF(area.right(), yError(figures_.median)));
    p.setPen(QPen(QColor(230, 130, 0), 1, Qt::DashLine));
    p.drawLine(QPointF(area.left(), yError(figures_.p95)), QPointF(area.right(), yError(figures_.p95)));

    QPainterPath elevation, error;
    elevation.moveTo(x(samples_.front().seconds), yElevation(samples_.front().targetElevation));
    error.moveTo(x(samples_.front().seconds), yError(samples_.front().error));
    for (const PassSample& s : samples_) {
        elevation.lineTo(x(s.seconds), yElevation(s.targetElevation));
        error.lineTo(x(s.seconds), yError(s.error));
    }
    p.setPen(QPen(QColor(0, 90, 200, 140), 1.5));
    p.drawPath(elevation);
    p.setPen(QPen(QColor(210, 0, 0), 1.5));
    p.drawPath(error);
}

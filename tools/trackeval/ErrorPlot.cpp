// SPDX-License-Identifier: GPL-3.0-or-later
#include "ErrorPlot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

QImage ErrorPlot(const QString& title, const std::vector<PlotLine>& lines, double errorTop) {
    const int width = 900, height = 360;
    const double left = 60, right = 20, top = 40, bottom = 50;
    double duration = 1;
    for (const auto& line : lines)
        if (!line.samples->empty())
            duration = std::max(duration, line.samples->back().secondsFromAos);
    const auto x = [&](double s) { return left + s / duration * (width - left - right); };
    const auto y = [&](double e) {
        return top + (1 - std::min(e, errorTop) / errorTop) * (height - top - bottom);
    };

    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font = p.font();
    font.setPixelSize(12);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QPointF(left, 22), title);

    // Grid: every 2 degrees (5 above 20) and every minute.
    const double errorStep = errorTop > 20 ? 5 : 2;
    for (double e = 0; e <= errorTop + 1e-9; e += errorStep) {
        p.setPen(QColor(221, 221, 221));
        p.drawLine(QPointF(left, y(e)), QPointF(width - right, y(e)));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, y(e) - 8, left - 8, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("%1°").arg(e));
    }
    for (double s = 0; s <= duration; s += 60) {
        p.setPen(QColor(221, 221, 221));
        p.drawLine(QPointF(x(s), top), QPointF(x(s), height - bottom));
        p.setPen(Qt::black);
        p.drawText(QRectF(x(s) - 30, height - bottom + 4, 60, 16), Qt::AlignCenter,
                   QStringLiteral("%1 s").arg(int(s)));
    }
    p.setPen(QPen(QColor(136, 136, 136), 1, Qt::DashLine));
    p.drawLine(QPointF(left, y(1.5)), QPointF(width - right, y(1.5)));
    p.setPen(QColor(85, 85, 85));
    p.drawText(QRectF(left, y(1.5) - 18, width - right - left - 4, 16), Qt::AlignRight | Qt::AlignBottom,
               QStringLiteral("tolerance 1.5°"));
    p.setPen(Qt::black);
    p.drawText(QRectF(0, height - 24, width, 16), Qt::AlignCenter,
               QStringLiteral("time from AOS (errors above %1° drawn at the top)").arg(errorTop));

    double legendY = top + 4;
    for (const auto& line : lines) {
        QPainterPath path;
        bool first = true;
        for (const auto& s : *line.samples) {
            const QPointF point(x(s.secondsFromAos), y(s.error));
            first ? path.moveTo(point) : path.lineTo(point);
            first = false;
        }
        p.setPen(QPen(line.colour, 1.3));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.drawText(QRectF(left, legendY, width - right - left - 8, 16), Qt::AlignRight | Qt::AlignVCenter,
                   line.label);
        legendY += 16;
    }
    return image;
}

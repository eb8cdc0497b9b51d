// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "skymap/SkyMapMarks.h"
#include "skymap/SkyMapPainter.h"

#include <QColor>
#include <QImage>
#include <cmath>

// A transparent layer as the map widget holds it (185 pixels by default).
inline QImage EmptyMapLayer(int size = 185) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Colour of the layer pixel under a map point in twips, moved right by dx pixels.
inline QColor ColourAt(const SkyMapPainter& painter, const QImage& layer, QPointF twips, int dx = 0) {
    const QPointF p = painter.ToPixels(twips.x(), twips.y());
    return layer.pixelColor(static_cast<int>(std::floor(p.x())) + dx, static_cast<int>(std::floor(p.y())));
}

inline QColor ColourAtSky(const SkyMapPainter& painter, const QImage& layer, double az, double el,
                          int dx = 0) {
    return ColourAt(painter, layer, SkyMapPoint(az, el), dx);
}

inline bool SameColour(const QColor& a, const QColor& b) {
    return a.alpha() == 255 && std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2;
}

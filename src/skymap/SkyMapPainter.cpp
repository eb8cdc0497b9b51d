// SPDX-License-Identifier: GPL-3.0-or-later
#include "skymap/SkyMapPainter.h"

#include "skymap/SkyProjection.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Painter on the layer with twips as the user unit.
class TwipsPainter : public QPainter {
  public:
    explicit TwipsPainter(QImage& layer) : QPainter(&layer) {
        setRenderHint(QPainter::Antialiasing, true);
        scale(layer.width() / MapSizeTwips, layer.height() / MapSizeTwips);
    }
    void SetOutline(const QColor& colour, int widthPixels) {
        QPen pen(colour, widthPixels);
        pen.setCosmetic(true);
        setPen(pen);
    }
};

} // namespace

double PieStartAngle(double aMin, bool southStartPoint) {
    if (!southStartPoint) {
        if (aMin >= 0 && aMin < 90)
            return 90 - aMin;
        if (aMin >= 90 && aMin < 360)
            return 450 - aMin;
        return 0;
    }
    if (aMin >= 0 && aMin < 270)
        return 270 - aMin;
    if (aMin >= 270 && aMin < 360)
        return 630 - aMin;
    return 0;
}

double PieEndAngle(double aMax, bool southStartPoint) {
    if (!southStartPoint) {
        if (aMax > 0 && aMax < 90)
            return 90 - aMax;
        if (aMax >= 90 && aMax <= 360)
            return 450 - aMax;
        return 0;
    }
    if (aMax > 0 && aMax < 270)
        return 270 - aMax;
    if (aMax >= 270 && aMax <= 360)
        return 630 - aMax;
    return 0;
}

SkyMapPainter::SkyMapPainter(QImage& layer) : layer_(layer) {}

void SkyMapPainter::Mix(std::initializer_list<double> values) {
    // FNV-1a over the values in quarter units.
    for (double v : values) {
        const auto q = static_cast<std::uint64_t>(std::llround(v * 4));
        for (int shift = 0; shift < 64; shift += 8) {
            signature_ ^= (q >> shift) & 0xff;
            signature_ *= 1099511628211ULL;
        }
    }
}

void SkyMapPainter::MixPen(const QColor& colour) {
    Mix({static_cast<double>(colour.rgba()), static_cast<double>(drawWidth_), fillSolid_ ? 1.0 : 0.0,
         static_cast<double>(fillColour_.rgba())});
}

void SkyMapPainter::Clear() {
    layer_.fill(Qt::transparent);
    layerEmpty_ = true;
    signature_ = 14695981039346656037ULL;
    Mix({static_cast<double>(layer_.width()), static_cast<double>(layer_.height())});
    marksDrawn_.clear();
    if (changed_)
        changed_();
}

void SkyMapPainter::Touched() {
    layerEmpty_ = false;
    if (changed_)
        changed_();
}

QPointF SkyMapPainter::ToPixels(double xTwips, double yTwips) const {
    return {xTwips * layer_.width() / MapSizeTwips + 0.5, yTwips * layer_.height() / MapSizeTwips + 0.5};
}

void SkyMapPainter::Circle(double x, double y, double radius, const QColor& outline) {
    if (layer_.isNull())
        return;
    // A negative radius (an elevation above 90) still means a circle of that size.
    const double r = std::abs(radius);
    const QPointF at = ToPixels(x, y);
    Mix({1, at.x(), at.y(), r * layer_.width() / MapSizeTwips});
    MixPen(outline);
    {
        TwipsPainter p(layer_);
        if (fillSolid_) {
            p.setPen(Qt::NoPen);
            p.setBrush(fillColour_);
            p.drawEllipse(QPointF(x, y), r, r);
        }
        if (drawWidth_ <= 1) {
            p.setRenderHint(QPainter::Antialiasing, false);
            p.SetOutline(outline, 1);
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(x, y), r, r);
        } else {
            // A wide outline is the ring of drawWidth_ pixels centred on the circle; on a circle smaller
            // than the pen it closes into a dot, as the marks of a few twips need.
            p.resetTransform();
            const QPointF centre = ToPixels(x, y);
            const double rPixels = r * layer_.width() / MapSizeTwips;
            const double outer = rPixels + drawWidth_ / 2.0;
            const double inner = rPixels - drawWidth_ / 2.0;
            QPainterPath ring;
            ring.setFillRule(Qt::OddEvenFill);
            ring.addEllipse(centre, outer, outer);
            if (inner > 0)
                ring.addEllipse(centre, inner, inner);
            p.fillPath(ring, outline);
        }
    }
    Touched();
}

void SkyMapPainter::Line(double x1, double y1, double x2, double y2, const QColor& colour) {
    if (layer_.isNull())
        return;
    const QPointF from = ToPixels(x1, y1), to = ToPixels(x2, y2);
    Mix({2, from.x(), from.y(), to.x(), to.y()});
    MixPen(colour);
    {
        TwipsPainter p(layer_);
        // Thin lines stay crisp one-pixel lines; the wide antenna line is smoothed.
        p.setRenderHint(QPainter::Antialiasing, drawWidth_ > 1);
        p.SetOutline(colour, drawWidth_);
        p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    }
    Touched();
}

void SkyMapPainter::Pie(double x, double y, double radius, double startDeg, double endDeg,
                        const QColor& colour) {
    if (layer_.isNull())
        return;
    double span = std::fmod(endDeg - startDeg, 360.0);
    if (span < 0)
        span += 360;
    if (span == 0)
        span = 360;
    const QPointF at = ToPixels(x, y);
    Mix({3, at.x(), at.y(), radius * layer_.width() / MapSizeTwips, startDeg, span});
    MixPen(colour);
    {
        TwipsPainter p(layer_);
        p.SetOutline(colour, drawWidth_);
        p.setBrush(fillSolid_ ? QBrush(fillColour_) : QBrush(Qt::NoBrush));
        const QRectF box(x - radius, y - radius, 2 * radius, 2 * radius);
        p.drawPie(box, static_cast<int>(std::lround(startDeg * 16)),
                  static_cast<int>(std::lround(span * 16)));
    }
    Touched();
}

void SkyMapPainter::DrawSkyMap(double eMin, double eMax, double aMin, double aMax, bool southStartPoint) {
    const OverlayKey key{eMin, eMax, aMin, aMax, southStartPoint, layer_.size()};
    // The same overlay counts the same whether drawn afresh or copied from the cache.
    const std::uint64_t before = signature_;
    if (layerEmpty_ && haveCache_ && key == cacheKey_ && layer_.format() == cache_.format()) {
        // Copied into the layer's own pixels: sharing the cached image would cost the next mark a
        // fresh buffer and a fresh paint engine, every second.
        std::memcpy(layer_.bits(), cache_.constBits(), static_cast<std::size_t>(cache_.sizeInBytes()));
        Touched();
    } else {
        const bool wasEmpty = layerEmpty_;
        DrawOverlay(eMin, eMax, aMin, aMax, southStartPoint);
        if (wasEmpty) {
            cache_ = layer_.copy();
            cacheKey_ = key;
            haveCache_ = true;
        }
    }
    // The pen state the overlay leaves behind, whichever way it was produced.
    fillColour_ = MapColour::Forbidden;
    fillSolid_ = false;
    drawWidth_ = 5;
    signature_ = before;
    Mix({4, eMin, eMax, aMin, aMax, southStartPoint ? 1.0 : 0.0});
}

void SkyMapPainter::DrawOverlay(double eMin, double eMax, double aMin, double aMax, bool southStartPoint) {
    const double cx = MapCentreXTwips;
    const double cy = MapCentreYTwips;
    const double horizon = HorizonRadiusTwips;

    fillSolid_ = true;
    drawWidth_ = 1;
    auto disc = [&](double radius, const QColor& colour) {
        fillColour_ = colour;
        Circle(cx, cy, radius, colour);
    };

    // Elevation band: blue where the elevation rotator may go, red elsewhere.
    if (eMin == 0 && eMax == 90) {
        disc(horizon, MapColour::AllowedBlue);
    } else if (eMin > 0 && eMax == 90) {
        disc(horizon, MapColour::Forbidden);
        disc(ElevationRadius(eMin), MapColour::AllowedBlue);
    } else {
        disc(horizon, MapColour::Forbidden);
        disc(ElevationRadius(eMin), MapColour::AllowedBlue);
        disc(ElevationRadius(eMax), MapColour::Forbidden);
    }

    // Forbidden azimuth sector: counter-clockwise from the minimum through decreasing azimuths to the
    // maximum.
    fillSolid_ = true;
    fillColour_ = MapColour::Forbidden;
    drawWidth_ = 1;
    if (!(aMin == 0 && aMax == 360))
        Pie(cx, cy, horizon, PieStartAngle(aMin, southStartPoint), PieEndAngle(aMax, southStartPoint),
            MapColour::Forbidden);

    // Rings at 60 and 30 degrees and the north-south and east-west diameters.
    fillSolid_ = false;
    Circle(cx, cy, horizon / 3, MapColour::White);
    Circle(cx, cy, 2 * horizon / 3, MapColour::White);
    Line(cx, cy - horizon, cx, cy + horizon, MapColour::White);
    Line(cx - horizon, cy, cx + horizon, cy, MapColour::White);

    drawWidth_ = 5;
}

void SkyMapPainter::DrawTargetMark(double x, double y) {
    Circle(x, y, 25, MapColour::White);
    Circle(x, y, 5, MapColour::Green);
}

bool SkyMapPainter::SameMarkDrawn(std::initializer_list<double> mark) {
    std::uint64_t key = 14695981039346656037ULL;
    for (double v : mark) {
        key ^= static_cast<std::uint64_t>(std::llround(v * 4));
        key *= 1099511628211ULL;
    }
    key ^= static_cast<std::uint64_t>(drawWidth_) | (fillSolid_ ? 1ULL << 8 : 0) |
           static_cast<std::uint64_t>(fillColour_.rgba()) << 16;
    key *= 1099511628211ULL;
    if (std::find(marksDrawn_.begin(), marksDrawn_.end(), key) != marksDrawn_.end())
        return true;
    marksDrawn_.push_back(key);
    return false;
}

void SkyMapPainter::DrawAntennaMark(double x, double y) {
    if (SameMarkDrawn({10, x, y}))
        return;
    Line(MapCentreXTwips, MapCentreYTwips, x, y, MapColour::Green);
    Circle(x, y, 50, MapColour::White);
    Circle(x, y, 10, MapColour::Red);
}

void SkyMapPainter::DrawAntennaPointing(double azimuth, double elevation) {
    DrawAntennaMark(MapCentreXTwips + SkyPlotX(azimuth, elevation),
                    MapCentreYTwips + SkyPlotY(azimuth, elevation));
}

void SkyMapPainter::DrawPointedMark(double x, double y, PointedMarkKind kind) {
    if (SameMarkDrawn({11, x, y, kind == PointedMarkKind::PositioningStep ? 1.0 : 0.0}))
        return;
    Circle(x, y, 50, MapColour::White);
    Circle(x, y, 10, kind == PointedMarkKind::PositioningStep ? MapColour::PointedStep : MapColour::Yellow);
}

void SkyMapPainter::DrawBodyMark(double x, double y, const QColor& colour) {
    if (SameMarkDrawn({12, x, y, static_cast<double>(colour.rgba())}))
        return;
    Circle(x, y, 45, colour);
}

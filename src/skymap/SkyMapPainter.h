// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

// Colours of the sky map.
namespace MapColour {
inline const QColor AllowedBlue{9, 55, 151};
inline const QColor Forbidden{255, 0, 0};
inline const QColor White{255, 255, 255};
inline const QColor Green{0, 255, 0};
inline const QColor Red{255, 0, 0};
inline const QColor Yellow{255, 255, 0};
inline const QColor PointedStep{150, 155, 0};
inline const QColor Sun{255, 255, 0};
inline const QColor Moon{255, 255, 255};
inline const QColor MarsShown{255, 255, 128};
inline const QColor MarsTarget{245, 48, 30};
} // namespace MapColour

// Which inner colour the pointed-position mark gets: olive while the positioning step runs, yellow
// when a click or the range check draws it.
enum class PointedMarkKind { PositioningStep, RangeCheck };

// Draws the map overlay and its marks onto a transparent layer image, in twips. One transform turns
// twips into the layer's pixels (2775 twips across the whole layer, so 15 twips per pixel at 185 px);
// outline widths are cosmetic, in pixels, so a 5-pixel outline stays 5 pixels at any size.
//
// Like a picture box that draws persistently, the painter keeps a pen state between calls: the draw
// width in pixels and whether circles are filled. A fresh painter draws 1-pixel unfilled outlines;
// DrawSkyMap leaves 5-pixel unfilled outlines for the marks that follow it.
class SkyMapPainter {
  public:
    // The layer must outlive the painter. It may be replaced by an image of another size between calls
    // (the map widget does so on resize); the transform follows its width and height.
    explicit SkyMapPainter(QImage& layer);

    // Called after every change of the layer, so a widget can schedule a repaint.
    void SetChangedHandler(std::function<void()> handler) { changed_ = std::move(handler); }

    // Removes everything drawn; the background underneath the layer is not the painter's.
    void Clear();

    // Operating-range overlay: elevation discs, the forbidden azimuth pie, the 60 and 30 degree rings and
    // the cross. The azimuth limits are rotator angles; southStartPoint turns the pie by half a turn.
    void DrawSkyMap(double eMin, double eMax, double aMin, double aMax, bool southStartPoint);

    // Marks at map points in twips, drawn with the current pen state. An antenna, pointed or body mark
    // already drawn at the same place with the same pen since the last Clear is not drawn again: the
    // positioning step redraws the antenna at every reading, and a mark that did not move would
    // only cover the target mark drawn over it and make a frame to show for nothing. The target mark
    // is always drawn, as its callers draw it again on purpose to keep it on top.
    void DrawTargetMark(double x, double y);
    void DrawAntennaMark(double x, double y); // includes the line from the map centre
    // The antenna mark where the direction the rotator reports (compass azimuth, elevation) lands.
    void DrawAntennaPointing(double azimuth, double elevation);
    void DrawPointedMark(double x, double y, PointedMarkKind kind);
    void DrawBodyMark(double x, double y, const QColor& colour); // Sun, Moon, Mars

    // Drawing primitives in twips. A circle is filled with the fill colour while the fill is solid.
    void Circle(double x, double y, double radius, const QColor& outline);
    void Line(double x1, double y1, double x2, double y2, const QColor& colour);
    // Pie from map angle startDeg counter-clockwise to endDeg (degrees from east), closed by radii.
    // Equal angles make a whole disc, like the platform's pie did.
    void Pie(double x, double y, double radius, double startDeg, double endDeg, const QColor& colour);

    int DrawWidth() const { return drawWidth_; }
    void SetDrawWidth(int pixels) { drawWidth_ = pixels; }
    bool FillSolid() const { return fillSolid_; }
    void SetFillSolid(bool solid) { fillSolid_ = solid; }
    QColor FillColour() const { return fillColour_; }
    void SetFillColour(const QColor& colour) { fillColour_ = colour; }

    // Pixel of the layer that a map point in twips falls on (fractional).
    QPointF ToPixels(double xTwips, double yTwips) const;

    // A fingerprint of everything drawn since the last Clear, positions to a quarter pixel: an equal
    // fingerprint means an equal picture, so a widget need not show the same frame again.
    std::uint64_t FrameSignature() const { return signature_; }

  private:
    struct OverlayKey {
        double eMin, eMax, aMin, aMax;
        bool south;
        QSize size;
        bool operator==(const OverlayKey&) const = default;
    };

    void DrawOverlay(double eMin, double eMax, double aMin, double aMax, bool southStartPoint);
    void Touched();
    // True when the mark (kind and values) was drawn with the current pen since the last Clear;
    // otherwise notes it.
    bool SameMarkDrawn(std::initializer_list<double> mark);
    void Mix(std::initializer_list<double> values);
    void MixPen(const QColor& colour);

    QImage& layer_;
    std::function<void()> changed_;
    int drawWidth_ = 1;
    bool fillSolid_ = false;
    QColor fillColour_{0, 0, 0};
    std::uint64_t signature_ = 0;
    std::vector<std::uint64_t> marksDrawn_; // since the last Clear

    // The overlay is the same on nearly every tick, so the result drawn onto an empty layer is kept and
    // copied next time instead of painted again.
    bool layerEmpty_ = false;
    bool haveCache_ = false;
    OverlayKey cacheKey_{};
    QImage cache_;
};

// Map angles (degrees counter-clockwise from east) of the azimuth limits, as the forbidden pie uses
// them. A limit outside the ranges the map knows leaves its angle at 0.
double PieStartAngle(double aMin, bool southStartPoint);
double PieEndAngle(double aMax, bool southStartPoint);

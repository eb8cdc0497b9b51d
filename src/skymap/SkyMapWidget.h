// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "skymap/SkyMapPainter.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <vector>

// The sky map "Picture1": the background picture scaled to the widget, with a transparent drawing
// layer on top that the map routines draw onto through painter() and that Clear() empties.
// 185 x 185 pixels (2775 twips) by default; on a larger widget everything scales with it.
class SkyMapWidget : public QWidget {
    Q_OBJECT
  public:
    explicit SkyMapWidget(QWidget* parent = nullptr);

    // The picture shown under the drawings; a null image gives the plain dark background.
    void SetBackground(const QImage& picture);
    bool HasBackground() const { return !background_.isNull(); }

    // The painter of the drawing layer; the layer follows the widget's size.
    SkyMapPainter& painter();
    const QImage& layer() const { return layer_; }

    // Background and drawings as the user sees them, at the widget's size.
    QImage Composed() const;

    // A pass drawn over the map (see SkyTrack.h): azimuth and elevation in degrees from AOS to LOS.
    void SetTrack(std::vector<QPointF> azimuthElevation);
    void ClearTrack();
    const std::vector<QPointF>& Track() const { return track_; }

    // Twips of the map for a widget pixel position.
    QPointF PixelsToTwips(const QPointF& pixels) const;

    QSize sizeHint() const override { return {MapSizePixelsHint, MapSizePixelsHint}; }

    static constexpr int MapSizePixelsHint = 185;
    static inline const QColor PlainBackground{16, 16, 24};

  signals:
    // Any mouse button pressed on the map, at (x, y) twips. button and shift as Qt gives them.
    void MouseDown(int button, int shift, double x, double y);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void PaintInto(QPainter& p) const;
    void PaintTrack(QPainter& p) const;
    void SyncLayerSize();
    // Repaints once the drawing in progress is done, and only when it differs from the frame shown.
    void ScheduleRepaintCheck();

    QImage background_;
    QPixmap scaledBackground_; // background at the widget's size, rebuilt on resize
    QImage layer_;
    SkyMapPainter painter_;
    bool checkPending_ = false;
    std::uint64_t shownSignature_ = 0; // of the frame the last paint showed
    std::vector<QPointF> track_;
};

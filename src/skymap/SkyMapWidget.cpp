// SPDX-License-Identifier: GPL-3.0-or-later
#include "skymap/SkyMapWidget.h"

#include "skymap/SkyProjection.h"
#include "skymap/SkyTrack.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

QImage EmptyLayer(const QSize& size) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

SkyMapWidget::SkyMapWidget(QWidget* parent)
    : QWidget(parent), layer_(EmptyLayer(QSize(MapSizePixelsHint, MapSizePixelsHint))), painter_(layer_) {
    setObjectName(QStringLiteral("Picture1"));
    setToolTip(QStringLiteral("手動選択の場合、位置を指示してください"));
    resize(MapSizePixelsHint, MapSizePixelsHint);
    setMinimumSize(MapSizePixelsHint, MapSizePixelsHint);
    // Every paint covers the whole widget (background or picture first), so the window behind it
    // need not be painted first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    painter_.SetChangedHandler([this] { ScheduleRepaintCheck(); });
}

void SkyMapWidget::ScheduleRepaintCheck() {
    // The map is redrawn from scratch every second; while the antenna stands still and the target
    // moves less than a pixel the new frame is the old one, and showing it again would only cost.
    if (checkPending_)
        return;
    checkPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            checkPending_ = false;
            if (painter_.FrameSignature() != shownSignature_)
                update();
        },
        Qt::QueuedConnection);
}

void SkyMapWidget::SetBackground(const QImage& picture) {
    background_ = picture;
    scaledBackground_ = QPixmap();
    update();
}

QPointF SkyMapWidget::PixelsToTwips(const QPointF& pixels) const {
    return {pixels.x() * MapSizeTwips / width(), pixels.y() * MapSizeTwips / height()};
}

SkyMapPainter& SkyMapWidget::painter() {
    SyncLayerSize();
    return painter_;
}

void SkyMapWidget::SyncLayerSize() {
    // The drawings are redone every second; a new size simply starts from an empty layer.
    if (layer_.size() != size() && !size().isEmpty()) {
        layer_ = EmptyLayer(size());
        painter_.Clear();
    }
}

void SkyMapWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    SyncLayerSize();
    scaledBackground_ = QPixmap();
}

void SkyMapWidget::PaintInto(QPainter& p) const {
    const QRect all(QPoint(0, 0), size());
    if (background_.isNull())
        p.fillRect(all, PlainBackground);
    else if (!scaledBackground_.isNull() && scaledBackground_.deviceIndependentSize().toSize() == size())
        p.drawPixmap(0, 0, scaledBackground_);
    else
        p.drawImage(all, background_.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    p.drawImage(all, layer_);
    PaintTrack(p);
}

void SkyMapWidget::SetTrack(std::vector<QPointF> azimuthElevation) {
    track_ = std::move(azimuthElevation);
    update();
}

void SkyMapWidget::ClearTrack() {
    if (track_.empty())
        return;
    track_.clear();
    update();
}

void SkyMapWidget::PaintTrack(QPainter& p) const {
    if (track_.empty())
        return;
    const std::vector<QPointF> twips = TrackTwips(track_);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(width() / MapSizeTwips, height() / MapSizeTwips);
    QPen line(SkyTrackColour::Line, 2);
    line.setCosmetic(true);
    p.setPen(line);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(twips.data(), static_cast<int>(twips.size()));
    // AOS and LOS: a filled dot each, with its name beside it.
    auto end = [&](const QPointF& at, const QColor& colour, const QString& name) {
        QPen outline(MapColour::White, 1);
        outline.setCosmetic(true);
        p.setPen(outline);
        p.setBrush(colour);
        p.drawEllipse(at, 45, 45);
        QFont font = p.font();
        font.setPixelSize(150);
        p.setFont(font);
        p.drawText(at + QPointF(60, -40), name);
    };
    end(twips.front(), SkyTrackColour::Aos, QStringLiteral("AOS"));
    end(twips.back(), SkyTrackColour::Los, QStringLiteral("LOS"));
    p.restore();
}

void SkyMapWidget::paintEvent(QPaintEvent*) {
    // The picture is scaled once per size and screen, at the screen's own pixel density.
    const qreal ratio = devicePixelRatioF();
    if (!background_.isNull() && (scaledBackground_.deviceIndependentSize().toSize() != size() ||
                                  scaledBackground_.devicePixelRatio() != ratio)) {
        scaledBackground_ = QPixmap::fromImage(
            background_.scaled(size() * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        scaledBackground_.setDevicePixelRatio(ratio);
    }
    QPainter p(this);
    PaintInto(p);
    shownSignature_ = painter_.FrameSignature();
}

QImage SkyMapWidget::Composed() const {
    QImage image(size(), QImage::Format_RGB32);
    QPainter p(&image);
    PaintInto(p);
    return image;
}

void SkyMapWidget::mousePressEvent(QMouseEvent* event) {
    const QPointF twips = PixelsToTwips(event->position());
    emit MouseDown(static_cast<int>(event->button()), static_cast<int>(event->modifiers()), twips.x(),
                   twips.y());
    QWidget::mousePressEvent(event);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "MapTestSupport.h"

#include "skymap/MapPicture.h"
#include "skymap/SkyMapWidget.h"
#include "skymap/SkyProjection.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(SkyMapWidget, MouseDownReportsTheTwipsOfTheClickedPixelAtAnySize) {
    const struct {
        int size;
        QPoint pixel;
        double x, y;
    } rows[] = {{185, {92, 16}, 1380, 240}, {370, {184, 32}, 1380, 240}};
    for (const auto& row : rows) {
        SkyMapWidget map;
        map.resize(row.size, row.size);
        map.show();
        QSignalSpy spy(&map, &SkyMapWidget::MouseDown);
        QTest::mousePress(&map, Qt::RightButton, Qt::ShiftModifier, row.pixel);
        ASSERT_EQ(spy.count(), 1);
        EXPECT_EQ(spy[0][0].toInt(), static_cast<int>(Qt::RightButton));
        EXPECT_DOUBLE_EQ(spy[0][2].toDouble(), row.x) << row.size;
        EXPECT_DOUBLE_EQ(spy[0][3].toDouble(), row.y) << row.size;
        // A mark drawn at those twips (with the pen the overlay leaves) lands on the clicked pixel.
        map.painter().DrawSkyMap(0, 90, 0, 360, false);
        map.painter().DrawPointedMark(row.x, row.y, PointedMarkKind::RangeCheck);
        EXPECT_TRUE(SameColour(map.Composed().pixelColor(row.pixel), MapColour::Yellow)) << row.size;
    }
}

// The map is redrawn every second; a frame equal to the one on screen is not painted again, any
// other one is.
class CountingMap : public SkyMapWidget {
  public:
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        SkyMapWidget::paintEvent(event);
    }
};

TEST(SkyMapWidget, PaintsAFrameOnlyWhenItDiffersFromTheOneShown) {
    CountingMap map;
    map.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&map));
    auto frame = [&](double antennaX) {
        SkyMapPainter& p = map.painter();
        p.Clear();
        p.DrawSkyMap(0, 90, 0, 360, false);
        p.DrawAntennaMark(antennaX, 900);
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        return map.paints;
    };
    const struct {
        double antennaX;
        bool painted;
    } rows[] = {{1500, true}, {1500, false}, {1501, false}, {1530, true}, {1500, true}, {1500, false}};
    int paints = frame(1200);
    for (const auto& row : rows) {
        const int now = frame(row.antennaX);
        EXPECT_EQ(now > paints, row.painted) << row.antennaX;
        paints = now;
    }
}

TEST(SkyMapWidget, LayerOverBackgroundAndClearKeepsTheBackground) {
    SkyMapWidget map;
    QImage picture(370, 370, QImage::Format_RGB32);
    const QColor green(10, 200, 10);
    picture.fill(green);
    map.SetBackground(picture);
    map.painter().DrawSkyMap(0, 90, 0, 360, false);
    EXPECT_TRUE(SameColour(map.Composed().pixelColor(3, 3), green));
    EXPECT_TRUE(SameColour(map.Composed().pixelColor(120, 120), MapColour::AllowedBlue));
    map.painter().Clear();
    EXPECT_TRUE(SameColour(map.Composed().pixelColor(120, 120), green));
    map.SetBackground(QImage());
    EXPECT_TRUE(SameColour(map.Composed().pixelColor(3, 3), SkyMapWidget::PlainBackground));
}

TEST(LoadMapPicture, CurrentDirectoryFirstThenTheGivenFoldersSkippingUnreadableFiles) {
    struct RestoreCurrentDir {
        QString saved = QDir::currentPath();
        ~RestoreCurrentDir() { QDir::setCurrent(saved); }
    } restore;
    QTemporaryDir cwd, installed, empty;
    ASSERT_TRUE(QDir::setCurrent(cwd.path()));
    auto save = [](const QColor& colour, const QString& folder) {
        QImage image(8, 8, QImage::Format_RGB888);
        image.fill(colour);
        return image.save(QDir(folder).filePath("cntmap.bmp"), "BMP");
    };
    EXPECT_FALSE(LoadMapPicture({empty.path()}).has_value());

    QFile junk(QDir(cwd.path()).filePath("cntmap.bmp"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly) && junk.write("not a picture") > 0);
    junk.close();
    ASSERT_TRUE(save(Qt::blue, installed.path()));
    std::optional<QImage> picture = LoadMapPicture({empty.path(), installed.path()});
    ASSERT_TRUE(picture.has_value()) << "an unreadable file counts as missing";
    EXPECT_EQ(picture->pixelColor(0, 0), QColor(Qt::blue));

    ASSERT_TRUE(save(Qt::red, cwd.path()));
    picture = LoadMapPicture({installed.path()});
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->pixelColor(0, 0), QColor(Qt::red));
}

// The shipped picture's ticks line up with the projection: bright at the 30-degree ticks just outside
// the horizon, dark between them.
TEST(ShippedMapPicture, TicksLineUpWithTheProjection) {
    const QString path = QStringLiteral(SHIPPED_MAP_PICTURE);
    const QImage picture(path);
    ASSERT_FALSE(picture.isNull()) << path.toStdString();
    EXPECT_EQ(picture.width(), picture.height());
    const double scale = picture.width() / MapSizeTwips;
    auto brightness = [&](double azimuth) {
        const double a = azimuth * MapPi / 180;
        return qGray(picture.pixel(static_cast<int>((MapCentreXTwips + 1150 * std::sin(a)) * scale),
                                   static_cast<int>((MapCentreYTwips - 1150 * std::cos(a)) * scale)));
    };
    for (double azimuth : {0.0, 30.0, 120.0, 210.0, 330.0})
        EXPECT_GT(brightness(azimuth), 150) << azimuth;
    for (double azimuth : {15.0, 45.0, 135.0, 255.0})
        EXPECT_LT(brightness(azimuth), 60) << azimuth;
}

} // namespace

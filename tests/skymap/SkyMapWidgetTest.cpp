#include "MapTestSupport.h"

#include "common/MainState.h"
#include "skymap/BodyMenus.h"
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

TEST(SkyMapWidget, IsPicture1WithItsToolTipAndSize) {
    SkyMapWidget map;
    EXPECT_EQ(map.objectName(), QStringLiteral("Picture1"));
    EXPECT_EQ(map.toolTip(), QStringLiteral("手動選択の場合、位置を指示してください"));
    EXPECT_EQ(map.size(), QSize(185, 185));
    EXPECT_EQ(map.layer().size(), QSize(185, 185));
}

TEST(SkyMapWidget, MouseDownReportsTwips) {
    const struct {
        int size;
        QPoint pixel;
        double x, y;
    } rows[] = {{185, {92, 16}, 1380, 240}, {185, {1, 184}, 15, 2760}, {370, {184, 32}, 1380, 240}};
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
    }
}

TEST(SkyMapWidget, ClickedPixelGetsTheMarkDrawnAtItsTwips) {
    SkyMapWidget map;
    QSignalSpy spy(&map, &SkyMapWidget::MouseDown);
    QTest::mouseClick(&map, Qt::LeftButton, {}, QPoint(120, 60));
    ASSERT_EQ(spy.count(), 1);
    map.painter().DrawPointedMark(spy[0][2].toDouble(), spy[0][3].toDouble(), PointedMarkKind::RangeCheck);
    EXPECT_TRUE(SameColour(map.Composed().pixelColor(120, 60), MapColour::Yellow));
}

TEST(SkyMapWidget, LayerOverBackgroundAndClearKeepsTheBackground) {
    SkyMapWidget map;
    QImage picture(370, 370, QImage::Format_RGB32);
    picture.fill(QColor(10, 200, 10));
    map.SetBackground(picture);
    map.painter().DrawSkyMap(0, 90, 0, 360, false);
    QImage seen = map.Composed();
    EXPECT_TRUE(SameColour(seen.pixelColor(3, 3), QColor(10, 200, 10)));
    EXPECT_TRUE(SameColour(seen.pixelColor(120, 120), MapColour::AllowedBlue));

    map.painter().Clear();
    seen = map.Composed();
    EXPECT_TRUE(SameColour(seen.pixelColor(120, 120), QColor(10, 200, 10)));

    map.SetBackground(QImage());
    EXPECT_TRUE(SameColour(map.Composed().pixelColor(3, 3), SkyMapWidget::PlainBackground));
}

TEST(SkyMapWidget, LargerWidgetScalesTheDrawing) {
    SkyMapWidget map;
    map.resize(370, 370);
    map.painter().DrawSkyMap(10, 90, 0, 360, false);
    EXPECT_EQ(map.layer().size(), QSize(370, 370));
    const QPointF low = map.painter().ToPixels(SkyMapPoint(45, 3).x(), SkyMapPoint(45, 3).y());
    EXPECT_TRUE(IsForbiddenRed(map.Composed().pixelColor(low.toPoint())));
}

// Restores the current directory however the test ends.
struct CurrentDirGuard {
    QString saved = QDir::currentPath();
    ~CurrentDirGuard() { QDir::setCurrent(saved); }
};

QImage Solid(const QColor& colour) {
    QImage image(8, 8, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

TEST(LoadMapPicture, CurrentDirectoryFirstThenTheGivenFolders) {
    CurrentDirGuard guard;
    QTemporaryDir cwd, installed, empty;
    ASSERT_TRUE(QDir::setCurrent(cwd.path()));

    EXPECT_FALSE(LoadMapPicture({empty.path()}).has_value());

    ASSERT_TRUE(Solid(Qt::blue).save(QDir(installed.path()).filePath("cntmap.bmp"), "BMP"));
    auto picture = LoadMapPicture({empty.path(), installed.path()});
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->pixelColor(0, 0), QColor(Qt::blue));

    ASSERT_TRUE(Solid(Qt::red).save(QDir(cwd.path()).filePath("cntmap.bmp"), "BMP"));
    picture = LoadMapPicture({installed.path()});
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->pixelColor(0, 0), QColor(Qt::red));
}

TEST(LoadMapPicture, UnreadableFileCountsAsMissing) {
    CurrentDirGuard guard;
    QTemporaryDir cwd;
    ASSERT_TRUE(QDir::setCurrent(cwd.path()));
    QFile junk(QDir(cwd.path()).filePath("cntmap.bmp"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();
    EXPECT_FALSE(LoadMapPicture({}).has_value());
}

// The shipped picture's ticks must line up with the projection: bright at the 30-degree ticks just
// outside the horizon, dark between them.
TEST(ShippedMapPicture, TicksLineUpWithTheProjection) {
    const QString path = QFileInfo(QStringLiteral(__FILE__)).dir().filePath("../../data/cntmap.bmp");
    QImage picture(path);
    ASSERT_FALSE(picture.isNull()) << path.toStdString();
    EXPECT_EQ(picture.width(), picture.height());
    const double scale = picture.width() / MapSizeTwips;
    auto brightness = [&](double azimuth, double radius) {
        const double a = azimuth * MapPi / 180;
        const QPoint p(static_cast<int>((MapCentreXTwips + radius * std::sin(a)) * scale),
                       static_cast<int>((MapCentreYTwips - radius * std::cos(a)) * scale));
        return qGray(picture.pixel(p));
    };
    for (double azimuth : {0.0, 30.0, 120.0, 210.0, 330.0})
        EXPECT_GT(brightness(azimuth, 1150), 150) << azimuth;
    for (double azimuth : {15.0, 45.0, 135.0, 255.0})
        EXPECT_LT(brightness(azimuth, 1150), 60) << azimuth;
}

// Show/hide submenus of the Sun, the Moon and Mars.
struct MenuRow {
    CelestialBody body;
    void (*show)(MainState&);
    void (*hide)(MainState&);
    bool MainState::*flag;
    const char* showName;
    const char* hideName;
};

TEST(BodyMenus, ShowAndHideSetTheFlagAndMoveTheCheckMark) {
    const MenuRow rows[] = {
        {CelestialBody::Sun, menu_s_hyouji_Click, menu_s_hihyouji_Click, &MainState::ShowSun, "menu_s_hyouji",
         "menu_s_hihyouji"},
        {CelestialBody::Moon, menu_m_hyouji_Click, menu_m_hihyouji_Click, &MainState::ShowMoon,
         "menu_m_hyouji", "menu_m_hihyouji"},
        {CelestialBody::Mars, menu_k_hyouji_Click, menu_k_hihyouji_Click, &MainState::ShowMars,
         "menu_k_hyouji", "menu_k_hihyouji"},
    };
    for (const MenuRow& row : rows) {
        MainState state;
        EXPECT_FALSE(state.*row.flag);
        EXPECT_EQ(CheckedMenuItem(state, row.body), QString::fromLatin1(row.hideName));

        row.show(state);
        EXPECT_TRUE(state.*row.flag);
        EXPECT_TRUE(ShowItemChecked(state, row.body));
        EXPECT_EQ(CheckedMenuItem(state, row.body), QString::fromLatin1(row.showName));
        // The other bodies are untouched.
        EXPECT_EQ(state.ShowSun + state.ShowMoon + state.ShowMars, 1);

        row.show(state);
        EXPECT_TRUE(state.*row.flag);
        row.hide(state);
        EXPECT_FALSE(state.*row.flag);
        EXPECT_EQ(CheckedMenuItem(state, row.body), QString::fromLatin1(row.hideName));
    }
}

} // namespace

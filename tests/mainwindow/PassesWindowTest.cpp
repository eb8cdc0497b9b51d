// SPDX-License-Identifier: GPL-3.0-or-later
// The coming-passes window driven through its widgets: the list of the chosen satellites' passes and
// the selected pass's track on the map.

#include "mainwindow/PassesWindow.h"
#include "config/ProfileFile.h"
#include "mainwindow/PassRecordWindow.h"
#include "mainwindow/PointingErrorPlot.h"
#include "skymap/SkyMapWidget.h"
#include "support/EventWait.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

TEST(PassesWindowTest, ListsThePassesAndDrawsTheSelectedOne) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("rotorcfg.ini");
    ASSERT_TRUE(SetINIValue(QStringLiteral(ORBIT_DEMO_TLE), "TLE", "TRACKER", ini));
    ASSERT_TRUE(SetINIValue("90001;DEMO-GEO 140E;99999", "SATELLITE", "TRACKER", ini));
    ASSERT_TRUE(SetINIValue("35.68,139.77,40", "LOCATION", "STATION", ini));
    SkyMapWidget map;
    PassesWindow window(
        ini, [] { return QDateTime(QDate(2026, 12, 7), QTime(0, 0), Qt::UTC); }, &map);
    window.show();
    ASSERT_TRUE(WaitUntil([&] { return !window.Computing(); }));
    auto* list = window.findChild<QTreeWidget*>("lstPasses");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->topLevelItemCount(), PassesWindow::PassesPerSatellite); // the LEO's; the GEO never sets
    const auto& first = window.passes().rows.at(0);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "DEMO-LEO (ISS-LIKE)");
    EXPECT_EQ(list->topLevelItem(0)->text(4), PassTimeText(first.pass.aos, true));
    EXPECT_EQ(list->topLevelItem(0)->text(7), QString::number(first.pass.aosAzimuth, 'f', 1));
    EXPECT_EQ(list->topLevelItem(0)->text(9), QString::number(first.pass.maxElevation, 'f', 1));
    const QString notes = window.findChild<QLabel*>("lblNotes")->text();
    EXPECT_TRUE(notes.contains("99999: 軌道要素がありません")) << qPrintable(notes);
    EXPECT_TRUE(notes.contains("DEMO-GEO 140E: 常に地平線の上")) << qPrintable(notes);
    EXPECT_TRUE(window.findChild<QLabel*>("lblStation")->text().contains("35.6800"));

    EXPECT_TRUE(map.Track().empty());
    list->setCurrentItem(list->topLevelItem(2));
    ASSERT_FALSE(map.Track().empty());
    const auto& third = window.passes().rows.at(2).pass;
    EXPECT_NEAR(map.Track().front().x(), third.aosAzimuth, 0.05);
    EXPECT_NEAR(map.Track().back().x(), third.losAzimuth, 0.05);
    window.findChild<QPushButton*>("cmdClearTrack")->click();
    EXPECT_TRUE(map.Track().empty());
    list->setCurrentItem(list->topLevelItem(0));
    EXPECT_FALSE(map.Track().empty());
    window.findChild<QPushButton*>("cmdClose")->click();
    EXPECT_TRUE(map.Track().empty());
}

} // namespace

namespace {

// The satellite being served is in a pass: the window opens with that pass selected and drawn; a
// satellite the list does not hold selects nothing.
TEST(PassesWindowTest, SelectsThePassBeingFollowed) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("rotorcfg.ini");
    ASSERT_TRUE(SetINIValue(QStringLiteral(ORBIT_DEMO_TLE), "TLE", "TRACKER", ini));
    ASSERT_TRUE(SetINIValue("90002;90001", "SATELLITE", "TRACKER", ini));
    ASSERT_TRUE(SetINIValue("35.68,139.77,40", "LOCATION", "STATION", ini));
    const QDateTime inPass(QDate(2026, 12, 7), QTime(2, 27, 43), Qt::UTC); // the LEO at 30 degrees
    for (const char* served : {"DEMO-LEO (ISS-LIKE)", "ISS"}) {
        SCOPED_TRACE(served);
        SkyMapWidget map;
        PassesWindow window(
            ini, [&] { return inPass; }, &map, [&] { return QString::fromUtf8(served); });
        ASSERT_TRUE(WaitUntil([&] { return !window.Computing(); }));
        auto* list = window.findChild<QTreeWidget*>("lstPasses");
        const bool listed = QString::fromUtf8(served) != "ISS";
        ASSERT_EQ(list->selectedItems().size(), listed ? 1 : 0);
        EXPECT_EQ(map.Track().empty(), !listed);
        if (!listed)
            continue;
        const auto& row = window.passes().rows.at(list->indexOfTopLevelItem(list->selectedItems().front()));
        EXPECT_EQ(row.name, "DEMO-LEO (ISS-LIKE)");
        const double now = orbit::JulianDate::FromUnixMilliseconds(inPass.toMSecsSinceEpoch()).Value();
        EXPECT_LT(row.pass.aos.Value(), now);
        EXPECT_GT(row.pass.los.Value(), now);
    }
}

} // namespace

namespace {

// 追跡記録 opens the recorded passes, newest first and selected, its error plotted with the figures
// beside it; another record selected shows its own.
TEST(PassesWindowTest, OpensTheRecordedPassesWithTheirFigures) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("rotorcfg.ini");
    ASSERT_TRUE(SetINIValue("35.68,139.77,40", "LOCATION", "STATION", ini));
    const QDateTime start(QDate(2026, 12, 7), QTime(2, 27, 43), Qt::UTC);
    for (int pass = 0; pass < 2; ++pass) {
        PassRecord record{pass == 0 ? "SO-50" : "ISS (ZARYA)", start.addSecs(6000 * pass), {}};
        for (int i = 0; i <= 100; ++i) // errors 0.00 .. 1.00 (ISS: twice that)
            record.samples.push_back(
                {record.startUtc.addSecs(i), double(i), 0, 45, 0, 45, (pass + 1) * i / 100.0});
        ASSERT_TRUE(
            WritePassRecord(dir.filePath(PassRecordFileName(record.satellite, record.startUtc)), record));
    }
    PassesWindow window(
        ini, [&] { return start; }, nullptr);
    window.SetRecordFolder(dir.path());
    window.show();
    window.findChild<QPushButton*>("cmdRecords")->click();
    PassRecordWindow* records = window.Records();
    ASSERT_NE(records, nullptr);
    EXPECT_TRUE(records->isVisible());
    auto* list = records->findChild<QTreeWidget*>("lstRecords");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "ISS (ZARYA)");
    EXPECT_EQ(list->topLevelItem(0)->text(5), "2.00°");
    auto* plot = records->findChild<PointingErrorPlot*>("picError");
    const QString figures = records->findChild<QLabel*>("lblFigures")->text();
    EXPECT_EQ(plot->samples().size(), 101u);
    EXPECT_EQ(plot->ErrorTop(), 2);
    for (const char* text : {"ISS (ZARYA)", "2026-12-07 04:07:43 (UTC) から 1分40秒", "中央値  1.00°",
                             "95%値  1.90°", "最大  2.00°"})
        EXPECT_TRUE(figures.contains(QString::fromUtf8(text))) << text << "\n" << qPrintable(figures);
    list->setCurrentItem(list->topLevelItem(1));
    EXPECT_TRUE(records->findChild<QLabel*>("lblFigures")->text().contains("95%値  0.95°"));
    EXPECT_EQ(plot->ErrorTop(), 1);
    EXPECT_FALSE(plot->grab().isNull());
}

} // namespace

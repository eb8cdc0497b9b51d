// SPDX-License-Identifier: GPL-3.0-or-later
// The satellite dialog driven through its widgets, and its offer at the first start.

#include "mainwindow/SatelliteDialog.h"
#include "WindowFixture.h"
#include "mainwindow/SatellitesController.h"
#include "satellites/LocalHttpServer.h"
#include "support/EventWait.h"
#include "support/TestFiles.h"

#include "config/ProfileFile.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

const QByteArray Sets = "DEMO-LEO (ISS-LIKE)\n"
                        "1 90001U 98067A   26340.50000000  .00012000  00000-0  21000-3 0  9999\n"
                        "2 90001  51.6400 121.5000 0004500  85.0000 275.1000 15.50000000123450\n"
                        "DEMO-MOLNIYA\n"
                        "1 90002U 15049A   26340.25000000  .00000100  00000-0  10000-3 0  9997\n"
                        "2 90002  63.4000 250.0000 7200000 270.0000  10.0000  2.00600000345675\n"
                        "DEMO-GEO 140E\n"
                        "1 90003U 17001A   26340.00000000 -.00000300  00000-0  00000+0 0  9999\n"
                        "2 90003   0.0500  90.0000 0002000 180.0000 304.8000  1.00270000123459\n";

template <class T> T* Find(QWidget& w, const char* name) {
    T* found = w.findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QStringList Column(QTreeWidget* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}

QStringList Rows(QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

class SatelliteDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ini = dir.filePath("rotorcfg.ini");
        own = dir.filePath("own.tle");
        WriteBytes(own, Sets);
        ASSERT_TRUE(SetINIValue(own, "TLE", "TRACKER", ini));
        ASSERT_TRUE(SetINIValue("90003", "SATELLITE", "TRACKER", ini));
    }
    std::unique_ptr<SatelliteDialog> Open() {
        // 2026-12-22 12:00 UTC: the demo sets are 16 days old, the GEO set 16.5.
        auto dialog = std::make_unique<SatelliteDialog>(
            ini, [] { return QDateTime(QDate(2026, 12, 22), QTime(12, 0), Qt::UTC); });
        dialog->show();
        return dialog;
    }

    QTemporaryDir dir;
    QString ini, own;
};

TEST_F(SatelliteDialogTest, FilterAddOrderAndSaveThroughTheWidgets) {
    auto dialog = Open();
    auto* filter = Find<QLineEdit>(*dialog, "txtFilter");
    auto* catalogue = Find<QTreeWidget>(*dialog, "lstCatalogue");
    auto* chosen = Find<QListWidget>(*dialog, "lstChosen");
    EXPECT_EQ(Column(catalogue, 0), (QStringList{"DEMO-GEO 140E", "DEMO-LEO (ISS-LIKE)", "DEMO-MOLNIYA"}));
    EXPECT_EQ(Column(catalogue, 2), (QStringList{"17日（古い）", "16日（古い）", "16日（古い）"}));
    EXPECT_EQ(Rows(chosen), QStringList{"DEMO-GEO 140E  90003"});

    filter->setText("molniya");
    EXPECT_EQ(Column(catalogue, 1), QStringList{"90002"});
    Find<QPushButton>(*dialog, "cmdAdd")->click();
    filter->setText("9000");
    EXPECT_EQ(catalogue->topLevelItemCount(), 3);
    catalogue->clearSelection();
    catalogue->topLevelItem(1)->setSelected(true); // the LEO
    Find<QPushButton>(*dialog, "cmdAdd")->click();
    EXPECT_EQ(Rows(chosen),
              (QStringList{"DEMO-GEO 140E  90003", "DEMO-MOLNIYA  90002", "DEMO-LEO (ISS-LIKE)  90001"}));
    EXPECT_EQ(chosen->currentRow(), 2);
    Find<QPushButton>(*dialog, "cmdUp")->click();
    Find<QPushButton>(*dialog, "cmdUp")->click();
    EXPECT_EQ(chosen->currentRow(), 0);
    chosen->setCurrentRow(1);
    Find<QPushButton>(*dialog, "cmdRemove")->click(); // the GEO
    EXPECT_EQ(Rows(chosen), (QStringList{"DEMO-LEO (ISS-LIKE)  90001", "DEMO-MOLNIYA  90002"}));

    // Nothing is written before the save.
    EXPECT_EQ(GetINIValue("SATELLITE", "TRACKER", ini), "90003");
    Find<QPushButton>(*dialog, "cmdSave")->click();
    EXPECT_EQ(GetINIValue("SATELLITE", "TRACKER", ini), "90001;90002");
    EXPECT_EQ(GetINIValue("TLE", "TRACKER", ini), own);
    EXPECT_TRUE(Find<QLabel>(*dialog, "lblMessage")->text().contains("保存しました"));
}

// The location is checked as it is typed; a text that does not read is not saved (nor is the choice
// beside it), a good one is, full-width forms as plain text, and a blank field clears the setting.
TEST_F(SatelliteDialogTest, TheLocationIsCheckedAsTypedAndSavedWithTheChoice) {
    auto dialog = Open();
    auto* location = Find<QLineEdit>(*dialog, "txtLocation");
    auto* check = Find<QLabel>(*dialog, "lblLocation");
    EXPECT_EQ(location->text(), "");
    EXPECT_TRUE(check->text().contains("既定の位置")) << qPrintable(check->text());
    location->setText("PM95v");
    EXPECT_TRUE(check->text().contains("4 文字か 6 文字")) << qPrintable(check->text());
    Find<QListWidget>(*dialog, "lstChosen")->setCurrentRow(0);
    Find<QPushButton>(*dialog, "cmdRemove")->click();
    Find<QPushButton>(*dialog, "cmdSave")->click();
    EXPECT_TRUE(Find<QLabel>(*dialog, "lblMessage")->text().contains("保存していません"));
    EXPECT_EQ(GetINIValue("SATELLITE", "TRACKER", ini), "90003");
    EXPECT_EQ(GetINIValue("LOCATION", "STATION", ini), "ERROR");

    location->setText(QStringLiteral("３５．５，－１２０，１０"));
    EXPECT_EQ(check->text(), QStringLiteral("北緯 35.5000° 西経 120.0000° 高さ 10 m"));
    Find<QPushButton>(*dialog, "cmdSave")->click();
    EXPECT_EQ(GetINIValue("LOCATION", "STATION", ini), "35.5,-120,10");
    EXPECT_EQ(GetINIValue("SATELLITE", "TRACKER", ini), "");
    location->clear();
    Find<QPushButton>(*dialog, "cmdSave")->click();
    EXPECT_EQ(GetINIValue("LOCATION", "STATION", ini), "");
}

TEST_F(SatelliteDialogTest, UpdateButtonDownloadsAndListsTheNewSets) {
    LocalHttpServer server;
    server.Route("/sets", {200, Sets.left(Sets.indexOf("DEMO-MOLNIYA")), {}, false, -1}); // the LEO only
    server.Route("/html", {200, "<html>busy</html>", {}, false, -1});
    ASSERT_TRUE(SetINIValue(server.Url("/html").toString(), "URL1", "TRACKER", ini));
    ASSERT_TRUE(SetINIValue("", "TLE", "TRACKER", ini));
    ASSERT_TRUE(SetINIValue("", "SATELLITE", "TRACKER", ini));
    auto dialog = Open();
    auto* catalogue = Find<QTreeWidget>(*dialog, "lstCatalogue");
    auto* message = Find<QLabel>(*dialog, "lblMessage");
    auto* update = Find<QPushButton>(*dialog, "cmdUpdate");
    EXPECT_EQ(catalogue->topLevelItemCount(), 0);
    EXPECT_TRUE(message->text().contains("軌道要素の更新"));
    EXPECT_EQ(Find<QLabel>(*dialog, "lblUpdated")->text(), "最終更新: なし");

    // An error page: the reason is shown, no file appears.
    update->click();
    EXPECT_FALSE(update->isEnabled());
    EXPECT_TRUE(Find<QPushButton>(*dialog, "cmdCancel")->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return update->isEnabled(); }));
    EXPECT_TRUE(message->text().contains("軌道要素がありません")) << qPrintable(message->text());
    EXPECT_FALSE(QFile::exists(dir.filePath("elements.tle")));
    EXPECT_FALSE(Find<QProgressBar>(*dialog, "barUpdate")->isVisible());

    ASSERT_TRUE(SetINIValue(server.Url("/sets").toString(), "URL1", "TRACKER", ini));
    update->click();
    ASSERT_TRUE(WaitUntil([&] { return update->isEnabled(); }));
    EXPECT_TRUE(message->text().contains("更新しました")) << qPrintable(message->text());
    EXPECT_EQ(Column(catalogue, 1), QStringList{"90001"});
    EXPECT_EQ(GetINIValue("TLE", "TRACKER", ini), dir.filePath("elements.tle"));
    EXPECT_NE(Find<QLabel>(*dialog, "lblUpdated")->text(), "最終更新: なし");
}

struct FirstStart : WindowFixture {};

// The tracker serving its placeholder: the dialog opens by itself, whether nothing is chosen or the
// chosen satellite is in no element file; with a satellite served it does not.
TEST_F(FirstStart, OffersTheDialogOnlyForTheUnconfiguredTracker) {
    struct Row {
        const char* served;
        const char* setting;
        bool offered;
    } rows[] = {{"衛星未設定", nullptr, true}, {"衛星未設定", "25544", true}, {"ISS", nullptr, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.served);
        QFile::remove(iniPath());
        if (r.setting) {
            ASSERT_TRUE(SetINIValue(QString::fromUtf8(r.setting), "SATELLITE", "TRACKER", iniPath()));
        }
        orbi["TEXT1"] = QString::fromUtf8(r.served);
        world.link.servers[QStringLiteral("ORBI|EXTRN")] = orbi;
        Start();
        // No location set: the map says the default one is in force.
        EXPECT_FALSE(window->findChild<QLabel*>("lblDefaultLocation")->isHidden());
        EXPECT_EQ(window->satellites().Dialog() != nullptr, r.offered);
        if (r.offered) {
            EXPECT_TRUE(window->satellites().Dialog()->isVisible());
        }
        window.reset();
    }
    // The menu item opens it, one window at a time.
    Start();
    auto* item = window->findChild<QAction*>("menu_eisei");
    ASSERT_NE(item, nullptr);
    item->trigger();
    auto* first = window->satellites().Dialog();
    item->trigger();
    EXPECT_EQ(window->satellites().Dialog(), first);
    // A location saved there takes the map's notice away.
    first->txtLocation->setText("PM95vq");
    first->cmdSave->click();
    EXPECT_TRUE(window->findChild<QLabel*>("lblDefaultLocation")->isHidden());
}

} // namespace

#include "mainwindow/Form1.h"
#include "mainwindow/SettingsController.h"
#include "mainwindow/StationsController.h"
#include "support/FakePorts.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Escape leaves each of the smaller windows the way its close button does.
TEST(Keyboard, EscapeClosesTheSmallWindows) {
    QTemporaryDir dir;
    FakeWorld world;
    Form1 window(world.ports(), dir.filePath(QStringLiteral("rotorcfg.ini")));
    window.setEndHandler([](int) {});
    window.stations().setStationFilePath(dir.filePath(QStringLiteral("azelmon.csv")));
    struct Row {
        const char* name;
        std::function<void()> open;
    };
    const Row rows[] = {
        {"Form2", [&] { window.settings().menuhoseiti_Click(); }},
        {"Form3", [&] { window.settings().menuver_Click(); }},
        {"Form4", [&] { window.stations().menukyoku_Click(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.open();
        QWidget* w = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String(row.name) && top->isVisible())
                w = top;
        ASSERT_NE(w, nullptr);
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w, 2000));
        QTest::keyClick(w, Qt::Key_Escape);
        EXPECT_FALSE(w->isVisible());
    }
    EXPECT_EQ(window.state().module.SettingsDialogOpen, "0");
}

} // namespace

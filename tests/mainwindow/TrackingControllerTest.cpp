#include "mainwindow/TrackingController.h"
#include "WindowFixture.h"
#include "rotator/RotatorControl.h"
#include "skymap/SkyProjection.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>

namespace {

const QColor Yellow(255, 255, 0);
const QColor Cyan(0, 255, 255);

QColor TextColour(const QWidget* w) {
    return w->palette().color(qobject_cast<const QLabel*>(w) ? QPalette::WindowText : QPalette::Text);
}

using Tracking = WindowFixture;

TEST_F(Tracking, TargetDisplayColoursAndMark) {
    struct Row {
        const char* name;
        QByteArray ini;
        const char *azimuth, *elevation;
        const char *lblAz, *lblEl, *text3;
        bool visible;
        double mapAzimuth, mapElevation;
    };
    const Row rows[] = {
        {"north, visible", "", "123.456", "12.3", "123.46", "12.30", "123.456", true, 123.456, 12.3},
        {"below horizon", "", "200", "-5.2", "200.00", "-5.20", "200", false, 200, -5.2},
        {"south start point", "[HOUI]\r\nHKITEN=1\r\n", "30", "45", "30.00", "45.00", "210", true, 30, 45},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        WriteIni(r.ini);
        SetSatellite(r.azimuth, r.elevation);
        world.board.writes.clear();
        Form1& w = Start();
        // The start-up range check: both axes written off once, no mark before normal operation.
        const auto first = Tick();
        EXPECT_TRUE(first.refreshed);
        EXPECT_FALSE(first.targetMarkDrawn);
        const std::vector<RecordingBoard::Write> off = {{6, 4, 0}, {6, 5, 0}, {6, 6, 0}, {6, 7, 0}};
        EXPECT_EQ(world.board.writes, off);
        EXPECT_TRUE(ButtonsReady());

        const std::size_t readsBefore = world.board.reads.size();
        const auto report = Tick();
        EXPECT_EQ(w.lblAz->text(), r.lblAz);
        EXPECT_EQ(w.lblEl->text(), r.lblEl);
        EXPECT_EQ(w.Text[3]->text(), r.text3);
        // Range divided by ten, range rate rounded, frequency in MHz.
        EXPECT_EQ(w.Text[5]->text(), "1234.6");
        EXPECT_EQ(w.Text[6]->text(), "-2.35");
        EXPECT_EQ(w.Text[7]->text(), "123.5");
        const QColor colour = r.visible ? Yellow : Cyan;
        for (QWidget* box : {static_cast<QWidget*>(w.lblAz), static_cast<QWidget*>(w.lblEl),
                             static_cast<QWidget*>(w.Text[1]), static_cast<QWidget*>(w.Text[17]),
                             static_cast<QWidget*>(w.Text[5]), static_cast<QWidget*>(w.Text[8])})
            EXPECT_EQ(TextColour(box), colour) << box->objectName().toStdString();
        // Sun and Moon pair by pair: the Sun up, the Moon down.
        EXPECT_EQ(TextColour(w.Text[12]), Yellow);
        EXPECT_EQ(TextColour(w.Text[13]), Yellow);
        EXPECT_EQ(TextColour(w.Text[14]), Cyan);
        EXPECT_EQ(TextColour(w.Text[15]), Cyan);
        EXPECT_EQ(report.targetMarkDrawn, r.visible);
        EXPECT_GT(world.board.reads.size(), readsBefore); // the antenna is measured either way
        if (r.visible) {
            EXPECT_NEAR(report.targetPoint.x(), SkyPlotX(r.mapAzimuth, r.mapElevation) + 1380, 1e-9);
            EXPECT_NEAR(report.targetPoint.y(), SkyPlotY(r.mapAzimuth, r.mapElevation) + 1350, 1e-9);
        }
        EXPECT_EQ(w.state().TargetAzimuth, QString::fromLatin1(r.text3).toDouble());
        window.reset();
    }
}

// While tracking, only the tracked target's option and 中止 stay usable; 中止 gives everything back.
TEST_F(Tracking, AutomaticLocksTheOtherChoicesUntilAbort) {
    Form1& w = Start();
    Tick();
    Tick();
    w.Option3->click();
    w.Option1->click();
    w.Command3->click();
    EXPECT_EQ(w.state().OperatingMode, 2);
    EXPECT_EQ(world.board.Level(4), 1); // right turn towards 123.46
    EXPECT_EQ(world.board.Level(6), 1); // up towards 12.3
    EXPECT_TRUE(w.Command4->isEnabled());
    EXPECT_FALSE(w.Command2->isEnabled());
    EXPECT_TRUE(w.Option1->isEnabled());
    EXPECT_FALSE(w.Option2->isEnabled());
    EXPECT_FALSE(w.Option4->isEnabled());
    EXPECT_FALSE(w.menuset->isEnabled());

    w.Command4->click();
    EXPECT_EQ(w.state().AbortRequested, 1);
    EXPECT_TRUE(ButtonsReady());
    EXPECT_TRUE(w.Option4->isEnabled());
    EXPECT_TRUE(w.menuset->isEnabled());
    w.rotator().Timer2_Timer();
    EXPECT_TRUE(world.board.AllRelaysOff());
    EXPECT_EQ(w.state().OperatingMode, 0);
}

TEST_F(Tracking, ManualWithoutAPointedPositionOnlyAsks) {
    Form1& w = Start();
    Tick();
    const std::size_t writes = world.board.writes.size();
    w.Command2->click();
    EXPECT_EQ(world.messages.texts.value(world.messages.texts.size() - 1),
              QStringLiteral("アンテナの移動位置を指定してください"));
    EXPECT_TRUE(ButtonsReady());
    EXPECT_TRUE(w.menuset->isEnabled());
    EXPECT_EQ(w.state().OperatingMode, 0);
    EXPECT_EQ(world.board.writes.size(), writes);
}

// The data server falls silent while a satellite is followed: the last values stay and the motors stop
// after a few seconds.
TEST_F(Tracking, SilentServerStopsAutomaticTracking) {
    Form1& w = Start();
    Tick();
    Tick();
    w.Command3->click();
    ASSERT_EQ(world.board.Level(4), 1);

    world.link.servers.clear();
    EXPECT_FALSE(Tick().refreshed);
    EXPECT_EQ(world.status.left, TrackingCycle::LostText("ORBI"));
    EXPECT_EQ(w.Text[5]->text(), "1234.6"); // kept, not divided again
    EXPECT_EQ(w.lblAz->text(), "123.46");
    EXPECT_EQ(w.state().OperatingMode, 2);

    bool stopped = false;
    for (int i = 0; i < 6 && !stopped; ++i)
        stopped = Tick().trackingStopped;
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(world.board.AllRelaysOff());
    EXPECT_EQ(w.state().OperatingMode, 0);
    EXPECT_EQ(world.status.left, TrackingCycle::StoppedText("ORBI"));
    EXPECT_TRUE(ButtonsReady());
}

} // namespace

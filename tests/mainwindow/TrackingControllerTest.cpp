#include "mainwindow/TrackingController.h"
#include "mainwindow/Form1.h"
#include "rotator/RotatorControl.h"
#include "skymap/SkyProjection.h"
#include "support/FakePorts.h"
#include "tracking/TrackingCycle.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QColor Yellow(255, 255, 0);
const QColor Cyan(0, 255, 255);

QColor TextColour(const QWidget* w) {
    return w->palette().color(qobject_cast<const QLabel*>(w) ? QPalette::WindowText : QPalette::Text);
}

// Count of the azimuth input for an angle, with 0 V at 0 degrees and 4 V at the top of a 0..300 range.
int AzimuthCount(double degrees) {
    return static_cast<int>(degrees * 4 / 300 * 1023 / 5 + 0.5);
}

struct TrackingFixture : ::testing::Test {
    QTemporaryDir dir;
    FakeWorld world;
    std::unique_ptr<Form1> window;
    QList<int> endCodes;
    QMap<QString, QString> orbi;

    QString iniPath() const { return dir.filePath(QStringLiteral("rotorcfg.ini")); }

    void SetUp() override {
        const std::pair<const char*, const char*> items[] = {
            {"TEXT1", "ISS"},   {"TEXT2", "123.456"}, {"TEXT3", "12.3"},   {"TEXT4", "1234567"},
            {"TEXT5", "45678"}, {"TEXT6", "123.45"},  {"TEXT7", "-2346"},  {"text8", "250.04"},
            {"text9", "20.5"},  {"text10", "100.0"},  {"text11", "-30.0"}, {"text20", "80.0"},
            {"text21", "5.0"},
        };
        for (const auto& [item, value] : items)
            orbi[QString::fromLatin1(item)] = QString::fromLatin1(value);
        world.link.servers[QStringLiteral("ORBI|EXTRN")] = orbi;
    }

    void WriteIni(const QByteArray& text) {
        QFile f(iniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    Form1& Start() {
        window = std::make_unique<Form1>(world.ports(), iniPath());
        window->setEndHandler([this](int code) { endCodes << code; });
        EXPECT_TRUE(window->Form_Load());
        return *window;
    }

    TrackingCycle::Report Tick() {
        world.clock.Advance(1000);
        return window->tracking().cycle().Timer1_Timer();
    }

    void SetSatellite(const char* azimuth, const char* elevation) {
        auto& items = world.link.servers[QStringLiteral("ORBI|EXTRN")];
        items[QStringLiteral("TEXT2")] = QString::fromLatin1(azimuth);
        items[QStringLiteral("TEXT3")] = QString::fromLatin1(elevation);
    }

    bool ButtonsReady() const {
        const Form1& w = *window;
        return w.Command2->isEnabled() && w.Command3->isEnabled() && w.Command5->isEnabled() &&
               w.Command6->isEnabled() && !w.Command4->isEnabled();
    }
};

TEST_F(TrackingFixture, FirstCycleFindsTheAntennaInRangeAndEnablesTheButtons) {
    Form1& w = Start();
    EXPECT_FALSE(ButtonsReady());
    const auto report = Tick();
    EXPECT_TRUE(report.refreshed);
    EXPECT_EQ(w.state().StartupState, 0);
    EXPECT_TRUE(ButtonsReady());
    // Both axes written off once by the range return.
    const std::vector<RecordingBoard::Write> off = {{6, 4, 0}, {6, 5, 0}, {6, 6, 0}, {6, 7, 0}};
    EXPECT_EQ(world.board.writes, off);
    EXPECT_FALSE(report.targetMarkDrawn); // no mark before normal operation

    EXPECT_EQ(w.Text[17]->text(), "ISS");
    EXPECT_EQ(w.Text[5]->text(), "1234.6");
    EXPECT_EQ(w.Text[6]->text(), "-2.35");
    EXPECT_EQ(w.Text[7]->text(), "123.5");
    EXPECT_TRUE(w.Label18->text().endsWith("(JST)"));
    EXPECT_TRUE(w.Label23->text().endsWith("(UTC)"));
    // Body colours pair by pair: Sun up, Moon down.
    EXPECT_EQ(TextColour(w.Text[12]), Yellow);
    EXPECT_EQ(TextColour(w.Text[13]), Yellow);
    EXPECT_EQ(TextColour(w.Text[14]), Cyan);
    EXPECT_EQ(TextColour(w.Text[15]), Cyan);
}

TEST_F(TrackingFixture, TargetDisplayColoursAndMark) {
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
        Form1& w = Start();
        Tick(); // start-up range check
        const std::size_t readsBefore = world.board.reads.size();
        const auto report = Tick();
        EXPECT_EQ(w.lblAz->text(), r.lblAz);
        EXPECT_EQ(w.lblEl->text(), r.lblEl);
        EXPECT_EQ(w.Text[3]->text(), r.text3);
        const QColor colour = r.visible ? Yellow : Cyan;
        for (QWidget* box : {static_cast<QWidget*>(w.lblAz), static_cast<QWidget*>(w.lblEl),
                             static_cast<QWidget*>(w.Text[1]), static_cast<QWidget*>(w.Text[17]),
                             static_cast<QWidget*>(w.Text[5]), static_cast<QWidget*>(w.Text[8])})
            EXPECT_EQ(TextColour(box), colour) << box->objectName().toStdString();
        EXPECT_EQ(report.targetMarkDrawn, r.visible);
        EXPECT_GT(world.board.reads.size(), readsBefore); // the antenna is measured either way
        if (r.visible) {
            EXPECT_NEAR(report.targetPoint.x(), SkyPlotX(r.mapAzimuth, r.mapElevation) + 1380, 1e-9);
            EXPECT_NEAR(report.targetPoint.y(), SkyPlotY(r.mapAzimuth, r.mapElevation) + 1350, 1e-9);
        }
        if (QString::fromLatin1(r.text3) == "210") {
            EXPECT_EQ(w.state().TargetAzimuth, 210);
        }
        window.reset();
    }
}

TEST_F(TrackingFixture, AntennaOutsideItsRangeIsDrivenBackBeforeTheButtons) {
    WriteIni("[HPOSITION]\r\nH-RANGE=0,300\r\nHVOLT360=4\r\n");
    world.board.counts[0] = AzimuthCount(320);
    Form1& w = Start();
    Tick();
    EXPECT_EQ(world.board.Level(5), 1); // left turn
    EXPECT_EQ(w.state().StartupState, 2);
    EXPECT_FALSE(ButtonsReady());
    Tick();
    EXPECT_EQ(world.board.Level(5), 1);          // still outside
    world.board.counts[0] = AzimuthCount(300.5); // within the tolerance of the limit
    Tick();
    EXPECT_EQ(world.board.Level(5), 0);
    EXPECT_FALSE(ButtonsReady());
    Tick();
    EXPECT_TRUE(ButtonsReady());
    EXPECT_EQ(w.state().StartupState, 0);
}

TEST_F(TrackingFixture, AutomaticThenAbort) {
    Form1& w = Start();
    Tick();
    Tick();
    w.Option3->click(); // the Moon: the other options get locked
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

TEST_F(TrackingFixture, ManualWithoutAPointedPositionOnlyAsks) {
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

// The data server falls silent while a satellite is followed: the last values stay, the failure is
// shown once, the motors stop after a few seconds, and the answers are taken up again later.
TEST_F(TrackingFixture, SilentServerStopsAutomaticTracking) {
    Form1& w = Start();
    Tick();
    Tick();
    w.Command3->click();
    ASSERT_EQ(world.board.Level(4), 1);

    world.link.servers.clear();
    auto report = Tick();
    EXPECT_FALSE(report.refreshed);
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

    world.link.servers[QStringLiteral("ORBI|EXTRN")] = orbi;
    SetSatellite("124", "13");
    bool back = false;
    for (int i = 0; i < 6 && !back; ++i)
        back = Tick().refreshed;
    EXPECT_TRUE(back);
    EXPECT_EQ(world.status.left, TrackingCycle::RestoredText("ORBI"));
    EXPECT_EQ(w.lblAz->text(), "124.00");
    EXPECT_EQ(w.Text[5]->text(), "1234.6");
}

TEST_F(TrackingFixture, SoundCuesAndInformationPanel) {
    Form1& w = Start();
    Tick();
    Tick();
    EXPECT_TRUE(world.sound.played.isEmpty()); // sound is off at start
    w.Check1->click();
    EXPECT_EQ(w.Check1->text(), "ON");
    EXPECT_EQ(w.state().SoundCuesOn, 1);
    // Choosing the Moon while the satellite is up: the held elevation is the satellite's.
    w.Option3->click();
    EXPECT_EQ(world.sound.played, QStringList{"sound2.wav"});
    Tick(); // the Moon is below the horizon
    EXPECT_EQ(world.sound.played, (QStringList{"sound2.wav", "sound3.wav"}));
    w.Check1->click();
    EXPECT_EQ(w.Check1->text(), "OFF");
    w.Option1->click();
    Tick();
    EXPECT_EQ(world.sound.played.size(), 2);

    w.Check2->click();
    EXPECT_EQ(w.width(), Px(6465));
    w.Check2->click();
    EXPECT_EQ(w.width(), Px(5300));
}

TEST_F(TrackingFixture, NoServerEndsTheProgramAtStartUp) {
    world.link.servers.clear();
    window = std::make_unique<Form1>(world.ports(), iniPath());
    window->setEndHandler([this](int code) { endCodes << code; });
    EXPECT_FALSE(window->Form_Load());
    EXPECT_EQ(world.messages.texts,
              QStringList{
                  QStringLiteral("ＯＲＢＩかＣＡＬＳＡＴを起動してからＡＺＥＬＭＯＮを再起動してください")});
    EXPECT_EQ(endCodes.size(), 1);
    EXPECT_FALSE(window->Timer1->isActive());
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// Automatic tracking of the scripted satellite, its rise and set cues, and the outside things
// failing and coming back: the board falling silent, the data server quitting.
#include "E2eSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

namespace {

// The data server's clock, in seconds after the epoch of its pass: the satellite rises about 46 s
// after the epoch and sets about 676 s after it; at 120 s it stands near 196° / 5°.
QStringList ServerAt(int secondsAfterEpoch) {
    const QDateTime epoch(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    return {QStringLiteral("--epoch"), epoch.toString(Qt::ISODate), QStringLiteral("--time"),
            epoch.addSecs(secondsAfterEpoch).toString(Qt::ISODate)};
}

struct Tracking : ::testing::Test {
    Program p;

    void Start(const QStringList& boardArguments, const QStringList& serverArguments) {
        ASSERT_TRUE(p.StartBus());
        ASSERT_TRUE(p.StartServer(serverArguments)) << p.server.errors().toStdString();
        ASSERT_TRUE(p.StartBoard(boardArguments));
        p.WriteSettings();
        ASSERT_TRUE(p.Launch());
        ASSERT_TRUE(p.WaitUntilReady());
    }

    double SatelliteAzimuth() { return p.ServerItem(QStringLiteral("TEXT2")).toDouble(); }
    double SatelliteElevation() { return p.ServerItem(QStringLiteral("TEXT3")).toDouble(); }

    bool OnTarget(double tolerance) {
        return std::abs(p.ShownAzimuth() - SatelliteAzimuth()) <= tolerance &&
               std::abs(p.ShownElevation() - SatelliteElevation()) <= tolerance;
    }

    void Abort() {
        QTest::mouseClick(p.window->Command4, Qt::LeftButton);
        EXPECT_TRUE(WaitFor([this] { return p.board.AllCoilsOff(); }, 3000))
            << p.board.Output().toStdString();
        EXPECT_TRUE(WaitFor([this] { return p.window->state().OperatingMode == RunMode::Stopped; }, 3000));
        EXPECT_TRUE(p.window->Command3->isEnabled());
        // The emulator's lines of the offs may still be on their way through its pipe.
        EXPECT_TRUE(WaitFor([this] { return PrintedAllOff(p.board.Output()); }, 3000));
        // Nothing moves after the abort.
        const QString before = p.board.Output();
        WaitFor([] { return false; }, 2500);
        EXPECT_EQ(p.board.Output(), before);
    }

    // The emulator's "relay BIT LEVEL" lines leave every relay off.
    static bool PrintedAllOff(const QString& output) {
        std::map<QString, QString> last;
        for (const QString& line : output.split(QLatin1Char('\n'))) {
            const QStringList words = line.split(QLatin1Char(' '));
            if (words.size() >= 3 && words[0] == QLatin1String("relay"))
                last[words[1]] = words[2];
        }
        for (const auto& [bit, level] : last)
            if (level != QLatin1String("0"))
                return false;
        return true;
    }
};

TEST_F(Tracking, AutomaticMovesOntoTheSatelliteAndAbortStopsEveryRelay) {
    Start({QStringLiteral("--az"), QStringLiteral("186"), QStringLiteral("--el"), QStringLiteral("0")},
          ServerAt(120));
    EXPECT_TRUE(p.window->Option1->isChecked());
    EXPECT_EQ(p.window->Text[1]->text(), QStringLiteral("ISS"));
    QTest::mouseClick(p.window->Command3, Qt::LeftButton);
    EXPECT_TRUE(p.window->Command4->isEnabled());
    EXPECT_FALSE(p.window->Command2->isEnabled());
    ASSERT_TRUE(WaitFor([this] { return OnTarget(2.5); }, 20000))
        << p.ShownAzimuth() << "/" << p.ShownElevation() << " " << p.board.Output().toStdString();
    const QString output = p.board.Output();
    EXPECT_TRUE(output.contains(QStringLiteral("relay 4 1"))) << output.toStdString(); // right, towards 196°
    EXPECT_TRUE(output.contains(QStringLiteral("relay 6 1"))) << output.toStdString(); // up
    // It sets off the right way; a correction back after an overrun is allowed.
    const qsizetype left = output.indexOf(QStringLiteral("relay 5 1"));
    EXPECT_TRUE(left < 0 || left > output.indexOf(QStringLiteral("relay 4 1"))) << output.toStdString();
    EXPECT_EQ(p.window->state().OperatingMode, RunMode::Automatic);
    Abort();
}

// The cue of the satellite crossing the horizon while it is tracked, sound on.
struct Crossing {
    const char* name;
    int serverSeconds;
    double boardAzimuth; // where the satellite crosses the horizon
    const char* cue;
};

class HorizonCue : public Tracking, public ::testing::WithParamInterface<Crossing> {};

TEST_P(HorizonCue, PlaysOnceWhileTracking) {
    const Crossing& c = GetParam();
    Start({QStringLiteral("--az"), QString::number(c.boardAzimuth), QStringLiteral("--el"),
           QStringLiteral("0")},
          ServerAt(c.serverSeconds));
    if (!p.window->Check1->isChecked())
        QTest::mouseClick(p.window->Check1, Qt::LeftButton);
    ASSERT_EQ(p.window->state().SoundCuesOn, 1);
    QTest::mouseClick(p.window->Command3, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return p.sound.played.contains(QLatin1String(c.cue)); }, 20000))
        << p.sound.played.join(QLatin1Char(',')).toStdString() << " el " << SatelliteElevation();
    EXPECT_EQ(p.sound.played.count(QLatin1String(c.cue)), 1);
    Abort();
}

INSTANTIATE_TEST_SUITE_P(Pass, HorizonCue,
                         ::testing::Values(Crossing{"Rise", 40, 197, "sound2.wav"},
                                           Crossing{"Set", 670, 22, "sound3.wav"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Tracking, BoardFallingSilentIsShownAndTheMoveGoesOnWhenItAnswersAgain) {
    Start({QStringLiteral("--az"), QStringLiteral("100"), QStringLiteral("--el"), QStringLiteral("10")},
          ServerAt(120));
    p.ClickMap(160, 10);
    QTest::mouseClick(p.window->Command2, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([this] { return p.board.Output().contains(QStringLiteral("relay 4 1")); }, 5000));
    const QString statusBefore = p.StatusText();
    p.board.Pause();
    const bool shown = WaitFor([this] { return p.StatusText().contains(QStringLiteral("エラー")); }, 10000);
    p.board.Resume();
    ASSERT_TRUE(shown) << p.StatusText().toStdString();
    EXPECT_NE(p.StatusText(), statusBefore);
    // Back: the present angle moves on and the antenna ends at the point with every relay off.
    ASSERT_TRUE(WaitFor(
        [this] {
            return p.window->state().OperatingMode == RunMode::Stopped && !p.window->Command4->isEnabled();
        },
        30000))
        << p.StatusText().toStdString() << " " << p.board.Output().toStdString();
    EXPECT_TRUE(p.board.AllCoilsOff());
    // Near the point the manual step pulses the motor; how close it gets is the map test's concern.
    EXPECT_NEAR(p.ShownAzimuth(), 160, 10) << p.board.Output().toStdString();
}

TEST_F(Tracking, DataServerQuittingAndComingBackIsShownAndTrackingCanResume) {
    Start({QStringLiteral("--az"), QStringLiteral("190"), QStringLiteral("--el"), QStringLiteral("0")},
          ServerAt(120));
    ASSERT_TRUE(WaitFor([this] { return p.window->lblAz->text().toDouble() > 190; }, 5000))
        << p.window->lblAz->text().toStdString();
    p.server.Kill();
    ASSERT_TRUE(
        WaitFor([this] { return p.StatusText().contains(QStringLiteral("応答がありません")); }, 10000))
        << p.StatusText().toStdString();
    EXPECT_TRUE(p.window->Text[1]->text() == QStringLiteral("ISS")); // the last values stay
    ASSERT_TRUE(p.server.Start(*p.bus, ServerAt(130))) << p.server.errors().toStdString();
    ASSERT_TRUE(
        WaitFor([this] { return p.StatusText().contains(QStringLiteral("応答が戻りました")); }, 15000))
        << p.StatusText().toStdString();
    QTest::mouseClick(p.window->Command3, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([this] { return OnTarget(2.5); }, 20000)) << p.board.Output().toStdString();
    Abort();
    EXPECT_TRUE(p.messages.texts.isEmpty()) << p.messages.texts.join(QLatin1Char('/')).toStdString();
}

} // namespace

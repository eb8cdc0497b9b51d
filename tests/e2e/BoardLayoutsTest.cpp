// SPDX-License-Identifier: GPL-3.0-or-later
// The three module layouts docs/board.md shows, each through a whole start-up return and an automatic
// pass against boardsim serving the same map: the default layout, a 4-relay module with coils 0..3
// and 12-bit holding registers over TCP, and an RS-485 module over Modbus RTU on a pty pair.
#include "E2eSupport.h"
#include "support/PtyPair.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Layout {
    const char* name;
    const char* section; // [BOARD_MAP] as docs/board.md gives it (the RTU device is added by the test)
    bool rtu;
};

// Relay levels (bits 4..7) as the emulator last reported them.
std::array<int, 4> RelaysFromOutput(const QString& output) {
    std::array<int, 4> levels{0, 0, 0, 0};
    static const QRegularExpression line(QStringLiteral("^relay ([4-7]) ([01])"),
                                         QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(output); it.hasNext();) {
        const auto m = it.next();
        levels[static_cast<std::size_t>(m.captured(1).toInt() - 4)] = m.captured(2).toInt();
    }
    return levels;
}

class BoardLayouts : public ::testing::TestWithParam<Layout> {
  protected:
    PtyPair pty; // outlives the program, whose last act is writing every relay off
    Program p;

    double Item(const char* item) { return p.ServerItem(QLatin1String(item)).toDouble(); }
    bool OnTarget(double tolerance) {
        return std::abs(p.ShownAzimuth() - Item("TEXT2")) <= tolerance &&
               std::abs(p.ShownElevation() - Item("TEXT3")) <= tolerance;
    }
};

TEST_P(BoardLayouts, StartUpReturnAndAnAutomaticPass) {
    const Layout& layout = GetParam();
    if (layout.rtu && !PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    ASSERT_TRUE(p.StartBus());
    // The satellite 120 s after its pass epoch: near 196° / 5°.
    const QDateTime epoch(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    ASSERT_TRUE(p.StartServer({QStringLiteral("--epoch"), epoch.toString(Qt::ISODate),
                               QStringLiteral("--time"), epoch.addSecs(120).toString(Qt::ISODate)}))
        << p.server.errors().toStdString();
    QByteArray section = layout.section;
    QStringList boardArguments{QStringLiteral("--az"),  QStringLiteral("178"),
                               QStringLiteral("--el"),  QStringLiteral("10"),
                               QStringLiteral("--map"), p.dir.filePath(QStringLiteral("rotorcfg.ini"))};
    if (layout.rtu) {
        ASSERT_TRUE(pty.Start(p.dir.path()));
        section += "DEVICE=" + pty.programEnd.toLocal8Bit() + "\r\n";
        boardArguments << QStringLiteral("--device") << pty.boardEnd;
    }
    // 178° lies below the azimuth range: start-up turns the antenna right into it first. The range's
    // ends are calibrated where the emulator puts them (5 V for 360°): 2.5694 V at 185°, 4.7222 V at 340°.
    p.WriteSettings("[HPOSITION]\r\nH-RANGE=185,340\r\nHVOLT0=2.5694444\r\nHVOLT360=4.7222222\r\n" + section);
    ASSERT_TRUE(p.StartBoard(boardArguments));
    ASSERT_TRUE(p.Launch());
    EXPECT_TRUE(p.messages.texts.isEmpty()) << p.messages.texts.join(QLatin1Char('/')).toStdString();

    ASSERT_TRUE(p.WaitUntilReady(30000))
        << p.ShownAzimuth() << "/" << p.ShownElevation() << " startup " << p.window->state().StartupState
        << " " << p.StatusText().toStdString() << p.board.Output().toStdString();
    EXPECT_TRUE(p.board.Output().contains(QStringLiteral("relay 4 1"))) << p.board.Output().toStdString();
    EXPECT_GE(p.ShownAzimuth(), 185 - 1.5);

    QTest::mouseClick(p.window->Command3, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([this] { return OnTarget(2.5); }, 30000))
        << p.ShownAzimuth() << "/" << p.ShownElevation() << " " << p.StatusText().toStdString() << " "
        << p.board.Output().toStdString();
    QTest::mouseClick(p.window->Command4, Qt::LeftButton);
    EXPECT_TRUE(WaitFor([this] { return RelaysFromOutput(p.board.Output()) == std::array<int, 4>{}; }, 5000))
        << p.board.Output().toStdString();
    EXPECT_TRUE(WaitFor([this] { return p.window->state().OperatingMode == RunMode::Stopped; }, 3000));

    const QString output = p.board.Output();
    EXPECT_FALSE(output.contains(QStringLiteral("stray coil"))) << output.toStdString();
    EXPECT_FALSE(p.StatusText().contains(QStringLiteral("エラー"))) << p.StatusText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Documented, BoardLayouts,
    ::testing::Values(
        Layout{"Default", "", false},
        Layout{"FourRelaysTwelveBitHolding",
               "[BOARD_MAP]\r\nRIGHT_COIL=0\r\nLEFT_COIL=1\r\nUP_COIL=2\r\nDOWN_COIL=3\r\n"
               "REGISTER_KIND=HOLDING\r\nAZ_REGISTER=0\r\nEL_REGISTER=1\r\n"
               "FULL_SCALE_COUNT=4095\r\nFULL_SCALE_VOLTS=5\r\n",
               false},
        Layout{"Rtu",
               "[BOARD_MAP]\r\nTRANSPORT=RTU\r\nBAUD=9600\r\nPARITY=N\r\nDATA_BITS=8\r\n"
               "STOP_BITS=1\r\nUNIT=2\r\nRIGHT_COIL=0\r\nLEFT_COIL=1\r\nUP_COIL=2\r\nDOWN_COIL=3\r\n"
               "REGISTER_KIND=INPUT\r\nAZ_REGISTER=0\r\nEL_REGISTER=1\r\n"
               "FULL_SCALE_COUNT=5000\r\nFULL_SCALE_VOLTS=5\r\n",
               true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

// A map with a value that is no number (and two relays on one coil) is refused at start-up: its
// message, naming the first fault, is shown while every relay is off, and the board is never spoken
// to, though the antenna stands outside its range.
TEST(RefusedBoardMap, IsShownAtStartUpAndNothingReachesTheBoard) {
    Program p;
    ASSERT_TRUE(p.StartBus());
    ASSERT_TRUE(p.StartServer()) << p.server.errors().toStdString();
    p.WriteSettings(
        "[HPOSITION]\r\nH-RANGE=100,340\r\n[BOARD_MAP]\r\nUNIT=one\r\nRIGHT_COIL=0\r\nLEFT_COIL=0\r\n");
    ASSERT_TRUE(p.StartBoard({QStringLiteral("--az"), QStringLiteral("2")}));
    ASSERT_TRUE(p.Launch());
    ASSERT_EQ(p.messages.texts.size(), 1) << p.messages.texts.join(QLatin1Char('/')).toStdString();
    EXPECT_TRUE(p.messages.texts[0].contains(QStringLiteral("UNIT の値「one」")))
        << p.messages.texts[0].toStdString();
    ASSERT_TRUE(WaitFor([&p] { return p.StatusText().contains(QStringLiteral("UNIT の値「one」")); }, 5000))
        << p.StatusText().toStdString();
    WaitFor([] { return false; }, 2500);
    EXPECT_FALSE(p.window->Command3->isEnabled());
    EXPECT_TRUE(p.board.Output().isEmpty()) << p.board.Output().toStdString();
    EXPECT_EQ(p.board.Coils(), (std::array<int, 4>{0, 0, 0, 0}));
}

// A serial device that is not there is named once at start-up; the program runs on and keeps the
// error on the status line, trying the device again on every call.
TEST(MissingSerialDevice, IsNamedAtStartUpAndTheProgramRunsOnShowingIt) {
    Program p;
    ASSERT_TRUE(p.StartBus());
    ASSERT_TRUE(p.StartServer()) << p.server.errors().toStdString();
    p.WriteSettings("[BOARD_MAP]\r\nTRANSPORT=RTU\r\nDEVICE=/nonexistent/ttyUSB9\r\n");
    ASSERT_TRUE(p.Launch());
    ASSERT_EQ(p.messages.texts.size(), 1) << p.messages.texts.join(QLatin1Char('/')).toStdString();
    EXPECT_TRUE(p.messages.texts[0].contains(QStringLiteral("/nonexistent/ttyUSB9 がありません")))
        << p.messages.texts[0].toStdString();
    ASSERT_TRUE(
        WaitFor([&p] { return p.StatusText().contains(QStringLiteral("/nonexistent/ttyUSB9")); }, 5000))
        << p.StatusText().toStdString();
    EXPECT_FALSE(p.window->HasEnded());
    EXPECT_EQ(p.messages.texts.size(), 1);
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/StartupParts.h"
#include "common/MainState.h"
#include "config/ProfileFile.h"
#include "links/DbusDataLink.h"
#include "links/RemoteTarget.h"
#include "links/RemoteTargetLink.h"
#include "links/RotctldServer.h"
#include "mainwindow/StartupOptions.h"
#include "rotator/ModbusBoard.h"
#include "rotator/SimulatedBoard.h"
#include "support/FakePorts.h"
#include "tracking/RotctldMainState.h"

#include <QTcpServer>
#include <gtest/gtest.h>

namespace {

std::variant<StartupOptions, QString> Parse(const QStringList& arguments) {
    QCommandLineParser parser;
    DeclareStartupOptions(parser);
    EXPECT_TRUE(parser.parse(QStringList{QStringLiteral("azelmon")} + arguments))
        << parser.errorText().toStdString();
    return ReadStartupOptions(parser);
}

} // namespace

TEST(StartupOptions, EachMistakeIsNamedWithItsOption) {
    struct Row {
        QStringList arguments;
        const char* mistake;
    };
    const Row rows[] = {
        {{"--board", "real"}, "--board takes sim or modbus, not real"},
        {{"--modbus-port", "0"}, "--modbus-port takes a port number 1..65535"},
        {{"--modbus-port", "65536"}, "--modbus-port takes a port number 1..65535"},
        {{"--modbus-port", "x"}, "--modbus-port takes a port number 1..65535"},
        {{"--sim-el", "up"}, "--sim-az and --sim-el take a number of degrees"},
        {{"--link", "serial"}, "--link takes dbus or rotctld, not serial"},
        {{"--rotctld-listen", "4533"},
         "--rotctld-listen takes ADDR:PORT (for example 127.0.0.1:4533) or off"},
        {{"--observer", "north"}, "--observer takes LAT,LON in degrees (for example 35.68,139.77)"},
        // The first mistake is the one named.
        {{"--link", "x", "--board", "y"}, "--board takes sim or modbus, not y"},
    };
    for (const Row& row : rows) {
        const auto read = Parse(row.arguments);
        ASSERT_TRUE(std::holds_alternative<QString>(read)) << row.arguments.join(' ').toStdString();
        EXPECT_EQ(std::get<QString>(read), QString::fromUtf8(row.mistake));
    }
}

TEST(StartupOptions, ValuesAndWhetherTheyWereGiven) {
    const auto defaults = Parse({});
    ASSERT_TRUE(std::holds_alternative<StartupOptions>(defaults));
    const StartupOptions& d = std::get<StartupOptions>(defaults);
    EXPECT_FALSE(d.board);
    EXPECT_EQ(d.modbusPort, 502);
    EXPECT_FALSE(d.modbusPortGiven);
    EXPECT_FALSE(d.boardCheck);
    EXPECT_FALSE(d.remoteLink);
    EXPECT_FALSE(d.listen.off);
    EXPECT_EQ(d.listen.port, 4533);
    EXPECT_EQ(d.rotctldName, "rotctld");
    EXPECT_FALSE(d.observer);

    const auto given = Parse({"--board", "modbus", "--modbus-port", "1502", "--board-check", "--sim-az",
                              "-12.5", "--sim-el", "45", "--link", "rotctld", "--rotctld-listen", "off",
                              "--rotctld-name", "Moon", "--observer", "-33.9,18.4"});
    ASSERT_TRUE(std::holds_alternative<StartupOptions>(given));
    const StartupOptions& g = std::get<StartupOptions>(given);
    EXPECT_EQ(g.board, QStringLiteral("modbus"));
    EXPECT_EQ(g.modbusPort, 1502);
    EXPECT_TRUE(g.modbusPortGiven);
    EXPECT_TRUE(g.boardCheck);
    EXPECT_DOUBLE_EQ(g.simAzimuth, -12.5);
    EXPECT_DOUBLE_EQ(g.simElevation, 45);
    EXPECT_TRUE(g.remoteLink);
    EXPECT_TRUE(g.listen.off);
    EXPECT_EQ(g.rotctldName, "Moon");
    ASSERT_TRUE(g.observer);
    EXPECT_DOUBLE_EQ(g.observer->first, -33.9);
    EXPECT_DOUBLE_EQ(g.observer->second, 18.4);
}

TEST(StartupOptions, ObserverComesFromTheOptionTheStationOrTheDefault) {
    const auto settings = ProfileDocument::FromBytes("[STATION]\r\nLOCATION=43.06,141.35,20\r\n");
    const auto badSettings = ProfileDocument::FromBytes("[STATION]\r\nLOCATION=nowhere\r\n");
    struct Row {
        QStringList arguments;
        const ProfileDocument* settings;
        double latitude, longitude;
        bool problem;
    };
    const Row rows[] = {
        {{"--link", "rotctld"}, &settings, 43.06, 141.35, false},
        {{"--link", "rotctld", "--observer", "1,2"}, &settings, 1, 2, false},
        {{"--link", "rotctld"}, &badSettings, 35.68, 139.77, true},
        // Only the rotctld link needs a place: the data server brings its own.
        {{}, &settings, 35.68, 139.77, false},
    };
    for (const Row& row : rows) {
        const auto read = Parse(row.arguments);
        ASSERT_TRUE(std::holds_alternative<StartupOptions>(read));
        QString problem;
        const auto place =
            ObserverPlace(std::get<StartupOptions>(read), *row.settings, "rotorcfg.ini", &problem);
        ASSERT_TRUE(place) << row.arguments.join(' ').toStdString();
        EXPECT_NEAR(place->first, row.latitude, 1e-9);
        EXPECT_NEAR(place->second, row.longitude, 1e-9);
        EXPECT_EQ(!problem.isEmpty(), row.problem) << problem.toStdString();
    }
}

TEST(StartupParts, BoardFromTheOptionsAndTheSettings) {
    FakeClock clock;
    StartupOptions options;
    options.simAzimuth = 123;
    options.simElevation = 45;
    const MadeBoard sim = MakeBoard(options, BoardKind::Simulated, ProfileDocument(), clock);
    ASSERT_TRUE(dynamic_cast<SimulatedBoard*>(sim.board.get()));
    EXPECT_FALSE(sim.map);
    EXPECT_FALSE(sim.emergencyStopArmed);
    EXPECT_EQ(BoardLockKey(sim.map, "192.168.0.200"), QString());
    EXPECT_TRUE(BoardCheckText(sim.map, "192.168.0.200").startsWith("simulated"));
    // The rotator stands where --sim-az puts it.
    options.simAzimuth = 0;
    const MadeBoard atNorth = MakeBoard(options, BoardKind::Simulated, ProfileDocument(), clock);
    EXPECT_GT(sim.board->ReadAnalogInput(5, 0).count, atNorth.board->ReadAnalogInput(5, 0).count + 100);

    const auto tcp = ProfileDocument::FromBytes("[BOARD_MAP]\r\nPORT=1502\r\nRIGHT_COIL=8\r\n");
    const MadeBoard modbus = MakeBoard(options, BoardKind::Modbus, tcp, clock);
    ASSERT_TRUE(dynamic_cast<ModbusBoard*>(modbus.board.get()));
    ASSERT_TRUE(modbus.map);
    EXPECT_FALSE(modbus.map->refusal);
    EXPECT_EQ(modbus.map->map.relayCoils[0], 8);
    EXPECT_TRUE(modbus.emergencyStopArmed);
    EXPECT_EQ(BoardLockKey(modbus.map, " 10.0.0.7 "), "tcp 10.0.0.7:1502");
    options.modbusPort = 2502;
    options.modbusPortGiven = true;
    EXPECT_EQ(BoardLockKey(MakeBoard(options, BoardKind::Modbus, tcp, clock).map, "10.0.0.7"),
              "tcp 10.0.0.7:2502");

    // A serial line is locked by its device and never armed; a refused map is kept with its reason.
    const MadeBoard rtu = MakeBoard(
        options, BoardKind::Modbus,
        ProfileDocument::FromBytes("[BOARD_MAP]\r\nTRANSPORT=RTU\r\nDEVICE=/dev/nonexistent-tty\r\n"), clock);
    EXPECT_FALSE(rtu.emergencyStopArmed);
    EXPECT_EQ(BoardLockKey(rtu.map, "10.0.0.7"), "rtu /dev/nonexistent-tty");
    const MadeBoard refused = MakeBoard(options, BoardKind::Modbus,
                                        ProfileDocument::FromBytes("[BOARD_MAP]\r\nRIGTH_COIL=4\r\n"), clock);
    ASSERT_TRUE(refused.map && refused.map->refusal);
    EXPECT_TRUE(refused.board->WriteOutputBit(6, 4, 1).has_value());
}

TEST(StartupParts, LinkFollowsTheLinkOption) {
    FakeClock clock;
    RemoteTarget target;
    StartupOptions options;
    EXPECT_TRUE(dynamic_cast<DbusDataLink*>(MakeLink(options, target, clock, {35.68, 139.77}, {}).get()));
    options.remoteLink = true;
    EXPECT_TRUE(dynamic_cast<RemoteTargetLink*>(MakeLink(options, target, clock, {35.68, 139.77}, {}).get()));
}

TEST(StartupParts, RotctldEndpointAnnouncesItsPortOrSaysWhyNot) {
    MainState state;
    RotctldMainState station(
        state, [] { return 0; }, "azelmon test");
    RotctldServer server(station, nullptr);
    EXPECT_EQ(StartRotctld(server, *ParseRotctldListen("off")).announcement, QString());
    EXPECT_FALSE(server.isListening());

    const RotctldStart opened = StartRotctld(server, *ParseRotctldListen("127.0.0.1:0"));
    ASSERT_TRUE(server.isListening());
    EXPECT_EQ(opened.announcement, QStringLiteral("rotctld: listening on 127.0.0.1:%1").arg(server.port()));
    EXPECT_TRUE(opened.left.isEmpty());

    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    RotctldServer second(station, nullptr);
    const RotctldStart refused =
        StartRotctld(second, *ParseRotctldListen(QStringLiteral("127.0.0.1:%1").arg(taken.serverPort())));
    EXPECT_TRUE(refused.announcement.isEmpty());
    EXPECT_EQ(refused.left,
              QStringLiteral("6.rotctld 127.0.0.1:%1 を開けません。rotctld 接続なしで動作します")
                  .arg(taken.serverPort()));
    EXPECT_TRUE(refused.right.startsWith(QStringLiteral("エラーメッセージは ")));
}

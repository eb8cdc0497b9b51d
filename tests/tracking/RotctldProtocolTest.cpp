// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/RotctldProtocol.h"
#include "common/MainState.h"
#include "links/RemoteTarget.h"
#include "support/ScenarioForTests.h"
#include "tracking/RotctldMainState.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// A station standing at 123.456 / 45.678 with a 0..360 / 0..90 range, counting stops.
class FakeStation : public RotctldStation {
  public:
    int stops = 0;
    int stopAnswer = HamlibError::Ok;

    AntennaDirection PresentDirection() const override { return {123.456, 45.678}; }
    AntennaLimits OperatingRange() const override { return {}; }
    int Stop() override {
        ++stops;
        return stopAnswer;
    }
    QString Info() const override { return QStringLiteral("azelmon 1.21.0"); }
};

// Replies byte for byte as Hamlib's rotctld gives them, so rotctl and Gpredict read them: values one
// per line with two decimals, RPRT n with Hamlib's error numbers, extended replies after + ; | or ,.
// Azimuth -180..450 and elevation 0..90 are taken; quit and garbage close the connection.
TEST(RotctldProtocolTest, RepliesAsRotctldDoes) {
    const std::pair<const char*, std::vector<const char*>> replies[] = {
        {"123.46\n45.68\n", {"p", "\\get_pos", "p\r\n", "  p  "}},
        {"azelmon 1.21.0\n", {"_", "\\get_info"}},
        {"1\n2\nmin_az=0.000000\nmax_az=360.000000\nmin_el=0.000000\nmax_el=90.000000\nsouth_zero=0\n"
         "rot_type=AzEl\ndone\n",
         {"\\dump_state"}},
        {"RPRT 0\n", {"P 10 20", "\\set_pos 10 20", "P 174,46 20,5", "P -180 0", "P 450 90", "S", "\\stop"}},
        {"RPRT -1\n",
         {"P 450.01 5", "P -180.5 5", "P 10 -0.1", "P 10 90.1", "P 10", "P abc 5", "P 10 20x", "P nan 5",
          "P 1,2,3 5", "x", "\\foo", "\\", "\\get_posx"}},
        {"RPRT -4\n", {"K", "\\park", "M 2 5", "\\move 2 5"}},
        {"get_pos:\nAzimuth: 123.46\nElevation: 45.68\nRPRT 0\n", {"+p"}},
        {"get_pos:;Azimuth: 123.46;Elevation: 45.68;RPRT 0\n", {";p"}},
        {"set_pos: 10.5 20.25\nRPRT 0\n", {"+P 10.5 20.25"}},
        {"set_pos: 460 5\nRPRT -1\n", {"+P 460 5"}},
        {"stop:\nRPRT 0\n", {"+S"}},
        {"park:\nRPRT -4\n", {"+K"}},
        {"get_info:\nInfo: azelmon 1.21.0\nRPRT 0\n", {"+_"}},
        {"dump_state:;rotctld Protocol Ver: 1;Rotor Model: 2;Minimum Azimuth: 0.000000;Maximum Azimuth: "
         "360.000000;Minimum Elevation: 0.000000;Maximum Elevation: 90.000000;South Zero: 0;rot_type=AzEl;"
         "done;RPRT 0\n",
         {";\\dump_state"}},
        {"", {"", "\r"}},
        {nullptr, {"q", "\\quit", "p\x01", "P 1\xc3\xa9 2"}}, // closes, no reply
    };
    for (const auto& [reply, requests] : replies) {
        for (const char* request : requests) {
            SCOPED_TRACE(request);
            FakeStation station;
            RemoteTarget target;
            const RotctldProtocol::Reply answer =
                RotctldProtocol(station, &target).Handle(QByteArray(request));
            EXPECT_EQ(answer.text.toStdString(), std::string(reply ? reply : ""));
            EXPECT_EQ(answer.close, reply == nullptr);
        }
    }
}

TEST(RotctldProtocolTest, SetPositionFeedsTheRemoteTargetModulo360) {
    FakeStation station;
    RemoteTarget target;
    RotctldProtocol protocol(station, &target);
    EXPECT_FALSE(target.HasPosition());
    EXPECT_LT(target.elevation(), 0);
    const std::tuple<const char*, double, double> rows[] = {
        {"P 174,46 20", 174.46, 20},
        {"P -10 5", 350, 5},
        {"P 450 90", 90, 90},
        {"P 360 1", 0, 1},
    };
    for (const auto& [request, azimuth, elevation] : rows) {
        protocol.Handle(request);
        EXPECT_NEAR(target.azimuth(), azimuth, 1e-9) << request;
        EXPECT_DOUBLE_EQ(target.elevation(), elevation) << request;
    }
    // A refused position leaves the last one.
    protocol.Handle("P 500 10");
    EXPECT_NEAR(target.azimuth(), 0, 1e-9);
    EXPECT_EQ(target.updates(), 4);
}

TEST(RotctldProtocolTest, StopReportsTheStationsAnswerAndSetPositionNeedsARemoteTarget) {
    FakeStation station;
    RotctldProtocol protocol(station, nullptr);
    EXPECT_EQ(protocol.Handle("S").text, "RPRT 0\n");
    station.stopAnswer = HamlibError::Rejected;
    EXPECT_EQ(protocol.Handle("+S").text, "stop:\nRPRT -9\n");
    EXPECT_EQ(station.stops, 2);
    // Park and move never touch the antenna.
    protocol.Handle("K");
    protocol.Handle("M 8 5");
    EXPECT_EQ(station.stops, 2);
    // Without a remote target a position is not available; a malformed one is still invalid first.
    EXPECT_EQ(protocol.Handle("P 10 20").text, "RPRT -11\n");
    EXPECT_EQ(protocol.Handle("P 10").text, "RPRT -1\n");
}

// The main window's state seen through the endpoint: the map direction and the range.
TEST(RotctldMainStateTest, DirectionAndRangeAsTheMapShowsThem) {
    // present az/el, fixed corrections az/el, slider corrections az/el, south start point, expected az/el
    const double rows[][9] = {
        {120, 30, 5, 2, -3, 1, 0, 118, 27}, // corrections
        {2, 10, 5, 0, 0, 0, 0, 357, 10},    {365, 10, 0, 0, -2, 0, 0, 7, 10},
        {100, -4, 0, 0, 0, 0, 0, 100, 0},   {100, 93, 0, 0, 0, 0, 0, 100, 90},
        {200, 20, 0, 0, 0, 0, 1, 20, 20}, // south start point
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(std::vector<double>(r, r + 7)));
        MainState s;
        SetOwned(s.PresentAzimuth, r[0]);
        SetOwned(s.PresentElevation, r[1]);
        s.AzimuthCorrection = r[2];
        s.ElevationCorrection = r[3];
        s.AzimuthTempCorrection = static_cast<int>(r[4]);
        s.ElevationTempCorrection = static_cast<int>(r[5]);
        s.AzimuthStartPoint = QString::number(r[6]);
        const AntennaDirection d = RotctldMainState(s, nullptr, QString()).PresentDirection();
        EXPECT_NEAR(d.azimuth, r[7], 1e-9);
        EXPECT_NEAR(d.elevation, r[8], 1e-9);
    }

    MainState s;
    s.module.AzimuthRangeMin = 10;
    s.module.AzimuthRangeMax = 350;
    s.module.ElevationRangeMin = 5;
    s.module.ElevationRangeMax = 85;
    EXPECT_EQ(RotctldMainState(s, nullptr, QString()).OperatingRange().minAzimuth, 10);
    s.AzimuthStartPoint = QStringLiteral("1");
    RotctldMainState south(s, nullptr, QString());
    const AntennaLimits range = south.OperatingRange();
    EXPECT_EQ(
        std::vector<double>({range.minAzimuth, range.maxAzimuth, range.minElevation, range.maxElevation}),
        std::vector<double>({-170, 170, 5, 85}));
    // No stop action wired: the feature is not there.
    EXPECT_EQ(south.Stop(), HamlibError::NotAvailable);
}

} // namespace

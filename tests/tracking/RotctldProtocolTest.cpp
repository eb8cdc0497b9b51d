#include "tracking/RotctldProtocol.h"
#include "common/MainState.h"
#include "tracking/RemoteTarget.h"
#include "tracking/RotctldMainState.h"

#include <gtest/gtest.h>

namespace {

// A station standing at 123.456 / 45.678 with a 0..360 / 0..90 range, counting stops.
class FakeStation : public RotctldStation {
  public:
    AntennaDirection direction{123.456, 45.678};
    AntennaLimits limits;
    int stops = 0;
    int stopAnswer = HamlibError::Ok;

    AntennaDirection PresentDirection() const override { return direction; }
    AntennaLimits OperatingRange() const override { return limits; }
    int Stop() override {
        ++stops;
        return stopAnswer;
    }
    QString Info() const override { return QStringLiteral("azelmon 1.21.0"); }
};

struct ExchangeCase {
    const char* request;
    const char* reply;
    bool close = false;
};

class RotctldExchangeTest : public ::testing::TestWithParam<ExchangeCase> {};

TEST_P(RotctldExchangeTest, RepliesAsRotctldDoes) {
    FakeStation station;
    RemoteTarget target;
    RotctldProtocol protocol(station, &target);
    const ExchangeCase& c = GetParam();
    const RotctldProtocol::Reply reply = protocol.Handle(QByteArray(c.request));
    EXPECT_EQ(reply.text.toStdString(), std::string(c.reply)) << "request: " << c.request;
    EXPECT_EQ(reply.close, c.close) << "request: " << c.request;
}

constexpr const char* DumpState =
    "1\n2\nmin_az=0.000000\nmax_az=360.000000\nmin_el=0.000000\nmax_el=90.000000\n"
    "south_zero=0\nrot_type=AzEl\ndone\n";

INSTANTIATE_TEST_SUITE_P(
    Table, RotctldExchangeTest,
    ::testing::Values(
        // Get commands: values one per line, two decimals, no RPRT; line ends and blanks tolerated.
        ExchangeCase{"p", "123.46\n45.68\n"}, ExchangeCase{"\\get_pos", "123.46\n45.68\n"},
        ExchangeCase{"p\r\n", "123.46\n45.68\n"}, ExchangeCase{"  p  ", "123.46\n45.68\n"},
        ExchangeCase{"_", "azelmon 1.21.0\n"}, ExchangeCase{"\\get_info", "azelmon 1.21.0\n"},
        ExchangeCase{"\\dump_state", DumpState},
        // Set commands: RPRT n with Hamlib's error numbers.
        ExchangeCase{"P 10 20", "RPRT 0\n"}, ExchangeCase{"\\set_pos 10 20", "RPRT 0\n"},
        ExchangeCase{"P 174,46 20,5", "RPRT 0\n"}, ExchangeCase{"P -180 0", "RPRT 0\n"},
        ExchangeCase{"P 450 90", "RPRT 0\n"}, ExchangeCase{"P 1e1 5", "RPRT 0\n"},
        ExchangeCase{"P 450.01 5", "RPRT -1\n"}, ExchangeCase{"P -180.5 5", "RPRT -1\n"},
        ExchangeCase{"P 10 -0.1", "RPRT -1\n"}, ExchangeCase{"P 10 90.1", "RPRT -1\n"},
        ExchangeCase{"P 10", "RPRT -1\n"}, ExchangeCase{"P", "RPRT -1\n"},
        ExchangeCase{"P abc 5", "RPRT -1\n"}, ExchangeCase{"P 10 20x", "RPRT -1\n"},
        ExchangeCase{"P nan 5", "RPRT -1\n"}, ExchangeCase{"P inf 5", "RPRT -1\n"},
        ExchangeCase{"P 1,2,3 5", "RPRT -1\n"}, ExchangeCase{"S", "RPRT 0\n"},
        ExchangeCase{"\\stop", "RPRT 0\n"}, ExchangeCase{"K", "RPRT -4\n"},
        ExchangeCase{"\\park", "RPRT -4\n"}, ExchangeCase{"M 2 5", "RPRT -4\n"},
        ExchangeCase{"\\move 2 5", "RPRT -4\n"},
        // Unknown commands.
        ExchangeCase{"x", "RPRT -1\n"}, ExchangeCase{"\\foo", "RPRT -1\n"}, ExchangeCase{"\\", "RPRT -1\n"},
        ExchangeCase{"\\get_posx", "RPRT -1\n"},
        // Extended responses.
        ExchangeCase{"+p", "get_pos:\nAzimuth: 123.46\nElevation: 45.68\nRPRT 0\n"},
        ExchangeCase{"+\\get_pos", "get_pos:\nAzimuth: 123.46\nElevation: 45.68\nRPRT 0\n"},
        ExchangeCase{";p", "get_pos:;Azimuth: 123.46;Elevation: 45.68;RPRT 0\n"},
        ExchangeCase{"|p", "get_pos:|Azimuth: 123.46|Elevation: 45.68|RPRT 0\n"},
        ExchangeCase{",p", "get_pos:,Azimuth: 123.46,Elevation: 45.68,RPRT 0\n"},
        ExchangeCase{"+P 10.5 20.25", "set_pos: 10.5 20.25\nRPRT 0\n"},
        ExchangeCase{"+P 460 5", "set_pos: 460 5\nRPRT -1\n"},
        ExchangeCase{";P 10 20", "set_pos: 10 20;RPRT 0\n"}, ExchangeCase{"+S", "stop:\nRPRT 0\n"},
        ExchangeCase{";S", "stop:;RPRT 0\n"}, ExchangeCase{"+K", "park:\nRPRT -4\n"},
        ExchangeCase{"+_", "get_info:\nInfo: azelmon 1.21.0\nRPRT 0\n"},
        ExchangeCase{";\\dump_state",
                     "dump_state:;rotctld Protocol Ver: 1;Rotor Model: 2;Minimum Azimuth: 0.000000;"
                     "Maximum Azimuth: 360.000000;Minimum Elevation: 0.000000;Maximum Elevation: "
                     "90.000000;South Zero: 0;rot_type=AzEl;done;RPRT 0\n"},
        // Quit, empty lines and garbage.
        ExchangeCase{"q", "", true}, ExchangeCase{"\\quit", "", true}, ExchangeCase{"", ""},
        ExchangeCase{"\r", ""}, ExchangeCase{"p\x01", "", true}, ExchangeCase{"\x16\x03\x01", "", true},
        ExchangeCase{"P 1\xc3\xa9 2", "", true}));

TEST(RotctldProtocolTest, SetPositionFeedsTheRemoteTargetModulo360) {
    FakeStation station;
    RemoteTarget target;
    RotctldProtocol protocol(station, &target);
    EXPECT_FALSE(target.HasPosition());
    EXPECT_LT(target.elevation(), 0);
    const struct {
        const char* request;
        double azimuth, elevation;
    } rows[] = {{"P 174,46 20", 174.46, 20}, {"P -10 5", 350, 5},  {"P 450 90", 90, 90},
                {"P 360 1", 0, 1},           {"P -180 0", 180, 0}, {"\\set_pos 359.99 45", 359.99, 45}};
    for (const auto& row : rows) {
        protocol.Handle(row.request);
        EXPECT_NEAR(target.azimuth(), row.azimuth, 1e-9) << row.request;
        EXPECT_DOUBLE_EQ(target.elevation(), row.elevation) << row.request;
    }
    // A refused position leaves the last one.
    protocol.Handle("P 500 10");
    EXPECT_NEAR(target.azimuth(), 359.99, 1e-9);
    EXPECT_EQ(target.updates(), 6);
}

TEST(RotctldProtocolTest, WithoutRemoteTargetSetPositionIsNotAvailable) {
    FakeStation station;
    RotctldProtocol protocol(station, nullptr);
    EXPECT_EQ(protocol.Handle("P 10 20").text, "RPRT -11\n");
    // A malformed position is still an invalid argument first.
    EXPECT_EQ(protocol.Handle("P 10").text, "RPRT -1\n");
}

TEST(RotctldProtocolTest, StopRunsTheStationsStopAndReportsItsAnswer) {
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
}

// The main window's state seen through the endpoint: the map direction and the range.
TEST(RotctldMainStateTest, DirectionAndRangeAsTheMapShowsThem) {
    struct Row {
        const char* what;
        double present[2], correction[2];
        int slider[2];
        const char* startPoint;
        double expected[2];
    } rows[] = {
        {"plain", {120, 30}, {0, 0}, {0, 0}, "0", {120, 30}},
        {"corrections", {120, 30}, {5, 2}, {-3, 1}, "0", {118, 27}},
        {"wraps below north", {2, 10}, {5, 0}, {0, 0}, "0", {357, 10}},
        {"wraps above 360", {365, 10}, {0, 0}, {-2, 0}, "0", {7, 10}},
        {"elevation held to 0..90", {100, -4}, {0, 0}, {0, 0}, "0", {100, 0}},
        {"elevation held to 90", {100, 93}, {0, 0}, {0, 0}, "0", {100, 90}},
        {"south start point", {10, 20}, {0, 0}, {0, 0}, "1", {190, 20}},
        {"south start point, far side", {200, 20}, {0, 0}, {0, 0}, "1", {20, 20}},
    };
    for (const Row& r : rows) {
        MainState s;
        s.PresentAzimuth = r.present[0];
        s.PresentElevation = r.present[1];
        s.AzimuthCorrection = r.correction[0];
        s.ElevationCorrection = r.correction[1];
        s.AzimuthTempCorrection = r.slider[0];
        s.ElevationTempCorrection = r.slider[1];
        s.AzimuthStartPoint = QString::fromLatin1(r.startPoint);
        RotctldMainState station(s, nullptr, QString());
        const AntennaDirection d = station.PresentDirection();
        EXPECT_NEAR(d.azimuth, r.expected[0], 1e-9) << r.what;
        EXPECT_NEAR(d.elevation, r.expected[1], 1e-9) << r.what;
    }

    MainState s;
    s.module.AzimuthRangeMin = 10;
    s.module.AzimuthRangeMax = 350;
    s.module.ElevationRangeMin = 5;
    s.module.ElevationRangeMax = 85;
    RotctldMainState north(s, nullptr, QString());
    EXPECT_EQ(north.OperatingRange().minAzimuth, 10);
    EXPECT_EQ(north.OperatingRange().maxElevation, 85);
    s.AzimuthStartPoint = QStringLiteral("1");
    RotctldMainState south(s, nullptr, QString());
    EXPECT_EQ(south.OperatingRange().minAzimuth, -170);
    EXPECT_EQ(south.OperatingRange().maxAzimuth, 170);
    EXPECT_EQ(south.OperatingRange().minElevation, 5);
    // No stop action wired: the feature is not there.
    EXPECT_EQ(south.Stop(), HamlibError::NotAvailable);
}

} // namespace

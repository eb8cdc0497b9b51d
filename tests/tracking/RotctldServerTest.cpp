// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/RotctldServer.h"
#include "links/RemoteTarget.h"
#include "support/EventWait.h"

#include <QTcpSocket>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

class StillStation : public RotctldStation {
  public:
    AntennaDirection PresentDirection() const override { return {210.5, 12.25}; }
    AntennaLimits OperatingRange() const override { return {}; }
    int Stop() override { return HamlibError::Ok; }
    QString Info() const override { return QStringLiteral("test"); }
};

class RotctldServerTest : public ::testing::Test {
  protected:
    StillStation station;
    RemoteTarget target;
    RotctldServer server{station, &target};
    std::vector<std::unique_ptr<QTcpSocket>> clients;

    void SetUp() override {
        ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0)) << server.errorString().toStdString();
    }
    QTcpSocket* Connect(bool mustConnect = true) {
        QTcpSocket* raw = clients.emplace_back(std::make_unique<QTcpSocket>()).get();
        raw->connectToHost(QHostAddress::LocalHost, server.port());
        if (mustConnect) {
            EXPECT_TRUE(WaitUntil([raw] { return raw->state() == QAbstractSocket::ConnectedState; }));
        }
        return raw;
    }
    // Sends text and collects the answer until it holds `lines` line ends.
    QByteArray Ask(QTcpSocket* socket, const QByteArray& text, int lines) {
        socket->write(text);
        QByteArray answer;
        WaitUntil([&] {
            answer += socket->readAll();
            return answer.count('\n') >= lines;
        });
        return answer;
    }
    static bool Closed(QTcpSocket* socket) {
        return WaitUntil([socket] { return socket->state() == QAbstractSocket::UnconnectedState; });
    }
};

TEST_F(RotctldServerTest, FramesRequestsAndCutsOffMisbehavingClients) {
    QTcpSocket* silent = Connect();
    silent->write("P 10"); // never finishes its line
    QTcpSocket* overlong = Connect();
    QTcpSocket* overlongLine = Connect();
    QTcpSocket* garbage = Connect();
    QTcpSocket* good = Connect();
    EXPECT_EQ(Ask(good, "P 10 20\np\n+S\n", 5), "RPRT 0\n210.50\n12.25\nstop:\nRPRT 0\n");
    good->write("\\get_");
    EXPECT_EQ(Ask(good, "pos\n", 2), "210.50\n12.25\n");

    overlong->write(QByteArray(RotctldServer::MaxLineLength + 10, 'p'));
    overlongLine->write("P " + QByteArray(RotctldServer::MaxLineLength, '1') + " 5\n");
    garbage->write(QByteArray("\x16\x03\x01\x02\x00\x01\x00\n", 8));
    EXPECT_TRUE(Closed(overlong));
    EXPECT_TRUE(Closed(overlongLine));
    EXPECT_TRUE(Closed(garbage));
    EXPECT_EQ(Ask(good, "p\n", 2), "210.50\n12.25\n");
    EXPECT_EQ(silent->state(), QAbstractSocket::ConnectedState);
    EXPECT_EQ(server.clientCount(), 2);
    EXPECT_EQ(target.updates(), 1);
    EXPECT_DOUBLE_EQ(target.azimuth(), 10);

    RotctldServer second(station, nullptr);
    EXPECT_FALSE(second.Listen(QHostAddress::LocalHost, server.port()));
    EXPECT_FALSE(second.errorString().isEmpty());
    EXPECT_FALSE(second.isListening());
}

TEST_F(RotctldServerTest, EightClientsAtOnceAndTheNinthIsTurnedAway) {
    std::vector<QTcpSocket*> eight;
    for (int i = 0; i < RotctldServer::MaxClients; ++i)
        eight.push_back(Connect());
    ASSERT_TRUE(WaitUntil([this] { return server.clientCount() == RotctldServer::MaxClients; }));
    // The ninth may see its connection for a moment before it is closed.
    EXPECT_TRUE(Closed(Connect(false)));
    for (QTcpSocket* c : eight)
        EXPECT_EQ(Ask(c, "p\n", 2), "210.50\n12.25\n");
    eight.front()->write("q\n");
    EXPECT_TRUE(Closed(eight.front()));
    EXPECT_EQ(Ask(Connect(), "p\n", 2), "210.50\n12.25\n");
}

TEST(RotctldListenTest, ParsesAddressPortAndOff) {
    const std::tuple<const char*, const char*, int> good[] = {
        {"127.0.0.1:4533", "127.0.0.1", 4533}, {"localhost:0", "127.0.0.1", 0}, {"[::1]:4533", "::1", 4533}};
    for (const auto& [text, address, port] : good) {
        const auto listen = ParseRotctldListen(QString::fromLatin1(text));
        ASSERT_TRUE(listen && !listen->off) << text;
        EXPECT_EQ(listen->address, QHostAddress(QString::fromLatin1(address))) << text;
        EXPECT_EQ(listen->port, port) << text;
    }
    const auto off = ParseRotctldListen(QStringLiteral("off"));
    EXPECT_TRUE(off && off->off);
    for (const char* bad :
         {"127.0.0.1", "127.0.0.1:", "127.0.0.1:65536", "::1:4533", "host.example:4533", ":4533", "OFF"})
        EXPECT_FALSE(ParseRotctldListen(QString::fromLatin1(bad))) << bad;
}

} // namespace

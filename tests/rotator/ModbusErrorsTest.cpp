// SPDX-License-Identifier: GPL-3.0-or-later
// How ModbusBoard reports a module's exception answers and how often it asks a silent module, against
// the board emulator over loopback Modbus TCP.
#include "rotator/ModbusBoard.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <cerrno>
#include <gtest/gtest.h>
#include <modbus/modbus.h>

#ifdef BOARDSIM_PATH

namespace {

class Emulator {
  public:
    explicit Emulator(const QStringList& arguments) {
        process_.start(QStringLiteral(BOARDSIM_PATH),
                       arguments + QStringList{QStringLiteral("--port"), QStringLiteral("0")});
        if (!process_.waitForStarted(5000))
            return;
        while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
        }
        const QString line = QString::fromUtf8(process_.readLine()).trimmed();
        if (line.startsWith(QStringLiteral("listening on 127.0.0.1:")))
            port_ = line.section(QLatin1Char(':'), -1).toInt();
    }
    ~Emulator() {
        process_.kill();
        process_.waitForFinished(3000);
    }
    int port() const { return port_; }

  private:
    QProcess process_;
    int port_ = 0;
};

// An exception answer is shown by the protocol's code and name, not by libmodbus's internal number
// (the server device failure: Boardsim.ExceptionAnswerBecomesAnError).
TEST(ModbusExceptions, AreNamedByTheProtocolsCode) {
    // A register the module does not have.
    Emulator plain({});
    ASSERT_GT(plain.port(), 0);
    BoardMap map;
    map.tcpPort = plain.port();
    map.potRegisters = {60000, 60001};
    ModbusBoard missing(map, QStringLiteral("127.0.0.1"));
    const auto absent = missing.ReadAnalogInput(5, 0);
    ASSERT_TRUE(absent.error.has_value());
    EXPECT_EQ(absent.error->number, 2);
    EXPECT_EQ(absent.error->description, QStringLiteral("Modbus例外 02 (Illegal Data Address)"));

    // Errors that are not exceptions keep their errno and text.
    EXPECT_EQ(ModbusError(ECONNREFUSED).number, ECONNREFUSED);
    EXPECT_EQ(ModbusError(EMBXGTAR).description,
              QStringLiteral("Modbus例外 0B (Gateway Target Device Failed to Respond)"));
}

// A silent module is asked once a second, counted from the start of one question to the start of the
// next: the half second each question waits for its answer does not stretch the interval.
TEST(SilentModule, IsAskedOnceASecond) {
    Emulator silent({QStringLiteral("--silent-after"), QStringLiteral("0"), QStringLiteral("--silent-for"),
                     QStringLiteral("30")});
    ASSERT_GT(silent.port(), 0);
    ModbusBoard board(QStringLiteral("127.0.0.1"), silent.port());
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> asked; // when a call went on the wire (it waited for the time-out)
    while (clock.elapsed() < 6500) {
        const qint64 start = clock.elapsed();
        board.ReadAnalogInput(5, 0);
        if (clock.elapsed() - start >= 300)
            asked.push_back(start);
        QThread::msleep(20);
    }
    // Three time-outs make it silent; the questions after them are the probes.
    ASSERT_GE(asked.size(), 6u);
    const std::vector<qint64> probes(asked.begin() + 3, asked.end());
    for (std::size_t i = 1; i < probes.size(); ++i) {
        const qint64 interval = probes[i] - probes[i - 1];
        EXPECT_GE(interval, 1000) << i;
        EXPECT_LE(interval, 1150) << i;
    }
}

// A module whose reads answer too late for the time-out and whose writes answer at once: three reads
// make it silent, and the gate then fails ons and reads at once, but an off still goes on the wire and
// switches the relay off. With a gated off the relay that was on at start-up stayed on.
TEST(SilentModule, AnOffStillReachesAModuleThatTakesWrites) {
    Emulator slow({QStringLiteral("--read-delay-ms"), QStringLiteral("600"), QStringLiteral("--relay-on"),
                   QStringLiteral("4")});
    ASSERT_GT(slow.port(), 0);
    ModbusBoard board(QStringLiteral("127.0.0.1"), slow.port());
    for (int i = 0; i < BoardSilence::TimeOutsToSilent; ++i)
        ASSERT_TRUE(board.ReadAnalogInput(5, 0).error.has_value());
    QElapsedTimer call;
    call.start();
    EXPECT_TRUE(board.ReadAnalogInput(5, 0).error.has_value());
    EXPECT_TRUE(board.WriteOutputBit(6, 5, 1).has_value());
    EXPECT_LT(call.elapsed(), 50) << "ons and reads wait for the gate";
    for (int bit : {4, 5}) // the off of a relay that was on, and of one that was not
        EXPECT_FALSE(board.WriteOutputBit(6, bit, 0)) << bit;
    // Read back on a connection of our own that waits for the late answer.
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", slow.port());
    modbus_set_response_timeout(ctx, 2, 0);
    uint8_t level = 9;
    ASSERT_EQ(modbus_connect(ctx), 0);
    EXPECT_EQ(modbus_read_bits(ctx, 4, 1, &level), 1);
    modbus_close(ctx);
    modbus_free(ctx);
    EXPECT_EQ(level, 0);
}

} // namespace

#endif

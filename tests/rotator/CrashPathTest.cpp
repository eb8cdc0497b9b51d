// SPDX-License-Identifier: GPL-3.0-or-later
// The crash path in a process that really crashes: a child of this test arms the emergency stop on a
// loopback connection and then dies; what reached the "board" is read from the listening side.
#include "LoopbackListener.h"
#include "RotatorFixture.h"
#include "rotator/EmergencyRelayStop.h"
#include "rotator/RelayOutputs.h"

#include <gtest/gtest.h>

#include <thread>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

volatile int depthLimit = -1; // never reached: the recursion ends in a stack overflow

int Deeper(int depth) {
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    if (depth == depthLimit)
        return frame[0];
    return Deeper(depth + 1) + frame[0];
}

// A page that may not be touched: a write there is a real SIGSEGV, as a null write is, without being the
// null store that the undefined-behaviour sanitizer reports (and ends the process over) first.
volatile int* ForbiddenAddress() {
    static void* const page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return static_cast<volatile int*>(page);
}

// How the child dies once it is armed.
enum class Death { StackOverflow, NullWrite, Trap, BadSystemCall };

[[noreturn]] void ArmAndDie(std::uint16_t port, Death death) {
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    const int board = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(board, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        ::_exit(3);
    EmergencyRelayStop::Arm(board, 1, {4, 5, 6, 7});
    EmergencyRelayStop::InstallCrashHandlers();
    switch (death) {
    case Death::StackOverflow:
        Deeper(0);
        break;
    case Death::NullWrite:
        *ForbiddenAddress() = 1;
        break;
    case Death::Trap:
        ::raise(SIGTRAP);
        break;
    case Death::BadSystemCall:
        ::raise(SIGSYS);
        break;
    }
    ::_exit(4);
}

struct CrashRow {
    const char* name;
    Death death;
    int signal;
};

class CrashPath : public testing::TestWithParam<CrashRow> {};

// Dies of its own signal, and the four "coil off" requests reached the board first.
TEST_P(CrashPath, SwitchesTheRelaysOffAndDiesOfTheSignal) {
    const CrashRow row = GetParam();
    LoopbackListener board;
    ASSERT_GE(board.fd, 0);
    const int listener = board.fd;
    sockaddr_in& address = board.address;

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ArmAndDie(ntohs(address.sin_port), row.death);

    const int connection = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(connection, 0);
    std::uint8_t got[64] = {};
    int received = 0;
    pollfd p{connection, POLLIN, 0};
    while (received < 48 && ::poll(&p, 1, 5000) > 0) {
        const ssize_t n = ::recv(connection, got + received, sizeof got - static_cast<size_t>(received), 0);
        if (n <= 0)
            break;
        received += static_cast<int>(n);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(connection);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), row.signal);
    ASSERT_EQ(received, 48);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(got[i * 12 + 7], 0x05) << i; // Write Single Coil
        EXPECT_EQ(got[i * 12 + 9], 4 + i) << i;
        EXPECT_EQ(got[i * 12 + 10] | got[i * 12 + 11], 0) << i; // off
    }
}

INSTANTIATE_TEST_SUITE_P(Deaths, CrashPath,
                         testing::Values(CrashRow{"StackOverflow", Death::StackOverflow, SIGSEGV},
                                         CrashRow{"NullWrite", Death::NullWrite, SIGSEGV},
                                         CrashRow{"Trap", Death::Trap, SIGTRAP},
                                         CrashRow{"BadSystemCall", Death::BadSystemCall, SIGSYS}),
                         [](const testing::TestParamInfo<CrashRow>& info) { return info.param.name; });

// Disarming never closes the descriptor the crash path writes to: a file opened after the board's
// connection was dropped cannot receive the "coil off" requests.
TEST(CrashPathDescriptor, ADroppedConnectionsNumberIsNeverAnotherFiles) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    EmergencyRelayStop::Arm(pair[0], 1, {4, 5, 6, 7});
    EmergencyRelayStop::Arm(-1, 0, {});
    ::close(pair[0]);
    // The connection is gone with the board's own descriptor: its far end sees the end at once.
    char byte;
    EXPECT_EQ(::recv(pair[1], &byte, 1, MSG_DONTWAIT), 0);
    int later[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, later), 0);
    EXPECT_EQ(EmergencyRelayStop::StopNow(20), -1);          // nothing armed, nothing to connect to
    EXPECT_EQ(::recv(later[1], &byte, 1, MSG_DONTWAIT), -1); // nothing written to a newer file
    for (int fd : {pair[1], later[0], later[1]})
        ::close(fd);
}

// A board whose first write fails slowly: while it waits, another thread of the process crashes.
class CrashDuringAWrite : public IoBoard {
  public:
    explicit CrashDuringAWrite(int report) : report_(report) {}
    void SetAddress(const QString&) override {}
    std::optional<PortError> WriteOutputBit(int, int bit, int level) override {
        const char record[2] = {static_cast<char>('0' + bit), static_cast<char>('0' + level)};
        [[maybe_unused]] const auto sent = ::write(report_, record, 2);
        if (writes_++ > 0)
            return std::nullopt;
        std::thread([] { *ForbiddenAddress() = 1; }).detach();
        // The crash path is engaged now and waits up to half a second for the board's replies.
        ::usleep(100 * 1000);
        return PortError{ETIMEDOUT, QStringLiteral("timed out")};
    }
    Reading ReadAnalogInput(int, int) override { return {}; }

  private:
    int report_;
    int writes_ = 0;
};

// A crash in another thread while a relay write waits on the board: the retry that follows writes the
// relay off, not on again over the crash path's "off".
TEST(CrashPathLatch, ARetryAfterACrashElsewhereWritesOff) {
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::close(report[0]);
        int board[2];
        ::socketpair(AF_UNIX, SOCK_STREAM, 0, board); // never answers: the handler waits its full time
        EmergencyRelayStop::Arm(board[0], 1, {4, 5, 6, 7});
        EmergencyRelayStop::InstallCrashHandlers();
        CrashDuringAWrite failing(report[1]);
        FakeWorld world;
        Ports ports = world.ports();
        ports.board = &failing;
        MainState state;
        state.AzimuthMotorText = state.ElevationMotorText = QStringLiteral("1");
        RecordingView view;
        RelayOutputs relays(state, ports, view);
        MotionWatch watch;
        watch.Reading(MotionWatch::Azimuth, 512, 180, 0); // read, so a lease may be had
        relays.ReportMotorsTo(&watch);
        relays.TurnRight(relays.TakeLease());
        for (;;)
            ::pause(); // the crash ends the process
    }
    ::close(report[1]);
    std::string writes;
    char buffer[64];
    ssize_t n;
    while ((n = ::read(report[0], buffer, sizeof buffer)) > 0)
        writes.append(buffer, static_cast<std::size_t>(n));
    ::close(report[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    // Bit 4 on (failed while the crash came), then the retry of both bits: off.
    EXPECT_EQ(writes, "414050") << writes;
}

} // namespace

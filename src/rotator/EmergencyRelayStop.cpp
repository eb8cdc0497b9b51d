// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/EmergencyRelayStop.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int CoilCount = 4;
constexpr int FrameBytes = 12;
// The board answers a Write Single Coil with an echo of the request.
constexpr int ReplyBytes = FrameBytes;
// Long enough for a board on the local network, short enough that the process still dies promptly.
constexpr int CrashWaitMs = 500;

// Two slots so that arming never rewrites the requests a handler may be reading.
struct Armed {
    std::uint8_t frames[CoilCount * FrameBytes];
    // The board's address, kept when the connection drops: the handler then connects afresh.
    sockaddr_storage peer;
    socklen_t peerLength;
};
Armed slots[2];
std::atomic<int> currentSlot{0};
// The handler writes to a descriptor of its own, a duplicate of the board's connected socket. It is
// never closed: disarming points it at an unconnected socket (dup3 replaces atomically), so the
// connection ends with the board's own descriptor, and the number can never be handed to another file
// while a handler in another thread may be writing to it.
std::atomic<int> ownSocket{-1};
std::atomic<bool> armed{false};
std::atomic<bool> peerKnown{false};
std::atomic<bool> engaged{false};
std::atomic_flag stopping = ATOMIC_FLAG_INIT;

// The signals whose default action dumps core and that no one sends to ask for an end: a fault of
// the program itself (SIGTRAP: a breakpoint left in; SIGSYS: a system call the seccomp filter of a
// sandbox refused).
const int FatalSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS};

// The handler runs on a stack of its own: a stack overflow leaves none on the thread's stack.
alignas(16) std::uint8_t alternateStack[64 * 1024];

// Sends the four requests on fd and reads their replies until the deadline; the replies received, or -1
// when the requests could not be sent.
int WriteAndWait(int fd, const std::uint8_t* bytes, long deadline);

long NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t); // async-signal-safe
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

// Waits for `events` on fd until the deadline; false when it passed or poll failed.
bool WaitFor(int fd, short events, long deadline) {
    for (;;) {
        const long left = deadline - NowMs();
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, static_cast<int>(left));
        if (n > 0)
            return (p.revents & events) != 0;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

// A fresh connection to the board, or -1. Only async-signal-safe calls, bounded by the deadline.
int ConnectAfresh(const Armed& armed, long deadline) {
    const int fd = ::socket(armed.peer.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&armed.peer), armed.peerLength) == 0)
        return fd;
    int error = errno;
    if (error == EINPROGRESS && WaitFor(fd, POLLOUT, deadline)) {
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
            return fd;
    }
    ::close(fd);
    return -1;
}

void OnFatalSignal(int signal) {
    const int saved = errno;
    engaged.store(true);
    if (!stopping.test_and_set())
        EmergencyRelayStop::StopNow(CrashWaitMs);
    errno = saved;
    // SA_RESETHAND put the default action back and SA_NODEFER left the signal unblocked: this ends the
    // process as the signal would have.
    ::raise(signal);
}

} // namespace

namespace EmergencyRelayStop {

std::array<std::uint8_t, 12> CoilOffFrame(std::uint16_t transaction, std::uint8_t unit, std::uint16_t coil) {
    return {static_cast<std::uint8_t>(transaction >> 8),
            static_cast<std::uint8_t>(transaction & 0xff),
            0, // protocol id 0
            0,
            0, // length: unit id + PDU = 6
            6,
            unit,
            0x05, // Write Single Coil
            static_cast<std::uint8_t>(coil >> 8),
            static_cast<std::uint8_t>(coil & 0xff),
            0x00, // 0x0000: off
            0x00};
}

void Arm(int socket, std::uint8_t unit, const std::array<std::uint16_t, 4>& coils) {
    if (ownSocket.load() < 0) {
        const int placeholder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (placeholder < 0)
            return;
        ownSocket.store(placeholder);
    }
    if (socket < 0) {
        armed.store(false);
        // Unconnected from now on: a handler that still writes gets an error, not someone else's file.
        const int placeholder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (placeholder >= 0) {
            ::dup3(placeholder, ownSocket.load(), O_CLOEXEC);
            ::close(placeholder);
        }
        return;
    }
    const int next = 1 - currentSlot.load();
    slots[next].peerLength = sizeof slots[next].peer;
    const bool known =
        ::getpeername(socket, reinterpret_cast<sockaddr*>(&slots[next].peer), &slots[next].peerLength) == 0 &&
        (slots[next].peer.ss_family == AF_INET || slots[next].peer.ss_family == AF_INET6);
    for (int i = 0; i < CoilCount; ++i) {
        // Transaction ids far from libmodbus's own, so a reply is easy to tell apart in a capture.
        const auto frame = CoilOffFrame(static_cast<std::uint16_t>(0xdead + i), unit, coils[i]);
        for (int b = 0; b < FrameBytes; ++b)
            slots[next].frames[i * FrameBytes + b] = frame[b];
    }
    peerKnown.store(false);
    currentSlot.store(next);
    peerKnown.store(known);
    armed.store(::dup3(socket, ownSocket.load(), O_CLOEXEC) >= 0);
}

void InstallCrashHandlers() {
    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    const bool ownStack = ::sigaltstack(&stack, nullptr) == 0;
    struct sigaction action {};
    action.sa_handler = OnFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_NODEFER | (ownStack ? SA_ONSTACK : 0);
    for (int signal : FatalSignals)
        sigaction(signal, &action, nullptr);
}

int StopNow(int waitMs) {
    const Armed& slot = slots[currentSlot.load()];
    const long deadline = NowMs() + waitMs;
    if (armed.load()) {
        const int replies = WriteAndWait(ownSocket.load(), slot.frames, deadline);
        if (replies >= 0 || !peerKnown.load())
            return replies;
        // The connection broke under us (the board dropped it): try a fresh one in the time left.
    }
    if (!peerKnown.load())
        return -1;
    const int fresh = ConnectAfresh(slot, deadline);
    if (fresh < 0)
        return -1;
    const int replies = WriteAndWait(fresh, slot.frames, deadline);
    ::close(fresh); // our own connection, which nothing else knows of
    return replies;
}

bool Engaged() {
    return engaged.load();
}

} // namespace EmergencyRelayStop

namespace {

int WriteAndWait(int fd, const std::uint8_t* bytes, long deadline) {
    int sent = 0;
    while (sent < CoilCount * FrameBytes) {
        // Never blocks and never raises SIGPIPE: a dead board must not keep a dying process alive.
        const ssize_t n =
            ::send(fd, bytes + sent, CoilCount * FrameBytes - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT, deadline))
            continue;
        return -1;
    }
    // Read the replies: closing a socket with unread data would reset the connection, and the board
    // could drop requests it had not yet taken.
    std::uint8_t reply[CoilCount * ReplyBytes];
    int received = 0;
    while (received < CoilCount * ReplyBytes && WaitFor(fd, POLLIN, deadline)) {
        const ssize_t n = ::recv(fd, reply, sizeof reply - static_cast<size_t>(received), MSG_DONTWAIT);
        if (n > 0)
            received += static_cast<int>(n);
        else if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK))
            break;
    }
    return received / ReplyBytes;
}

} // namespace

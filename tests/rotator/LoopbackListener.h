// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A TCP listener on 127.0.0.1 at a port the kernel chose: the "board" a crash-path test's requests
// reach. fd is -1 when it could not be set up.
struct LoopbackListener {
    int fd = -1;
    sockaddr_in address{};

    LoopbackListener() {
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        if (s < 0)
            return;
        if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(s, 4) != 0 ||
            ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ::close(s);
            return;
        }
        fd = s;
    }
    ~LoopbackListener() {
        if (fd >= 0)
            ::close(fd);
    }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;
};

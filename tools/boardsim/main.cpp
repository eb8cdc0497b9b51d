// boardsim: the I/O board over Modbus TCP, for running azelmon without hardware and for the
// integration tests. One thread, select() over the listening socket and every client; the rotator
// model moves in wall-clock time between requests. It only ever binds 127.0.0.1.

#include "BoardServerOptions.h"
#include "rotator/RotatorPhysics.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <map>
#include <modbus/modbus.h>
#include <netinet/in.h>
#include <random>
#include <sys/select.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int RelayLevelRegisters = 100; // input register 100 + bit: level of that relay
constexpr int MaxClients = 16;

using SteadyClock = std::chrono::steady_clock;

std::int64_t ElapsedMs(SteadyClock::time_point from, SteadyClock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

class BoardServer {
  public:
    explicit BoardServer(const BoardServerOptions& options)
        : options_(options), physics_(PhysicsSettings(options)), random_(options.seed),
          last_(SteadyClock::now()) {}

    int Run() {
        ctx_ = modbus_new_tcp("127.0.0.1", options_.port);
        if (!ctx_) {
            std::fprintf(stderr, "boardsim: %s\n", modbus_strerror(errno));
            return 1;
        }
        listener_ = modbus_tcp_listen(ctx_, MaxClients);
        if (listener_ == -1) {
            std::fprintf(stderr, "boardsim: cannot listen on 127.0.0.1:%d: %s\n", options_.port,
                         modbus_strerror(errno));
            return 1;
        }
        mapping_ = modbus_mapping_new(8, 0, 0, RelayLevelRegisters + 8);
        sockaddr_in bound{};
        socklen_t length = sizeof bound;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &length);
        std::printf("listening on 127.0.0.1:%d\n", ntohs(bound.sin_port));
        std::fflush(stdout);

        fd_set sockets;
        FD_ZERO(&sockets);
        FD_SET(listener_, &sockets);
        int highest = listener_;
        for (;;) {
            fd_set ready = sockets;
            if (select(highest + 1, &ready, nullptr, nullptr, nullptr) == -1) {
                if (errno == EINTR)
                    continue;
                std::perror("boardsim: select");
                return 1;
            }
            for (int fd = 0; fd <= highest; ++fd) {
                if (!FD_ISSET(fd, &ready))
                    continue;
                if (fd == listener_) {
                    const int client = accept(listener_, nullptr, nullptr);
                    if (client == -1)
                        continue;
                    if (client >= FD_SETSIZE) {
                        close(client);
                        continue;
                    }
                    FD_SET(client, &sockets);
                    highest = std::max(highest, client);
                    requestsOn_[client] = 0;
                    std::fprintf(stderr, "boardsim: client %d connected\n", client);
                } else if (!Serve(fd)) {
                    close(fd);
                    FD_CLR(fd, &sockets);
                    requestsOn_.erase(fd);
                    std::fprintf(stderr, "boardsim: client %d closed\n", fd);
                }
            }
        }
    }

  private:
    static RotatorPhysics::Settings PhysicsSettings(const BoardServerOptions& o) {
        RotatorPhysics::Settings s;
        s.startAzimuth = o.azimuth;
        s.startElevation = o.elevation;
        s.noiseCounts = o.noiseCounts;
        s.seed = o.seed;
        // A jammed axis: its relays switch as usual but the angle never changes.
        if (o.jamAzimuth)
            s.azimuthSpeed = 0;
        if (o.jamElevation)
            s.elevationSpeed = 0;
        return s;
    }

    bool Chance(double fraction) {
        return fraction > 0 && std::uniform_real_distribution<double>(0, 1)(random_) < fraction;
    }

    // One request of one client. False when the connection is to be closed.
    bool Serve(int fd) {
        uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
        modbus_set_socket(ctx_, fd);
        const int length = modbus_receive(ctx_, query);
        if (length == -1)
            return false;
        if (length == 0)
            return true;
        const auto now = SteadyClock::now();
        physics_.Advance(ElapsedMs(last_, now));
        last_ = now;
        ++requests_;
        const long onThisConnection = ++requestsOn_[fd];

        if (options_.silentAfter >= 0 && requests_ > options_.silentAfter && !silentSince_) {
            silentSince_ = now;
            std::fprintf(stderr, "boardsim: silent for %.1f s\n", options_.silentForSeconds);
        }
        const bool silent = silentSince_ && ElapsedMs(*silentSince_, now) <
                                                static_cast<std::int64_t>(options_.silentForSeconds * 1000);
        if (silent || Chance(options_.dropFraction))
            return true; // read and never answered

        if (options_.delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(options_.delayMs));
        if (Chance(options_.exceptionRate)) {
            modbus_reply_exception(ctx_, query, MODBUS_EXCEPTION_SLAVE_OR_SERVER_FAILURE);
        } else {
            Publish();
            modbus_reply(ctx_, query, length, mapping_);
            TakeRelays();
        }
        return options_.closeAfter == 0 || onThisConnection < options_.closeAfter;
    }

    // The model's present state into the register map, just before an answer.
    void Publish() {
        mapping_->tab_input_registers[0] = static_cast<uint16_t>(physics_.Count(0));
        mapping_->tab_input_registers[1] = static_cast<uint16_t>(physics_.Count(1));
        for (int bit = 4; bit <= 7; ++bit) {
            mapping_->tab_bits[bit] = physics_.Relay(bit) ? 1 : 0;
            mapping_->tab_input_registers[RelayLevelRegisters + bit] = physics_.Relay(bit) ? 1 : 0;
        }
    }

    // Coils written by the request become relay levels; each change is reported on stdout.
    void TakeRelays() {
        for (int bit = 4; bit <= 7; ++bit) {
            const bool on = mapping_->tab_bits[bit] != 0;
            if (on == physics_.Relay(bit))
                continue;
            physics_.SetRelay(bit, on);
            std::printf("relay %d %d az=%.1f el=%.1f\n", bit, on ? 1 : 0, physics_.Azimuth(),
                        physics_.Elevation());
            std::fflush(stdout);
        }
    }

    BoardServerOptions options_;
    RotatorPhysics physics_;
    std::mt19937 random_;
    SteadyClock::time_point last_;
    std::optional<SteadyClock::time_point> silentSince_;
    modbus_t* ctx_ = nullptr;
    modbus_mapping_t* mapping_ = nullptr;
    int listener_ = -1;
    long requests_ = 0;
    std::map<int, long> requestsOn_;
};

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(BoardServerUsage, stdout);
        return 0;
    }
    BoardServerOptions options;
    if (const auto error = ParseBoardServerOptions(args, options)) {
        std::fprintf(stderr, "boardsim: %s\n%s", error->c_str(), BoardServerUsage);
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    return BoardServer(options).Run();
}

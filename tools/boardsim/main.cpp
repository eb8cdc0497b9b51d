// boardsim: the I/O board over Modbus TCP (and RTU on a serial device), for running azelmon without
// hardware and for the integration tests. One thread, select() over the listening socket, every
// client and the serial device; the rotator model moves in wall-clock time between requests. It only
// ever binds 127.0.0.1.

#include "BoardServerOptions.h"
#include "rotator/BoardMap.h"
#include "rotator/RotatorPhysics.h"

#include <QString>
#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
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
    BoardServer(const BoardServerOptions& options, const BoardMap& map)
        : options_(options), map_(map), physics_(PhysicsSettings(options)), random_(options.seed),
          last_(SteadyClock::now()), lastRequest_(last_) {}

    int Run() {
        if (!options_.device.empty() && !OpenSerial())
            return 1;
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
        mapping_ = NewMapping();
        sockaddr_in bound{};
        socklen_t length = sizeof bound;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &length);
        std::printf("listening on 127.0.0.1:%d\n", ntohs(bound.sin_port));
        std::fflush(stdout);
        // A module that still holds a relay on from before (a program killed, a computer that lost its
        // power): the motor runs from the first moment.
        for (int bit : options_.relaysOn)
            SetRelay(bit, true);

        fd_set sockets;
        FD_ZERO(&sockets);
        FD_SET(listener_, &sockets);
        int highest = listener_;
        int serial = -1;
        for (;;) {
            // The serial line's descriptor changes when the line is opened afresh.
            const int line = rtu_ ? modbus_get_socket(rtu_) : -1;
            if (line != serial) {
                if (serial >= 0)
                    FD_CLR(serial, &sockets);
                serial = line;
                if (serial >= 0)
                    FD_SET(serial, &sockets);
                highest = std::max(highest, serial);
            }
            fd_set ready = sockets;
            timeval wait{};
            const bool watching = WatchdogArmed();
            if (watching) {
                const std::int64_t left =
                    std::max<std::int64_t>(0, WatchdogMs() - ElapsedMs(lastRequest_, SteadyClock::now()));
                wait.tv_sec = left / 1000;
                wait.tv_usec = (left % 1000) * 1000;
            }
            const int count = select(highest + 1, &ready, nullptr, nullptr, watching ? &wait : nullptr);
            if (count == -1) {
                if (errno == EINTR)
                    continue;
                std::perror("boardsim: select");
                return 1;
            }
            CheckWatchdog();
            if (count == 0)
                continue;
            for (int fd = 0; fd <= highest; ++fd) {
                if (!FD_ISSET(fd, &ready))
                    continue;
                if (fd == serial) {
                    ServeSerial();
                } else if (fd == listener_) {
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
    bool OpenSerial() {
        rtu_ = modbus_new_rtu(options_.device.c_str(), map_.baud, map_.parity, map_.dataBits, map_.stopBits);
        if (!rtu_ || modbus_set_slave(rtu_, map_.unitId) == -1 || modbus_connect(rtu_) == -1) {
            std::fprintf(stderr, "boardsim: cannot serve Modbus RTU on %s: %s\n", options_.device.c_str(),
                         modbus_strerror(errno));
            return false;
        }
        if (!announced_)
            std::fprintf(stderr, "boardsim: Modbus RTU on %s, %d baud, unit %d\n", options_.device.c_str(),
                         map_.baud, map_.unitId);
        announced_ = true;
        return true;
    }

    // Coils and registers sized to hold the map's addresses (and the default layout's, so the relay
    // levels and coils 4..7 stay readable for tools that know only that).
    modbus_mapping_t* NewMapping() const {
        const int coils = std::max(8, *std::max_element(map_.relayCoils.begin(), map_.relayCoils.end()) + 1);
        const int lastRegister = std::max(map_.potRegisters[0], map_.potRegisters[1]) + 1;
        const bool input = map_.registerKind == BoardMap::RegisterKind::Input;
        return modbus_mapping_new(coils, 0, input ? 0 : lastRegister,
                                  std::max(RelayLevelRegisters + 8, input ? lastRegister : 0));
    }

    std::int64_t WatchdogMs() const { return static_cast<std::int64_t>(options_.watchdogSeconds * 1000); }
    bool WatchdogArmed() const {
        return options_.watchdogSeconds > 0 && std::any_of(std::begin(relayBits), std::end(relayBits),
                                                           [this](int b) { return physics_.Relay(b); });
    }

    // A module's communication watchdog: with no request for the set time, every output goes off.
    void CheckWatchdog() {
        const auto now = SteadyClock::now();
        if (!WatchdogArmed() || ElapsedMs(lastRequest_, now) < WatchdogMs())
            return;
        physics_.Advance(ElapsedMs(last_, now));
        last_ = now;
        std::printf("watchdog: no request for %.1f s, all coils off\n", options_.watchdogSeconds);
        for (int bit : relayBits) {
            mapping_->tab_bits[map_.CoilOfRelay(bit)] = 0;
            SetRelay(bit, false);
        }
        std::fflush(stdout);
    }

    void ServeSerial() {
        uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
        const int length = modbus_receive(rtu_, query);
        if (length == -1) {
            if (errno == EIO || errno == ECONNRESET) {
                // The line itself is gone (the pty pair's other side ended): nothing more will come.
                std::fprintf(stderr, "boardsim: serial line %s closed\n", options_.device.c_str());
                std::exit(1);
            }
            // A garbled or cut frame: drop whatever is left of it, as a module would.
            modbus_flush(rtu_);
            return;
        }
        if (length > 0) {
            Answer(rtu_, query, length, -1);
        } else if (length == 0) {
            // A request for another unit. libmodbus would now swallow the next frame as that unit's
            // answer; on this line there is no other unit, so start listening afresh instead.
            modbus_close(rtu_);
            modbus_free(rtu_);
            rtu_ = nullptr;
            if (!OpenSerial())
                std::exit(1);
        }
    }

    // Time the frames take on a real line at the map's speed; a pseudo-terminal has none of its own.
    void PaceLikeTheLine(const uint8_t* query, int length) const {
        const int h = modbus_get_header_length(rtu_);
        const int function = query[h];
        const int quantity = (query[h + 3] << 8) | query[h + 4];
        int answer = 5; // an exception
        if (function == 0x01 || function == 0x02)
            answer = 5 + (quantity + 7) / 8;
        else if (function == 0x03 || function == 0x04)
            answer = 5 + 2 * quantity;
        else if (function == 0x05 || function == 0x06 || function == 0x0F || function == 0x10)
            answer = 8;
        const int bitsPerChar = 1 + map_.dataBits + (map_.parity == 'N' ? 0 : 1) + map_.stopBits;
        const double charUs = bitsPerChar * 1e6 / map_.baud;
        // Both frames, and the silence of 3.5 characters that ends each (1.75 ms at least above 19200).
        const double silenceUs = map_.baud > 19200 ? 1750 : 3.5 * charUs;
        const double us = (length + answer) * charUs + 2 * silenceUs;
        std::this_thread::sleep_for(std::chrono::microseconds(static_cast<std::int64_t>(us)));
    }

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
        return Answer(ctx_, query, length, fd);
    }

    // Answers one request on a connection (fd) or on the serial line (fd -1).
    bool Answer(modbus_t* ctx, const uint8_t* query, int length, int fd) {
        const auto now = SteadyClock::now();
        lastRequest_ = now;
        physics_.Advance(ElapsedMs(last_, now));
        last_ = now;
        ++requests_;
        const long onThisConnection = fd >= 0 ? ++requestsOn_[fd] : 0;

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
        if (fd < 0)
            PaceLikeTheLine(query, length);
        const int h = modbus_get_header_length(ctx);
        // Over TCP the unit id is in the header: another unit's request is a gateway's "no such target".
        const bool otherUnit = fd >= 0 && query[h - 1] != map_.unitId && query[h - 1] != 0xFF;
        if (otherUnit) {
            modbus_reply_exception(ctx, query, MODBUS_EXCEPTION_GATEWAY_TARGET);
        } else if (Chance(options_.exceptionRate)) {
            modbus_reply_exception(ctx, query, MODBUS_EXCEPTION_SLAVE_OR_SERVER_FAILURE);
        } else {
            Publish();
            if (modbus_reply(ctx, query, length, mapping_) != -1)
                ReportStrayCoils(query + h);
            TakeRelays();
        }
        return fd < 0 || options_.closeAfter == 0 || onThisConnection < options_.closeAfter;
    }

    // A write to a coil that is no relay's: on a real module that output drives something else.
    void ReportStrayCoils(const uint8_t* pdu) {
        const int function = pdu[0];
        if (function != 0x05 && function != 0x0F)
            return;
        const int address = (pdu[1] << 8) | pdu[2];
        const int quantity = function == 0x05 ? 1 : ((pdu[3] << 8) | pdu[4]);
        for (int coil = address; coil < address + quantity; ++coil)
            if (std::find(map_.relayCoils.begin(), map_.relayCoils.end(), coil) == map_.relayCoils.end())
                std::printf("stray coil %d\n", coil);
        std::fflush(stdout);
    }

    // The model's present state into the register map, just before an answer.
    void Publish() {
        for (int bit : relayBits)
            mapping_->tab_input_registers[RelayLevelRegisters + bit] = physics_.Relay(bit) ? 1 : 0;
        // The module's converter: the model's volts at the map's full scale.
        uint16_t* registers = map_.registerKind == BoardMap::RegisterKind::Input
                                  ? mapping_->tab_input_registers
                                  : mapping_->tab_registers;
        for (int channel = 0; channel < 2; ++channel) {
            // A finer converter than 10 bits sees the volts themselves (and the noise, when asked for).
            const double volts =
                options_.noiseCounts > 0 ? physics_.Count(channel) * 5.0 / 1023.0 : physics_.Volts(channel);
            registers[map_.potRegisters[static_cast<std::size_t>(channel)]] =
                static_cast<uint16_t>(std::clamp(map_.RawFromVolts(volts), 0, 65535));
        }
        for (int bit : relayBits)
            mapping_->tab_bits[map_.CoilOfRelay(bit)] = physics_.Relay(bit) ? 1 : 0;
    }

    // Coils written by the request become relay levels; each change is reported on stdout.
    void TakeRelays() {
        for (int bit : relayBits)
            SetRelay(bit, mapping_->tab_bits[map_.CoilOfRelay(bit)] != 0);
    }

    void SetRelay(int bit, bool on) {
        if (on == physics_.Relay(bit))
            return;
        physics_.SetRelay(bit, on);
        std::printf("relay %d %d az=%.1f el=%.1f\n", bit, on ? 1 : 0, physics_.Azimuth(),
                    physics_.Elevation());
        std::fflush(stdout);
    }

    static constexpr int relayBits[4] = {4, 5, 6, 7};

    BoardServerOptions options_;
    BoardMap map_;
    RotatorPhysics physics_;
    std::mt19937 random_;
    SteadyClock::time_point last_;
    SteadyClock::time_point lastRequest_;
    modbus_t* rtu_ = nullptr;
    bool announced_ = false;
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
    BoardMap map;
    if (!options.mapFile.empty()) {
        const BoardMapReading reading = ReadBoardMap(QString::fromLocal8Bit(options.mapFile.c_str()));
        if (reading.refusal) {
            std::fprintf(stderr, "boardsim: %s\n", reading.refusal->toLocal8Bit().constData());
            return 2;
        }
        map = reading.map;
    }
    std::signal(SIGPIPE, SIG_IGN);
    return BoardServer(options, map).Run();
}

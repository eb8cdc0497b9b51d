// SPDX-License-Identifier: GPL-3.0-or-later
// azelmon-boardsim: the I/O board over Modbus TCP (and RTU on a serial device), for running azelmon without
// hardware and for the integration tests. One thread, select() over the listening socket, every
// client and the serial device; the rotator model moves in wall-clock time between requests. It only
// ever binds 127.0.0.1.

#include "BoardServerOptions.h"
#include "rotator/BoardMap.h"
#include "rotator/RotatorPhysics.h"

#include <QString>
#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
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
constexpr int ExtremeRegisters = 110;    // input registers 110..113: lowest/highest azimuth, elevation
constexpr int DefaultCoilWatchdogMs = 2000;
constexpr int MaxClients = 16;

using SteadyClock = std::chrono::steady_clock;

std::int64_t ElapsedMs(SteadyClock::time_point from, SteadyClock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

class BoardServer {
  public:
    BoardServer(const BoardServerOptions& options, const BoardMap& map)
        : options_(options), map_(map), physics_(PhysicsSettings(options)), random_(options.seed),
          last_(SteadyClock::now()), lastRequest_(last_),
          watchdogMs_(static_cast<std::int64_t>(options.watchdogSeconds * 1000)) {
        lowest_ = highest_ = {physics_.Azimuth(), physics_.Elevation()};
    }

    int Run() {
        if (!options_.device.empty() && !OpenSerial())
            return 1;
        ctx_ = modbus_new_tcp("127.0.0.1", options_.port);
        if (!ctx_) {
            std::fprintf(stderr, "azelmon-boardsim: %s\n", modbus_strerror(errno));
            return 1;
        }
        listener_ = modbus_tcp_listen(ctx_, MaxClients);
        if (listener_ == -1) {
            std::fprintf(stderr, "azelmon-boardsim: cannot listen on 127.0.0.1:%d: %s\n", options_.port,
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
            const auto now = SteadyClock::now();
            std::optional<std::int64_t> left;
            if (WatchdogArmed())
                left = std::max<std::int64_t>(0, watchdogMs_ - ElapsedMs(lastRequest_, now));
            if (!delayed_.empty()) {
                const std::int64_t due = std::max<std::int64_t>(0, ElapsedMs(now, delayed_.front().due));
                left = left ? std::min(*left, due) : due;
            }
            if (left) {
                wait.tv_sec = *left / 1000;
                wait.tv_usec = (*left % 1000) * 1000;
            }
            const int count = select(highest + 1, &ready, nullptr, nullptr, left ? &wait : nullptr);
            if (count == -1) {
                if (errno == EINTR)
                    continue;
                std::perror("azelmon-boardsim: select");
                return 1;
            }
            CheckWatchdog();
            AnswerDelayed();
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
                    std::fprintf(stderr, "azelmon-boardsim: client %d connected\n", client);
                } else if (!Serve(fd)) {
                    close(fd);
                    FD_CLR(fd, &sockets);
                    requestsOn_.erase(fd);
                    // A late answer must not reach the next client given the same descriptor.
                    std::erase_if(delayed_, [fd](const Delayed& d) { return d.fd == fd; });
                    std::fprintf(stderr, "azelmon-boardsim: client %d closed\n", fd);
                }
            }
        }
    }

  private:
    bool OpenSerial() {
        rtu_ = modbus_new_rtu(options_.device.c_str(), map_.baud, map_.parity, map_.dataBits, map_.stopBits);
        if (!rtu_ || modbus_set_slave(rtu_, map_.unitId) == -1 || modbus_connect(rtu_) == -1) {
            std::fprintf(stderr, "azelmon-boardsim: cannot serve Modbus RTU on %s: %s\n",
                         options_.device.c_str(), modbus_strerror(errno));
            return false;
        }
        if (!announced_)
            std::fprintf(stderr, "azelmon-boardsim: Modbus RTU on %s, %d baud, unit %d\n",
                         options_.device.c_str(), map_.baud, map_.unitId);
        announced_ = true;
        return true;
    }

    // Coils and registers sized to hold the map's addresses (and the default layout's, so the relay
    // levels and coils 4..7 stay readable for tools that know only that).
    modbus_mapping_t* NewMapping() const {
        int coils = std::max(8, *std::max_element(map_.relayCoils.begin(), map_.relayCoils.end()) + 1);
        const int lastRegister = std::max(map_.potRegisters[0], map_.potRegisters[1]) + 1;
        const bool input = map_.registerKind == BoardMap::RegisterKind::Input;
        int holding = input ? 0 : lastRegister;
        if (const auto& w = map_.watchdog)
            (w->kind == BoardMap::WatchdogKind::Coil ? coils : holding) =
                std::max(w->kind == BoardMap::WatchdogKind::Coil ? coils : holding, w->address + 1);
        return modbus_mapping_new(coils, 0, holding,
                                  std::max(ExtremeRegisters + 4, input ? lastRegister : 0));
    }

    bool WatchdogArmed() const {
        return watchdogMs_ > 0 && std::any_of(std::begin(relayBits), std::end(relayBits),
                                              [this](int b) { return physics_.Relay(b); });
    }

    // A write that reached the map's watchdog register sets the watchdog's time from its value.
    void TakeWatchdog(const uint8_t* pdu) {
        const auto& w = map_.watchdog;
        const int function = pdu[0];
        const bool coil = w && w->kind == BoardMap::WatchdogKind::Coil;
        if (!w || (coil ? function != 0x05 && function != 0x0F : function != 0x06 && function != 0x10))
            return;
        const int address = (pdu[1] << 8) | pdu[2];
        const int quantity = function == 0x05 || function == 0x06 ? 1 : ((pdu[3] << 8) | pdu[4]);
        if (w->address < address || w->address >= address + quantity)
            return;
        const int value = coil ? mapping_->tab_bits[w->address] : mapping_->tab_registers[w->address];
        if (coil)
            watchdogMs_ = value ? (options_.watchdogSeconds > 0
                                       ? static_cast<std::int64_t>(options_.watchdogSeconds * 1000)
                                       : DefaultCoilWatchdogMs)
                                : 0;
        else
            watchdogMs_ = value * std::int64_t{100};
        std::printf("watchdog: set to %.1f s by %s %d\n", static_cast<double>(watchdogMs_) / 1000,
                    coil ? "coil" : "holding register", w->address);
        std::fflush(stdout);
    }

    // Moves the model up to now: the extremes it reached, and each arrival at an end stop while its
    // motor still drives into it.
    void AdvanceTo(SteadyClock::time_point now) {
        physics_.Advance(ElapsedMs(last_, now));
        last_ = now;
        const double angles[2] = {physics_.Azimuth(), physics_.Elevation()};
        const double ends[2] = {options_.azimuthTravel, options_.elevationTravel};
        for (int axis = 0; axis < 2; ++axis) {
            lowest_[axis] = std::min(lowest_[axis], angles[axis]);
            highest_[axis] = std::max(highest_[axis], angles[axis]);
            const int up = axis == 0 ? 4 : 6;
            const bool pressing = (angles[axis] >= ends[axis] && physics_.Relay(up)) ||
                                  (angles[axis] <= 0 && physics_.Relay(up + 1));
            if (pressing && !atStop_[axis]) {
                std::printf("end stop %s %.1f\n", axis == 0 ? "az" : "el", angles[axis]);
                std::fflush(stdout);
            }
            atStop_[axis] = pressing;
        }
    }

    // A module's communication watchdog: with no request for the set time, every output goes off.
    void CheckWatchdog() {
        const auto now = SteadyClock::now();
        if (!WatchdogArmed() || ElapsedMs(lastRequest_, now) < watchdogMs_)
            return;
        AdvanceTo(now);
        std::printf("watchdog: no request for %.1f s, all coils off\n",
                    static_cast<double>(watchdogMs_) / 1000);
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
                std::fprintf(stderr, "azelmon-boardsim: serial line %s closed\n", options_.device.c_str());
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
        s.azimuthStopMax = o.azimuthTravel;
        s.elevationStopMax = o.elevationTravel;
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
        AdvanceTo(now);
        ++requests_;
        const long onThisConnection = fd >= 0 ? ++requestsOn_[fd] : 0;
        const bool keep = fd < 0 || options_.closeAfter == 0 || onThisConnection < options_.closeAfter;

        if (options_.silentAfter >= 0 && requests_ > options_.silentAfter && !silentSince_) {
            silentSince_ = now;
            std::fprintf(stderr, "azelmon-boardsim: silent for %.1f s\n", options_.silentForSeconds);
        }
        const bool silent = silentSince_ && ElapsedMs(*silentSince_, now) <
                                                static_cast<std::int64_t>(options_.silentForSeconds * 1000);
        if (silent || Chance(options_.dropFraction))
            return true; // read and never answered

        const int h = modbus_get_header_length(ctx);
        const int function = query[h];
        if (options_.noReadCoils && function == 0x01)
            return true; // a module that does not know the function and says nothing
        const bool read = function >= 0x01 && function <= 0x04;
        if (read && options_.readDelayMs > 0) {
            // A slow read (a busy line, a gateway) must not hold up the writes of other connections.
            if (fd >= 0) {
                delayed_.push_back({fd, std::vector<uint8_t>(query, query + length),
                                    now + std::chrono::milliseconds(options_.readDelayMs)});
                return keep;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(options_.readDelayMs));
        }
        if (options_.delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(options_.delayMs));
        if (fd < 0)
            PaceLikeTheLine(query, length);
        Reply(ctx, query, length, fd);
        return keep;
    }

    // The slow reads whose time has come, answered on their connection with the model as it is now.
    void AnswerDelayed() {
        const auto now = SteadyClock::now();
        while (!delayed_.empty() && delayed_.front().due <= now) {
            const Delayed d = std::move(delayed_.front());
            delayed_.pop_front();
            AdvanceTo(now);
            modbus_set_socket(ctx_, d.fd);
            Reply(ctx_, d.query.data(), static_cast<int>(d.query.size()), d.fd);
        }
    }

    void Reply(modbus_t* ctx, const uint8_t* query, int length, int fd) {
        const int h = modbus_get_header_length(ctx);
        // Over TCP the unit id is in the header: another unit's request is a gateway's "no such target".
        const bool otherUnit = fd >= 0 && query[h - 1] != map_.unitId && query[h - 1] != 0xFF;
        if (otherUnit) {
            modbus_reply_exception(ctx, query, MODBUS_EXCEPTION_GATEWAY_TARGET);
        } else if (Chance(options_.exceptionRate)) {
            modbus_reply_exception(ctx, query, MODBUS_EXCEPTION_SLAVE_OR_SERVER_FAILURE);
        } else {
            Publish();
            if (modbus_reply(ctx, query, length, mapping_) != -1) {
                ReportStrayCoils(query + h);
                TakeWatchdog(query + h);
            }
            TakeRelays();
        }
    }

    // A write to a coil that is no relay's: on a real module that output drives something else.
    void ReportStrayCoils(const uint8_t* pdu) {
        const int function = pdu[0];
        if (function != 0x05 && function != 0x0F)
            return;
        const int address = (pdu[1] << 8) | pdu[2];
        const int quantity = function == 0x05 ? 1 : ((pdu[3] << 8) | pdu[4]);
        for (int coil = address; coil < address + quantity; ++coil)
            if (std::find(map_.relayCoils.begin(), map_.relayCoils.end(), coil) == map_.relayCoils.end() &&
                !(map_.watchdog && map_.watchdog->kind == BoardMap::WatchdogKind::Coil &&
                  map_.watchdog->address == coil))
                std::printf("stray coil %d\n", coil);
        std::fflush(stdout);
    }

    // The model's present state into the register map, just before an answer.
    void Publish() {
        for (int bit : relayBits)
            mapping_->tab_input_registers[RelayLevelRegisters + bit] = physics_.Relay(bit) ? 1 : 0;
        for (int axis = 0; axis < 2; ++axis) {
            const auto tenths = [](double angle) {
                return static_cast<uint16_t>(static_cast<std::int16_t>(std::lround(angle * 10)));
            };
            mapping_->tab_input_registers[ExtremeRegisters + 2 * axis] = tenths(lowest_[axis]);
            mapping_->tab_input_registers[ExtremeRegisters + 2 * axis + 1] = tenths(highest_[axis]);
        }
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

    struct Delayed {
        int fd;
        std::vector<uint8_t> query;
        SteadyClock::time_point due;
    };

    BoardServerOptions options_;
    BoardMap map_;
    RotatorPhysics physics_;
    std::mt19937 random_;
    SteadyClock::time_point last_;
    SteadyClock::time_point lastRequest_;
    std::int64_t watchdogMs_; // 0: no watchdog
    std::deque<Delayed> delayed_;
    std::array<double, 2> lowest_{}, highest_{}; // azimuth, elevation
    bool atStop_[2] = {false, false};
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
        std::fprintf(stderr, "azelmon-boardsim: %s\n%s", error->c_str(), BoardServerUsage);
        return 2;
    }
    BoardMap map;
    if (!options.mapFile.empty()) {
        const BoardMapReading reading = ReadBoardMap(QString::fromLocal8Bit(options.mapFile.c_str()));
        if (reading.refusal) {
            std::fprintf(stderr, "azelmon-boardsim: %s\n", reading.refusal->toLocal8Bit().constData());
            return 2;
        }
        map = reading.map;
    }
    std::signal(SIGPIPE, SIG_IGN);
    return BoardServer(options, map).Run();
}

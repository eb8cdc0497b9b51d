// SPDX-License-Identifier: GPL-3.0-or-later
#include "BoardServerOptions.h"

#include <cstdlib>
#include <functional>
#include <map>

const char* const BoardServerUsage =
    "usage: azelmon-boardsim [--port N] [--az DEG] [--el DEG] [--noise COUNTS] [--seed N]\n"
    "                        [--drop FRACTION] [--delay MS] [--exception-rate FRACTION]\n"
    "                        [--close-after N] [--silent-after N --silent-for SECONDS] [--jam az|el|both]\n"
    "                        [--map ROTORCFG.INI] [--device TTY] [--watchdog SECONDS] [--relay-on BIT]\n"
    "                        [--read-delay-ms MS] [--no-read-coils] [--az-travel DEG] [--el-travel DEG]\n"
    "Modbus TCP I/O board on 127.0.0.1 with an azimuth/elevation rotator pair behind it.\n"
    "Coils 4..7: relays (right, left, up, down; write 0x05, read 0x01).\n"
    "Input registers 0, 1: potentiometer counts 0..1023; 104..107: relay levels (read 0x04);\n"
    "110..113: lowest and highest azimuth, lowest and highest elevation reached, in tenths of a\n"
    "degree (signed).\n"
    "--map takes coils, registers, their kind, the converter's full scale, the unit id and the\n"
    "watchdog register from the [BOARD_MAP] section of that file, as azelmon does. --device serves\n"
    "Modbus RTU on that serial device as well (the map's baud rate, parity, data and stop bits;\n"
    "answers paced at that speed).\n"
    "--watchdog switches every coil off when no request has come for that long. Writing the map's\n"
    "WATCHDOG_REGISTER sets that time: a holding register in tenths of a second, a coil 1 to the\n"
    "--watchdog time (2 s without it); 0 switches the watchdog off.\n"
    "--relay-on starts with that relay (4..7) on, as a module left on by a program that died; it may\n"
    "be given more than once.\n"
    "--read-delay-ms answers every read that late and every write at once; --no-read-coils never\n"
    "answers Read Coils. --az-travel and --el-travel put the end stops at 0 and that angle (360, 180\n"
    "without them); reaching one is printed as \"end stop az|el DEG\".\n"
    "Each relay change is printed on stdout as \"relay BIT LEVEL az=DEG el=DEG\"; a write to a coil\n"
    "that is no relay's as \"stray coil ADDRESS\".\n";

namespace {
bool ToDouble(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0';
}
bool ToLong(const std::string& text, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && end && *end == '\0';
}
bool Fraction(double v) {
    return v >= 0 && v <= 1;
}
} // namespace

std::optional<std::string> ParseBoardServerOptions(const std::vector<std::string>& args,
                                                   BoardServerOptions& o) {
    using Setter = std::function<bool(const std::string&)>;
    const std::map<std::string, Setter> setters = {
        {"--port",
         [&](const std::string& t) {
             long v;
             return ToLong(t, v) && v >= 0 && v <= 65535 && ((o.port = int(v)), true);
         }},
        {"--az", [&](const std::string& t) { return ToDouble(t, o.azimuth); }},
        {"--el", [&](const std::string& t) { return ToDouble(t, o.elevation); }},
        {"--noise", [&](const std::string& t) { return ToDouble(t, o.noiseCounts) && o.noiseCounts >= 0; }},
        {"--seed",
         [&](const std::string& t) {
             long v;
             return ToLong(t, v) && v >= 0 && ((o.seed = std::uint32_t(v)), true);
         }},
        {"--drop",
         [&](const std::string& t) { return ToDouble(t, o.dropFraction) && Fraction(o.dropFraction); }},
        {"--delay",
         [&](const std::string& t) {
             long v;
             return ToLong(t, v) && v >= 0 && v <= 60000 && ((o.delayMs = int(v)), true);
         }},
        {"--exception-rate",
         [&](const std::string& t) { return ToDouble(t, o.exceptionRate) && Fraction(o.exceptionRate); }},
        {"--close-after", [&](const std::string& t) { return ToLong(t, o.closeAfter) && o.closeAfter >= 0; }},
        {"--silent-after",
         [&](const std::string& t) { return ToLong(t, o.silentAfter) && o.silentAfter >= 0; }},
        {"--silent-for",
         [&](const std::string& t) { return ToDouble(t, o.silentForSeconds) && o.silentForSeconds >= 0; }},
        {"--jam",
         [&](const std::string& t) {
             o.jamAzimuth = t == "az" || t == "both";
             o.jamElevation = t == "el" || t == "both";
             return o.jamAzimuth || o.jamElevation;
         }},
        {"--map", [&](const std::string& t) { return !t.empty() && ((o.mapFile = t), true); }},
        {"--device", [&](const std::string& t) { return !t.empty() && ((o.device = t), true); }},
        {"--relay-on",
         [&](const std::string& t) {
             long v;
             return ToLong(t, v) && v >= 4 && v <= 7 && (o.relaysOn.push_back(int(v)), true);
         }},
        {"--read-delay-ms",
         [&](const std::string& t) {
             long v;
             return ToLong(t, v) && v >= 0 && v <= 60000 && ((o.readDelayMs = int(v)), true);
         }},
        {"--az-travel",
         [&](const std::string& t) {
             return ToDouble(t, o.azimuthTravel) && o.azimuthTravel > 0 && o.azimuthTravel <= 720;
         }},
        {"--el-travel",
         [&](const std::string& t) {
             return ToDouble(t, o.elevationTravel) && o.elevationTravel > 0 && o.elevationTravel <= 180;
         }},
        {"--watchdog",
         [&](const std::string& t) {
             return ToDouble(t, o.watchdogSeconds) && o.watchdogSeconds >= 0 && o.watchdogSeconds <= 3600;
         }},
    };
    // Options that take no value.
    const std::map<std::string, bool*> flags = {{"--no-read-coils", &o.noReadCoils}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (const auto flag = flags.find(args[i]); flag != flags.end()) {
            *flag->second = true;
            continue;
        }
        const auto setter = setters.find(args[i]);
        if (setter == setters.end())
            return "unknown option " + args[i];
        if (i + 1 >= args.size())
            return args[i] + " needs a value";
        if (!setter->second(args[i + 1]))
            return "bad value for " + args[i] + ": " + args[i + 1];
        ++i;
    }
    return std::nullopt;
}

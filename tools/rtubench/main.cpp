// SPDX-License-Identifier: GPL-3.0-or-later
// rtubench: the board calls of one tracking cycle (both potentiometers read, all four relays
// written) over Modbus RTU, timed. Used by tools/rtu-bench.sh against boardsim on a pty pair, whose
// answers are paced at the line's speed; on a real module its own answer time comes on top.
//   rtubench DEVICE BAUD [CYCLES]
// Prints the median, 95th percentile and worst cycle in milliseconds. Writes only "off" to the relays.
#include "rotator/ModbusBoard.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: rtubench DEVICE BAUD [CYCLES]\n", stderr);
        return 2;
    }
    BoardMap map;
    map.transport = BoardMap::Transport::Rtu;
    map.device = QString::fromLocal8Bit(argv[1]);
    map.baud = std::atoi(argv[2]);
    const int cycles = argc > 3 ? std::max(1, std::atoi(argv[3])) : 50;
    ModbusBoard board(map);

    std::vector<double> ms;
    int failures = 0;
    for (int i = 0; i < cycles; ++i) {
        const auto start = std::chrono::steady_clock::now();
        bool failed = board.ReadAnalogInput(5, 0).error.has_value();
        failed |= board.ReadAnalogInput(5, 1).error.has_value();
        for (int bit = 4; bit <= 7; ++bit)
            failed |= board.WriteOutputBit(6, bit, 0).has_value();
        const auto took = std::chrono::steady_clock::now() - start;
        failures += failed ? 1 : 0;
        ms.push_back(std::chrono::duration<double, std::milli>(took).count());
    }
    std::sort(ms.begin(), ms.end());
    const auto at = [&ms](double q) {
        return ms[std::min(ms.size() - 1, static_cast<std::size_t>(q * ms.size()))];
    };
    std::printf(
        "baud %d: %d cycles of 2 reads + 4 writes, median %.1f ms, 95%% %.1f ms, worst %.1f ms, %d failed\n",
        map.baud, cycles, at(0.5), at(0.95), ms.back(), failures);
    return failures == 0 ? 0 : 1;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/SimulatedBoard.h"

#include "common/Clock.h"

namespace {
PortError InvalidArgument() {
    return PortError{5, QStringLiteral("プロシージャの呼び出し、または引数が不正です。")};
}
} // namespace

SimulatedBoard::SimulatedBoard(const Clock& clock, const RotatorPhysics::Settings& settings)
    : clock_(clock), physics_(settings), lastMs_(clock.MonotonicMs()) {}

void SimulatedBoard::Advance() {
    const std::int64_t now = clock_.MonotonicMs();
    physics_.Advance(now - lastMs_);
    lastMs_ = now;
}

std::optional<PortError> SimulatedBoard::WriteOutputBit(int port, int bit, int level) {
    Advance();
    if (port != 6 || bit < 4 || bit > 7 || (level != 0 && level != 1))
        return InvalidArgument();
    physics_.SetRelay(bit, level == 1);
    return std::nullopt;
}

IoBoard::Reading SimulatedBoard::ReadAnalogInput(int port, int channel) {
    Advance();
    if (port != 5 || channel < 0 || channel > 1)
        return {0, InvalidArgument()};
    return {physics_.Count(channel), std::nullopt};
}

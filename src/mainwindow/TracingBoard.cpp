// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/TracingBoard.h"

#include "mainwindow/RunTrace.h"

std::optional<PortError> TracingBoard::WriteOutputBit(int port, int bit, int level) {
    auto error = board_.WriteOutputBit(port, bit, level);
    trace_.Line(QStringLiteral("write %1 %2%3")
                    .arg(bit)
                    .arg(level)
                    .arg(error ? QStringLiteral(" failed") : QString()));
    return error;
}

std::optional<PortError> TracingBoard::WriteOutputBitOnce(int port, int bit, int level, int timeoutMs) {
    auto error = board_.WriteOutputBitOnce(port, bit, level, timeoutMs);
    trace_.Line(QStringLiteral("write %1 %2%3")
                    .arg(bit)
                    .arg(level)
                    .arg(error ? QStringLiteral(" failed") : QString()));
    return error;
}

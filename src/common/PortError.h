// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A failure reported by an outside thing (board, data link): a number and a description,
// shown on the status line as a number the user can look up and a text that explains it.
struct PortError {
    int number = 0;
    QString description;

    // Not a failure yet: the request went to the board's own thread, and the module's answer is not in.
    // The caller treats the level as not yet taken (an off is sent again until it is) and shows nothing.
    static constexpr int InFlightNumber = -1;
    static PortError InFlight() { return PortError{InFlightNumber, QStringLiteral("応答待ち")}; }
    bool inFlight() const { return number == InFlightNumber; }
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A failure reported by an outside thing (board, data link): a number and a description,
// shown on the status line as a number the user can look up and a text that explains it.
struct PortError {
    int number = 0;
    QString description;
};

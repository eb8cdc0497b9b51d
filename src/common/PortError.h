#pragma once

#include <QString>

// A failure reported by an outside thing (board, data link): a number and a description,
// shown on the status line as the user would see them from the original control.
struct PortError {
    int number = 0;
    QString description;
};

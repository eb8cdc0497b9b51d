// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Number-to-text patterns such as "###0.00", "0.000", " #0.000", "000.0", "#0", "00":
// "0" a digit always shown, "#" a digit shown only when significant, "." the decimal point, any other
// character copied. The value is rounded half away from zero on its decimal value to the pattern's
// decimals (2.675 with "0.00" gives "2.68").
QString FormatNumber(double value, const QString& pattern);

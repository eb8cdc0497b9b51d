// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QFont;
class QLabel;

// A value display whose text may grow past its box (the target's compass angle with the rotator's
// angle beside it, "31.44 (391.44)") keeps every digit visible by taking a smaller type size rather
// than cutting the text off at its left edge.

// The type size of the target's azimuth and elevation (lblAz, lblEl) while their text fits.
inline constexpr double TargetAnglePointSize = 14;

// The largest size from `largest` down to `smallest` points, in half points, at which `text` in
// `font` fits `width` pixels; `smallest` when none does.
double FittingPointSize(const QFont& font, const QString& text, int width, double largest, double smallest);

// Shows `text` in the label at the largest size up to `largest` points that fits its width.
void ShowFittedText(QLabel& label, const QString& text, double largest);

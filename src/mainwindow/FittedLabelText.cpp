// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/FittedLabelText.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLabel>

// Below this the digits of a bold value stop being easy to read at a glance.
constexpr double kSmallestPointSize = 8;

double FittingPointSize(const QFont& font, const QString& text, int width, double largest, double smallest) {
    QFont trial = font;
    for (double size = largest; size > smallest; size -= 0.5) {
        trial.setPointSizeF(size);
        if (QFontMetricsF(trial).horizontalAdvance(text) <= width)
            return size;
    }
    return smallest;
}

void ShowFittedText(QLabel& label, const QString& text, double largest) {
    if (label.text() == text)
        return;
    // A pixel or two to spare for the label's own margin and the last glyph's overhang.
    const int width = label.contentsRect().width() - 2 * label.margin() - 2;
    const double size = FittingPointSize(label.font(), text, width, largest, kSmallestPointSize);
    if (label.font().pointSizeF() != size) {
        QFont font = label.font();
        font.setPointSizeF(size);
        label.setFont(font);
    }
    label.setText(text);
}

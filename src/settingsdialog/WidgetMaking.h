// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

// The program's windows are laid out in twips, as they were designed: 15 twips to a pixel at
// 96 dpi (Qt's high-DPI scaling takes care of larger screens).
inline constexpr int TwipsPerPixel = 15;
inline int Px(double twips) {
    return static_cast<int>(twips / TwipsPerPixel + 0.5);
}
inline QRect TwipsRect(double x, double y, double width, double height) {
    return QRect(Px(x), Px(y), Px(width), Px(height));
}

// A widget with a caption (label, button, option, check box, frame), its object name, its place in
// pixels and, when given, its tool-tip. Every window builds its widgets through this.
template <class T>
T* MakeWidget(QWidget* parent, const QString& name, const QString& caption, QRect geometry,
              const QString& tip = QString()) {
    auto* widget = new T(caption, parent);
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    if (!tip.isEmpty())
        widget->setToolTip(tip);
    return widget;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/WindowPlacement.h"

#include <algorithm>
#include <limits>

namespace {

// Enough of a window to grab it by its title and drag it back.
constexpr int UsableWidth = 50;
constexpr int UsableHeight = 20;

// Squared distance from a point to a rectangle (0 inside it).
long long DistanceSquared(const QPoint& p, const QRect& r) {
    const long long dx = p.x() < r.left() ? r.left() - p.x() : (p.x() > r.right() ? p.x() - r.right() : 0);
    const long long dy = p.y() < r.top() ? r.top() - p.y() : (p.y() > r.bottom() ? p.y() - r.bottom() : 0);
    return dx * dx + dy * dy;
}

int Clamp(int value, int low, int highForSize) {
    // A window wider or taller than the screen keeps its top or left edge on the screen.
    return std::max(low, std::min(value, highForSize));
}

} // namespace

QPoint PlaceOnScreens(const QRect& saved, const QList<QRect>& screens) {
    if (screens.isEmpty())
        return saved.topLeft();
    for (const QRect& screen : screens) {
        const QRect visible = screen.intersected(saved);
        if (visible.width() >= std::min(UsableWidth, saved.width()) &&
            visible.height() >= std::min(UsableHeight, saved.height()))
            return saved.topLeft();
    }
    const QRect* nearest = &screens.front();
    long long best = std::numeric_limits<long long>::max();
    for (const QRect& screen : screens) {
        const long long d = DistanceSquared(saved.center(), screen);
        if (d < best) {
            best = d;
            nearest = &screen;
        }
    }
    return {Clamp(saved.x(), nearest->left(), nearest->right() + 1 - saved.width()),
            Clamp(saved.y(), nearest->top(), nearest->bottom() + 1 - saved.height())};
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

// Where a window saved at `saved` (its top-left corner and size, in pixels) opens, given the screens'
// available areas. A window that still shows a usable part on some screen stays where it was saved;
// one that is off every screen (a second monitor unplugged, a hand-edited position) is moved onto
// the screen nearest to it, wholly inside it where it fits. Without any screen the position stays.
QPoint PlaceOnScreens(const QRect& saved, const QList<QRect>& screens);

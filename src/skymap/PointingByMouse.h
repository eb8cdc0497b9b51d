// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class MessageSink;
class SkyMapPainter;
struct MainState;

// Messages of a refused click on the map.
inline const QString AutoTrackingRunningText = QStringLiteral("自動追跡中です！！");
inline const QString ManualRunningText =
    QStringLiteral("すでに手動で追跡中です！！　中止してから再度指定してください。");
inline const QString AzimuthForbiddenText = QStringLiteral("水平角の移動禁止区域をしています");
inline const QString ElevationForbiddenText = QStringLiteral("仰角の移動禁止区域をしています");

// A click on the map at (x, y) twips: records the pointed position for a later manual start.
// Ignored while the settings dialog is open; refused with a message while an operation runs or when
// the point lies outside the operating range. Otherwise the map is redrawn with only its overlay, the
// pointed mark drawn at the click, and PointMarkX/Y, PointedAzimuth (rotator frame), PointedElevation
// and PointMarkShown set. Any mouse button and modifier act alike, so they are not passed.
void Picture1_MouseDown(MainState& state, MessageSink& messages, SkyMapPainter& painter, double x, double y);

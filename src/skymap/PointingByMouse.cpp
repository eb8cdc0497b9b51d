// SPDX-License-Identifier: GPL-3.0-or-later
#include "skymap/PointingByMouse.h"

#include "common/MainState.h"
#include "common/MessageSink.h"
#include "common/StartPoint.h"
#include "skymap/SkyMapMarks.h"
#include "skymap/SkyMapPainter.h"
#include "skymap/SkyProjection.h"

void Picture1_MouseDown(MainState& state, MessageSink& messages, SkyMapPainter& painter, double x, double y) {
    const ModuleState& m = state.module;
    if (m.SettingsDialogOpen == QStringLiteral("1"))
        return;
    if (state.OperatingMode == RunMode::Automatic) {
        messages.ShowMessage(AutoTrackingRunningText);
        return;
    }
    if (state.OperatingMode == RunMode::Manual) {
        messages.ShowMessage(ManualRunningText);
        return;
    }

    ClearAndDrawSkyMap(painter, state);

    const bool south = IsSouthStartPoint(state.AzimuthStartPoint);
    if (!(m.AzimuthRangeMin == 0 && m.AzimuthRangeMax == 360)) {
        const double a = ClickAzimuth(x, y, south);
        if (a < m.AzimuthRangeMin || a > m.AzimuthRangeMax) {
            messages.ShowMessage(AzimuthForbiddenText);
            return;
        }
    }
    if (!(m.ElevationRangeMin == 0 && m.ElevationRangeMax == 90)) {
        const double e = ClickElevation(x, y);
        if (e < m.ElevationRangeMin || e > m.ElevationRangeMax) {
            messages.ShowMessage(ElevationForbiddenText);
            return;
        }
    }

    state.PointMarkX = x;
    state.PointMarkY = y;
    painter.DrawPointedMark(x, y, PointedMarkKind::RangeCheck);
    state.PointedAzimuth = ClickAzimuth(x, y, south);
    state.PointedElevation = ClickElevation(x, y);
    state.PointMarkShown = 1;
}

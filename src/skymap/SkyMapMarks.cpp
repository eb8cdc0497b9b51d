// SPDX-License-Identifier: GPL-3.0-or-later
#include "skymap/SkyMapMarks.h"

#include "common/MainState.h"
#include "common/NumberText.h"
#include "common/StartPoint.h"
#include "skymap/SkyMapPainter.h"
#include "skymap/SkyProjection.h"

QPointF SkyMapPoint(double azimuth, double elevation) {
    return {MapCentreXTwips + SkyPlotX(azimuth, elevation), MapCentreYTwips + SkyPlotY(azimuth, elevation)};
}

void DrawSkyMap(SkyMapPainter& painter, const MainState& state) {
    const ModuleState& m = state.module;
    painter.DrawSkyMap(m.ElevationRangeMin, m.ElevationRangeMax, m.AzimuthRangeMin, m.AzimuthRangeMax,
                       IsSouthStartPoint(state.AzimuthStartPoint));
}

void ClearAndDrawSkyMap(SkyMapPainter& painter, const MainState& state) {
    painter.Clear();
    DrawSkyMap(painter, state);
}

namespace {

struct Body {
    const char16_t* name;
    int azimuthBox, elevationBox;
    QColor targetColour, shownColour;
    bool MainState::*shown;
};

const Body kBodies[] = {
    {u"太陽", 12, 13, MapColour::Sun, MapColour::Sun, &MainState::ShowSun},
    {u"月", 14, 15, MapColour::Moon, MapColour::Moon, &MainState::ShowMoon},
    {u"火星", 18, 19, MapColour::MarsTarget, MapColour::MarsShown, &MainState::ShowMars},
};

} // namespace

void DrawCelestialMarks(SkyMapPainter& painter, const MainState& state) {
    for (const Body& body : kBodies) {
        if (state.TargetName != QString::fromUtf16(body.name))
            continue;
        double a = state.TargetAzimuth;
        if (IsSouthStartPoint(state.AzimuthStartPoint))
            a = HalfTurn(a);
        const QPointF p = SkyMapPoint(a, state.TargetElevation);
        painter.DrawBodyMark(p.x(), p.y(), body.targetColour);
    }
}

void DrawSunMoonMars(SkyMapPainter& painter, const MainState& state) {
    const bool south = IsSouthStartPoint(state.AzimuthStartPoint);
    for (const Body& body : kBodies) {
        if (!(state.*body.shown))
            continue;
        double a = LeadingNumber(state.DataBox[body.azimuthBox]);
        const double e = LeadingNumber(state.DataBox[body.elevationBox]);
        // With a south start point the tracking cycle rewrites the selected target's azimuth box into
        // the rotator frame; turn that one back so the body is not drawn on the opposite side.
        if (south && state.TargetName == QString::fromUtf16(body.name))
            a = HalfTurn(a);
        const QPointF p = SkyMapPoint(a, e);
        painter.DrawBodyMark(p.x(), p.y(), body.shownColour);
    }
}

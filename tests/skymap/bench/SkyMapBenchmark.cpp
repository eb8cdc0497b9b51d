// SPDX-License-Identifier: GPL-3.0-or-later
// Time to redraw the whole sky map with every mark into the map widget's drawing layer, as the
// tracking cycle does once a second.
#include "common/MainState.h"
#include "skymap/SkyMapMarks.h"
#include "skymap/SkyMapWidget.h"
#include "support/ScenarioForTests.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

MainState BusyState() {
    MainState s;
    s.module.ElevationRangeMin = 10;
    s.module.ElevationRangeMax = 80;
    s.module.AzimuthRangeMin = 20;
    s.module.AzimuthRangeMax = 340;
    SetOwned(s.TargetName, QStringLiteral("月"));
    SetOwned(s.TargetAzimuth, 120);
    SetOwned(s.TargetElevation, 35);
    s.ShowSun = s.ShowMoon = s.ShowMars = true;
    s.DataBox[12] = QStringLiteral("200.0");
    s.DataBox[13] = QStringLiteral("50.0");
    s.DataBox[14] = QStringLiteral("120.0");
    s.DataBox[15] = QStringLiteral("35.0");
    s.DataBox[18] = QStringLiteral("300.0");
    s.DataBox[19] = QStringLiteral("-5.0");
    s.PointMarkShown = 1;
    s.PointMarkX = 1800;
    s.PointMarkY = 1800;
    return s;
}

void RedrawEverything(SkyMapPainter& p, const MainState& s) {
    ClearAndDrawSkyMap(p, s);
    const QPointF target = SkyMapPoint(s.TargetAzimuth, s.TargetElevation);
    p.DrawTargetMark(target.x(), target.y());
    p.DrawPointedMark(s.PointMarkX, s.PointMarkY, PointedMarkKind::PositioningStep);
    const QPointF antenna = SkyMapPoint(100, 25);
    p.DrawAntennaMark(antenna.x(), antenna.y());
    DrawSunMoonMars(p, s);
    p.DrawTargetMark(target.x(), target.y());
    DrawCelestialMarks(p, s);
}

void FullRedraw(benchmark::State& bench, int size, bool changeRangeEachTime) {
    SkyMapWidget map;
    map.resize(size, size);
    MainState s = BusyState();
    for (auto _ : bench) {
        if (changeRangeEachTime)
            s.module.AzimuthRangeMin = s.module.AzimuthRangeMin == 20 ? 21 : 20;
        RedrawEverything(map.painter(), s);
        benchmark::DoNotOptimize(map.layer().constBits());
    }
}

void BM_FullRedraw185(benchmark::State& bench) {
    FullRedraw(bench, 185, false);
}
void BM_FullRedraw185NewRange(benchmark::State& bench) {
    FullRedraw(bench, 185, true);
}
void BM_FullRedraw370(benchmark::State& bench) {
    FullRedraw(bench, 370, false);
}
void BM_ComposeForScreen185(benchmark::State& bench) {
    SkyMapWidget map;
    RedrawEverything(map.painter(), BusyState());
    for (auto _ : bench)
        benchmark::DoNotOptimize(map.Composed());
}

BENCHMARK(BM_FullRedraw185)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullRedraw185NewRange)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullRedraw370)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComposeForScreen185)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

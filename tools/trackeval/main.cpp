// SPDX-License-Identifier: GPL-3.0-or-later
// trackeval: how closely automatic tracking follows real passes, before and after the pass-following
// options, measured on the simulated board with rotator physics in virtual time.
//
//   trackeval [--tle FILE] [--plot DIR] [--only SETTING] [--trace] [--truth-check]
//
// Prints a Markdown table (one row per pass and setting) and, with --plot, draws the error against
// time of three passes before and after as PNG pictures into DIR. --only runs the one setting of that
// label; --trace writes every 100 ms sample to stderr (seconds from AOS, error, azimuth error on the
// sky, elevation error, the four relays). --truth-check compares, for each pass, the satellite's
// direction the runs take from the orbit library with an independent computation (python3-sgp4
// through tests/orbit/independent_look.py) every second from AOS to LOS, and prints the largest
// difference.

#include "ErrorPlot.h"
#include "TrackRun.h"

#include "orbit/ElementSet.h"
#include "orbit/Observation.h"
#include "orbit/Passes.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace {

const orbit::Geodetic Tokyo{35.68, 139.77, 40};

struct PassChoice {
    const char* key;
    const char* label;
    long satellite;
    double fromUnix; // a minute before AOS
};

// Real element sets (ISS, December 2021) over Tokyo.
const PassChoice Passes[] = {
    {"high", "ISS, culmination 81.0°, 224.8° → 49.4°", 25544, 1638925968.2 - 60},
    {"north", "ISS, culmination 31.4°, 249.0° → 40.9° through north", 25544, 1638758868.0 - 60},
    {"low", "ISS, culmination 22.1°, 198.3° → 61.7°", 25544, 1638753082.0 - 60},
    {"highnorth", "ISS, culmination 85.5°, 311.9° → 132.0° through north", 25544, 1638782343.3 - 60},
    {"overhead", "ISS, culmination 83.9°, 225.5° → 49.1°", 25544, 1639946038.0 - 60},
    {"zenith", "ISS, culmination 89.7°, 311.5° → 133.0° through north", 25544, 1640482439.5 - 60},
};

TrackingOptions Options(bool lead, bool prePosition, double azimuthTravel, double elevationTravel) {
    TrackingOptions o;
    o.lead = lead;
    o.prePosition = prePosition;
    o.azimuthTravelMax = azimuthTravel;
    o.elevationTravelMax = elevationTravel;
    return o;
}

// The largest great-circle difference between the orbit library and python3-sgp4 over the pass.
void TruthCheck(const orbit::Sgp4& model, const QString& tle, const char* label, long satellite,
                const orbit::Pass& pass) {
    const double aos = std::ceil(pass.aos.ToUnixMilliseconds() / 1000.0);
    const int count = static_cast<int>(pass.los.ToUnixMilliseconds() / 1000.0 - aos);
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(TRACKEVAL_INDEPENDENT_LOOK), QStringLiteral("look"), tle,
                  QString::number(satellite), QString::number(Tokyo.latitude),
                  QString::number(Tokyo.longitude), QString::number(Tokyo.height),
                  QString::number(aos, 'f', 3), QStringLiteral("1"), QString::number(count)});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        std::printf("%s: python3-sgp4 not available (%s)\n", label,
                    python.readAllStandardError().constData());
        return;
    }
    double largest = 0;
    int compared = 0;
    for (const QByteArray& line : python.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() < 3 || f[1] == "error")
            continue;
        const double t = f[0].toDouble(), az = f[1].toDouble(), el = f[2].toDouble();
        const auto seen =
            orbit::Observe(model, Tokyo, orbit::JulianDate::FromUnixMilliseconds(std::llround(t * 1000)));
        const auto& look = seen.observation.look;
        const double d = M_PI / 180;
        const double c = std::sin(el * d) * std::sin(look.elevation * d) +
                         std::cos(el * d) * std::cos(look.elevation * d) * std::cos((az - look.azimuth) * d);
        largest = std::max(largest, std::acos(std::clamp(c, -1.0, 1.0)) / d);
        ++compared;
    }
    std::printf("%s: %d seconds compared, largest difference %.1e°\n", label, compared, largest);
}

} // namespace

int main(int argc, char** argv) {
    // Pictures are painted off screen; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QString tle = QStringLiteral(TRACKEVAL_PASSES_TLE), plotDir, only;
    bool trace = false, truthCheck = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--tle") && i + 1 < args.size())
            tle = args[++i];
        else if (args[i] == QLatin1String("--plot") && i + 1 < args.size())
            plotDir = args[++i];
        else if (args[i] == QLatin1String("--only") && i + 1 < args.size())
            only = args[++i];
        else if (args[i] == QLatin1String("--trace"))
            trace = true;
        else if (args[i] == QLatin1String("--truth-check"))
            truthCheck = true;
        else {
            std::fprintf(
                stderr,
                "usage: trackeval [--tle FILE] [--plot DIR] [--only SETTING] [--trace] [--truth-check]\n");
            return 2;
        }
    }
    const auto file = orbit::ReadElementFile(tle.toStdString());
    if (file.sets.empty()) {
        std::fprintf(stderr, "trackeval: no element sets in %s\n", qPrintable(tle));
        return 1;
    }

    std::vector<RunSetup> setups = {
        {"nothing set", Options(false, false, 0, 0)},
        {"nothing set, south start point", Options(false, false, 0, 0), true},
        {"lead", Options(true, false, 0, 0)},
        {"lead + pre-position", Options(true, true, 0, 0)},
        {"lead + pre-position, south start point", Options(true, true, 0, 0), true},
        {"lead + pre-position, AZ_TRAVEL=450", Options(true, true, 450, 0)},
        {"lead + pre-position, EL_TRAVEL=180", Options(true, true, 0, 180)},
        {"AZ_TRAVEL=450 alone", Options(false, false, 450, 0)},
        {"EL_TRAVEL=180 alone", Options(false, false, 0, 180)},
    };

    if (!only.isEmpty())
        setups.erase(
            std::remove_if(setups.begin(), setups.end(),
                           [&](const RunSetup& s) { return QString::fromStdString(s.label) != only; }),
            setups.end());
    for (auto& setup : setups)
        setup.trace = trace;
    if (!truthCheck)
        std::printf("| pass | setting | plan | median | p95 | max | p95, max ±100 s | bound | within 1.5° | "
                    "longest > 10° | "
                    "azimuth turned | switch-ons/min |\n|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    std::map<std::string, RunResult> kept;
    for (const auto& choice : Passes) {
        const orbit::ElementSet* set = nullptr;
        for (const auto& s : file.sets)
            if (s.catalogueNumber == choice.satellite)
                set = &s;
        if (!set)
            continue;
        const orbit::Sgp4 model(*set);
        const auto found = orbit::NextPasses(
            model, Tokyo, orbit::JulianDate::FromUnixMilliseconds(std::int64_t(choice.fromUnix * 1000)), 1,
            1);
        if (found.passes.empty())
            continue;
        const auto& pass = found.passes.front();
        if (truthCheck) {
            TruthCheck(model, tle, choice.label, choice.satellite, pass);
            continue;
        }
        for (const auto& setup : setups) {
            const RunResult r = RunPass(model, Tokyo, pass, setup);
            const char* plan = !setup.options.AnySet() ? "—"
                               : !r.planned            ? "as any target"
                               : r.flipped             ? "flipped"
                                                       : "one stretch";
            char longest[32] = "—";
            if (r.longestOver10 > 0)
                std::snprintf(longest, sizeof longest, "%.1f s", r.longestOver10);
            char bound[32] = "—";
            if (r.planned)
                std::snprintf(bound, sizeof bound, "%.1f°", r.bound);
            std::printf("| %s | %s | %s | %.1f° | %.1f° | %.1f° | %.1f°, %.1f° | %s | %.0f %% | %s | %.0f° | "
                        "%.0f |\n",
                        choice.label, setup.label.c_str(), plan, r.median, r.p95, r.max, r.culminationP95,
                        r.culminationMax, bound, 100 * r.withinTolerance, longest, r.azimuthTravelled,
                        r.switchOnsPerMinute);
            std::fflush(stdout);
            kept[std::string(choice.key) + "/" + setup.label] = r;
        }
    }

    if (!plotDir.isEmpty() && !truthCheck) {
        QDir().mkpath(plotDir);
        const struct {
            const char* key;
            const PassChoice& pass;
            double top;
        } plots[] = {{"high", Passes[0], 12}, {"north", Passes[1], 40}, {"overhead", Passes[4], 12}};
        for (const auto& plot : plots) {
            const auto& before = kept[std::string(plot.key) + "/nothing set"];
            const auto& after = kept[std::string(plot.key) + "/lead + pre-position, AZ_TRAVEL=450"];
            const QImage image =
                ErrorPlot(QStringLiteral("Tracking error, %1").arg(QString::fromUtf8(plot.pass.label)),
                          {{QStringLiteral("nothing set"), QColor(192, 57, 43), &before.samples},
                           {QStringLiteral("LEAD=1, PREPOSITION=1, AZ_TRAVEL=450"), QColor(31, 111, 178),
                            &after.samples}},
                          plot.top);
            image.save(
                QDir(plotDir).filePath(QStringLiteral("tracking-error-%1.png").arg(QLatin1String(plot.key))));
        }
    }
    return 0;
}

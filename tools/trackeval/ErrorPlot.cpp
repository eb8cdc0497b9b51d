#include "ErrorPlot.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace {
std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}
} // namespace

std::string ErrorPlotSvg(const std::string& title, const std::vector<PlotLine>& lines, double errorTop) {
    const double width = 900, height = 360, left = 60, right = 20, top = 40, bottom = 50;
    double duration = 1;
    for (const auto& line : lines)
        if (!line.samples->empty())
            duration = std::max(duration, line.samples->back().secondsFromAos);
    const auto x = [&](double s) { return left + s / duration * (width - left - right); };
    const auto y = [&](double e) {
        return top + (1 - std::min(e, errorTop) / errorTop) * (height - top - bottom);
    };

    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
        << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<text x=\"" << left << "\" y=\"22\" font-size=\"14\">" << title << "</text>\n";
    // Grid: every 2 degrees (5 above 20), every minute.
    const double errorStep = errorTop > 20 ? 5 : 2;
    for (double e = 0; e <= errorTop + 1e-9; e += errorStep)
        svg << "<line x1=\"" << left << "\" x2=\"" << width - right << "\" y1=\"" << y(e) << "\" y2=\""
            << y(e) << "\" stroke=\"#ddd\"/><text x=\"" << left - 8 << "\" y=\"" << y(e) + 4
            << "\" text-anchor=\"end\">" << Number(e) << "°</text>\n";
    for (double s = 0; s <= duration; s += 60)
        svg << "<line x1=\"" << x(s) << "\" x2=\"" << x(s) << "\" y1=\"" << top << "\" y2=\""
            << height - bottom << "\" stroke=\"#ddd\"/><text x=\"" << x(s) << "\" y=\""
            << height - bottom + 16 << "\" text-anchor=\"middle\">" << int(s) << " s</text>\n";
    svg << "<line x1=\"" << left << "\" x2=\"" << width - right << "\" y1=\"" << y(1.5) << "\" y2=\""
        << y(1.5) << "\" stroke=\"#888\" stroke-dasharray=\"4 3\"/>\n"
        << "<text x=\"" << width - right << "\" y=\"" << y(1.5) - 4
        << "\" text-anchor=\"end\" fill=\"#555\">tolerance 1.5°</text>\n"
        << "<text x=\"" << (left + width - right) / 2 << "\" y=\"" << height - 12
        << "\" text-anchor=\"middle\">time from AOS (errors above " << Number(errorTop)
        << "° drawn at the top)</text>\n";
    double legendY = top + 14;
    for (const auto& line : lines) {
        svg << "<polyline fill=\"none\" stroke=\"" << line.colour << "\" stroke-width=\"1.2\" points=\"";
        for (const auto& s : *line.samples)
            svg << Number(x(s.secondsFromAos)) << ',' << Number(y(s.error)) << ' ';
        svg << "\"/>\n<text x=\"" << width - right - 8 << "\" y=\"" << legendY
            << "\" text-anchor=\"end\" fill=\"" << line.colour << "\">" << line.label << "</text>\n";
        legendY += 16;
    }
    svg << "</svg>\n";
    return svg.str();
}

#pragma once

#include "TrackRun.h"

#include <string>
#include <vector>

// An SVG picture of the tracking error against time for runs of one pass, one line per run.
struct PlotLine {
    std::string label;
    std::string colour;
    const std::vector<ErrorSample>* samples;
};

std::string ErrorPlotSvg(const std::string& title, const std::vector<PlotLine>& lines, double errorTop);

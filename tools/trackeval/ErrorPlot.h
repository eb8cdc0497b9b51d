// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TrackRun.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <vector>

// A picture of the tracking error against time for runs of one pass, one line per run.
struct PlotLine {
    QString label;
    QColor colour;
    const std::vector<ErrorSample>* samples;
};

// Errors above `errorTop` degrees are drawn at the top edge.
QImage ErrorPlot(const QString& title, const std::vector<PlotLine>& lines, double errorTop);

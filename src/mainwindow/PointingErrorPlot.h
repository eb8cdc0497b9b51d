// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tracking/PassRecord.h"

#include <QWidget>
#include <vector>

// The pointing error of one recorded pass against the time since it began (red, left scale), with its
// median and 95th percentile as dashed lines and the satellite's elevation (blue, right scale 0..90°)
// so that the error can be read against the culmination.
class PointingErrorPlot : public QWidget {
    Q_OBJECT
  public:
    explicit PointingErrorPlot(QWidget* parent = nullptr);

    void SetRecord(const PassRecord& record);
    void Clear();
    const std::vector<PassSample>& samples() const { return samples_; }
    // The top of the error scale, degrees: a round number at or above the largest error, at least 1.
    double ErrorTop() const { return errorTop_; }

    QSize sizeHint() const override { return {560, 300}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<PassSample> samples_;
    ErrorFigures figures_;
    double errorTop_ = 1;
};

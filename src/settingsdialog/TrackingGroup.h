// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/TrackingOptions.h"

#include <QGroupBox>

class QCheckBox;
class QSpinBox;

// The settings dialog's group for section TRACKING ("パス追尾"): lead, pre-positioning and
// its seconds, and the rotators' travel. A travel of 360 (azimuth) or 90 (elevation) degrees means
// the operating range is the travel, as when the key is missing.
class TrackingGroup : public QGroupBox {
  public:
    explicit TrackingGroup(QWidget* parent);

    void Load(const QString& iniPath);
    // Writes all five keys (nothing while no option is set and the file has none of them); false when
    // the file could not be written.
    bool Save(const QString& iniPath) const;

    TrackingOptions Options() const;
    void Show(const TrackingOptions& options);

    QCheckBox* LeadCheck;         // 先行追尾 (LEAD)
    QCheckBox* PrePositionCheck;  // AOS前に待機 (PREPOSITION)
    QSpinBox* PrePositionSeconds; // 待機秒数 (PREPOSITION_SECONDS)
    QSpinBox* AzimuthTravel;      // 水平の回転範囲 (AZ_TRAVEL)
    QSpinBox* ElevationTravel;    // 仰角の回転範囲 (EL_TRAVEL)
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The target that a rotctld client (gpredict, Look4Sat) gives with "P az el", under --link rotctld
// the data source of the satellite boxes. Compass frame. Before the first position the elevation
// is below the horizon, so nothing follows it.
class RemoteTarget {
  public:
    explicit RemoteTarget(QString name = QStringLiteral("rotctld")) : name_(std::move(name)) {}

    static constexpr double NoTargetElevation = -90;

    const QString& name() const { return name_; }
    // Azimuth taken modulo 360 into 0..360.
    void Set(double azimuth, double elevation);

    bool HasPosition() const { return updates_ > 0; }
    double azimuth() const { return azimuth_; }
    double elevation() const { return elevation_; }
    // How many positions came in so far.
    long updates() const { return updates_; }

  private:
    QString name_;
    double azimuth_ = 0;
    double elevation_ = NoTargetElevation;
    long updates_ = 0;
};

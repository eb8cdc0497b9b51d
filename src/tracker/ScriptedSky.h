// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SatelliteScript.h"
#include "SkySource.h"

// The demonstration sky: the scripted satellite of SatelliteScript and the true Sun, Moon and Mars.
class ScriptedSky : public SkySource {
  public:
    ScriptedSky(QString satellite, double latitude, double longitude, double speedup, QDateTime epoch);
    SkySnapshot At(const QDateTime& utc) override;

  private:
    QString satellite_;
    double latitude_, longitude_;
    SatelliteScript script_;
    QDateTime epoch_;
    SkyBodiesCache bodies_;
};

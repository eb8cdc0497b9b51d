// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace orbit {

// What the deep-space part of the model needs from the near-Earth set-up.
struct DeepSpaceInput {
    double epoch = 0; // days since 1950 January 0, 0h
    double ecco = 0, inclo = 0, nodeo = 0, argpo = 0, mo = 0;
    double no = 0; // un-Kozai'd mean motion, radians per minute
    double mdot = 0, argpdot = 0, nodedot = 0;
    double gsto = 0; // sidereal time at the epoch, radians
};

class DeepSpaceTerms;

// Where a resonance integration stood: the model it belongs to (its address and two of its
// constants, so a new model at the same address is not mistaken for it), the time (minutes from the
// epoch, a whole number of half-days), the mean motion and the mean longitude.
struct ResonanceCheckpoint {
    const DeepSpaceTerms* owner = nullptr;
    double xlamo = 0, no = 0;
    double atime = 0, xni = 0, xli = 0;
};

// Lunar and solar perturbations and the 12-hour and 24-hour geopotential resonances, for orbits of
// 225 minutes and more. Set up once; both steps are pure functions of the time
// (the resonance integration keeps a checkpoint per thread only to save work).
class DeepSpaceTerms {
  public:
    void Init(const DeepSpaceInput& input);

    // Secular lunar-solar rates and the resonance integration: updates the mean elements at t
    // (minutes since the epoch).
    void Secular(double t, double& em, double& argpm, double& inclm, double& mm, double& nodem,
                 double& nm) const;

    // Long-period lunar-solar terms added to the mean elements at t.
    void Periodic(double t, double& ep, double& inclp, double& nodep, double& argpp, double& mp) const;

  private:
    ResonanceCheckpoint& CheckpointFor(double t) const;

    DeepSpaceInput in_;
    // Lunar-solar periodic coefficients.
    double e3_ = 0, ee2_ = 0, se2_ = 0, se3_ = 0, sgh2_ = 0, sgh3_ = 0, sgh4_ = 0, sh2_ = 0, sh3_ = 0,
           si2_ = 0, si3_ = 0, sl2_ = 0, sl3_ = 0, sl4_ = 0, xgh2_ = 0, xgh3_ = 0, xgh4_ = 0, xh2_ = 0,
           xh3_ = 0, xi2_ = 0, xi3_ = 0, xl2_ = 0, xl3_ = 0, xl4_ = 0, zmol_ = 0, zmos_ = 0;
    // Secular rates.
    double dedt_ = 0, didt_ = 0, dmdt_ = 0, dnodt_ = 0, domdt_ = 0;
    // Resonance: 0 none, 1 one-day, 2 half-day.
    int irez_ = 0;
    double d2201_ = 0, d2211_ = 0, d3210_ = 0, d3222_ = 0, d4410_ = 0, d4422_ = 0, d5220_ = 0, d5232_ = 0,
           d5421_ = 0, d5433_ = 0, del1_ = 0, del2_ = 0, del3_ = 0, xfact_ = 0, xlamo_ = 0;
};

} // namespace orbit

// SPDX-License-Identifier: GPL-3.0-or-later
#include "orbit/DeepSpace.h"

#include "orbit/Sgp4.h"

#include <cmath>
#include <iterator>
#include <numbers>

namespace orbit {

namespace {

constexpr double TwoPi = 2 * std::numbers::pi;
constexpr double Pi = std::numbers::pi;

// Solar and lunar orbit constants of the model.
constexpr double Zes = 0.01675, Zel = 0.05490;
constexpr double Zns = 1.19459e-5, Znl = 1.5835218e-4;
constexpr double C1ss = 2.9864797e-6, C1l = 4.7968065e-7;
constexpr double Zsinis = 0.39785416, Zcosis = 0.91744867;
constexpr double Zcosgs = 0.1945905, Zsings = -0.98088458;
// Earth rotation, radians per minute.
constexpr double Rptim = 4.37526908801129966e-3;

double Xke() {
    return 60.0 / std::sqrt(wgs72::RadiusKm * wgs72::RadiusKm * wgs72::RadiusKm / wgs72::Mu);
}

// The coefficients of one perturbing body (Sun or Moon) on the orbit.
struct BodyTerms {
    double s1, s2, s3, s4, s5, s6, s7;
    double z1, z2, z3, z11, z12, z13, z21, z22, z23, z31, z32, z33;
};

BodyTerms BodyCoefficients(double zcosg, double zsing, double zcosi, double zsini, double zcosh, double zsinh,
                           double cc, double nm, double em, double cosim, double sinim, double cosomm,
                           double sinomm) {
    const double emsq = em * em;
    const double betasq = 1 - emsq;
    const double rtemsq = std::sqrt(betasq);
    const double a1 = zcosg * zcosh + zsing * zcosi * zsinh;
    const double a3 = -zsing * zcosh + zcosg * zcosi * zsinh;
    const double a7 = -zcosg * zsinh + zsing * zcosi * zcosh;
    const double a8 = zsing * zsini;
    const double a9 = zsing * zsinh + zcosg * zcosi * zcosh;
    const double a10 = zcosg * zsini;
    const double a2 = cosim * a7 + sinim * a8;
    const double a4 = cosim * a9 + sinim * a10;
    const double a5 = -sinim * a7 + cosim * a8;
    const double a6 = -sinim * a9 + cosim * a10;

    const double x1 = a1 * cosomm + a2 * sinomm;
    const double x2 = a3 * cosomm + a4 * sinomm;
    const double x3 = -a1 * sinomm + a2 * cosomm;
    const double x4 = -a3 * sinomm + a4 * cosomm;
    const double x5 = a5 * sinomm;
    const double x6 = a6 * sinomm;
    const double x7 = a5 * cosomm;
    const double x8 = a6 * cosomm;

    BodyTerms b;
    b.z31 = 12 * x1 * x1 - 3 * x3 * x3;
    b.z32 = 24 * x1 * x2 - 6 * x3 * x4;
    b.z33 = 12 * x2 * x2 - 3 * x4 * x4;
    b.z1 = 3 * (a1 * a1 + a2 * a2) + b.z31 * emsq;
    b.z2 = 6 * (a1 * a3 + a2 * a4) + b.z32 * emsq;
    b.z3 = 3 * (a3 * a3 + a4 * a4) + b.z33 * emsq;
    b.z11 = -6 * a1 * a5 + emsq * (-24 * x1 * x7 - 6 * x3 * x5);
    b.z12 = -6 * (a1 * a6 + a3 * a5) + emsq * (-24 * (x2 * x7 + x1 * x8) - 6 * (x3 * x6 + x4 * x5));
    b.z13 = -6 * a3 * a6 + emsq * (-24 * x2 * x8 - 6 * x4 * x6);
    b.z21 = 6 * a2 * a5 + emsq * (24 * x1 * x5 - 6 * x3 * x7);
    b.z22 = 6 * (a4 * a5 + a2 * a6) + emsq * (24 * (x2 * x5 + x1 * x6) - 6 * (x4 * x7 + x3 * x8));
    b.z23 = 6 * a4 * a6 + emsq * (24 * x2 * x6 - 6 * x4 * x8);
    b.z1 = b.z1 + b.z1 + betasq * b.z31;
    b.z2 = b.z2 + b.z2 + betasq * b.z32;
    b.z3 = b.z3 + b.z3 + betasq * b.z33;
    b.s3 = cc / nm;
    b.s2 = -0.5 * b.s3 / rtemsq;
    b.s4 = b.s3 * rtemsq;
    b.s1 = -15 * em * b.s4;
    b.s5 = x1 * x3 + x2 * x4;
    b.s6 = x2 * x3 + x1 * x4;
    b.s7 = x2 * x4 - x1 * x3;
    return b;
}

} // namespace

void DeepSpaceTerms::Init(const DeepSpaceInput& input) {
    in_ = input;
    const double em = input.ecco;
    const double nm = input.no;
    const double snodm = std::sin(input.nodeo), cnodm = std::cos(input.nodeo);
    const double sinomm = std::sin(input.argpo), cosomm = std::cos(input.argpo);
    const double sinim = std::sin(input.inclo), cosim = std::cos(input.inclo);
    const double emsq = em * em;

    // The Moon's orbit at the epoch.
    const double day = input.epoch + 18261.5; // days since 2000 January 1.5
    const double xnodce = std::fmod(4.5236020 - 9.2422029e-4 * day, TwoPi);
    const double stem = std::sin(xnodce), ctem = std::cos(xnodce);
    const double zcosil = 0.91375164 - 0.03568096 * ctem;
    const double zsinil = std::sqrt(1 - zcosil * zcosil);
    const double zsinhl = 0.089683511 * stem / zsinil;
    const double zcoshl = std::sqrt(1 - zsinhl * zsinhl);
    const double gam = 5.8351514 + 0.0019443680 * day;
    double zx = 0.39785416 * stem / zsinil;
    const double zy = zcoshl * ctem + 0.91744867 * zsinhl * stem;
    zx = std::atan2(zx, zy);
    zx = gam + zx - xnodce;
    const double zcosgl = std::cos(zx), zsingl = std::sin(zx);

    const BodyTerms sun = BodyCoefficients(Zcosgs, Zsings, Zcosis, Zsinis, cnodm, snodm, C1ss, nm, em, cosim,
                                           sinim, cosomm, sinomm);
    const BodyTerms moon =
        BodyCoefficients(zcosgl, zsingl, zcosil, zsinil, zcoshl * cnodm + zsinhl * snodm,
                         snodm * zcoshl - cnodm * zsinhl, C1l, nm, em, cosim, sinim, cosomm, sinomm);
    zmol_ = std::fmod(4.7199672 + 0.22997150 * day - gam, TwoPi);
    zmos_ = std::fmod(6.2565837 + 0.017201977 * day, TwoPi);

    se2_ = 2 * sun.s1 * sun.s6;
    se3_ = 2 * sun.s1 * sun.s7;
    si2_ = 2 * sun.s2 * sun.z12;
    si3_ = 2 * sun.s2 * (sun.z13 - sun.z11);
    sl2_ = -2 * sun.s3 * sun.z2;
    sl3_ = -2 * sun.s3 * (sun.z3 - sun.z1);
    sl4_ = -2 * sun.s3 * (-21 - 9 * emsq) * Zes;
    sgh2_ = 2 * sun.s4 * sun.z32;
    sgh3_ = 2 * sun.s4 * (sun.z33 - sun.z31);
    sgh4_ = -18 * sun.s4 * Zes;
    sh2_ = -2 * sun.s2 * sun.z22;
    sh3_ = -2 * sun.s2 * (sun.z23 - sun.z21);
    ee2_ = 2 * moon.s1 * moon.s6;
    e3_ = 2 * moon.s1 * moon.s7;
    xi2_ = 2 * moon.s2 * moon.z12;
    xi3_ = 2 * moon.s2 * (moon.z13 - moon.z11);
    xl2_ = -2 * moon.s3 * moon.z2;
    xl3_ = -2 * moon.s3 * (moon.z3 - moon.z1);
    xl4_ = -2 * moon.s3 * (-21 - 9 * emsq) * Zel;
    xgh2_ = 2 * moon.s4 * moon.z32;
    xgh3_ = 2 * moon.s4 * (moon.z33 - moon.z31);
    xgh4_ = -18 * moon.s4 * Zel;
    xh2_ = -2 * moon.s2 * moon.z22;
    xh3_ = -2 * moon.s2 * (moon.z23 - moon.z21);

    // Secular lunar-solar rates. Near 0 and 180 degrees the node is undefined: no node rate there.
    const bool equatorial = input.inclo < 5.2359877e-2 || input.inclo > Pi - 5.2359877e-2;
    const double ses = sun.s1 * Zns * sun.s5;
    const double sis = sun.s2 * Zns * (sun.z11 + sun.z13);
    const double sls = -Zns * sun.s3 * (sun.z1 + sun.z3 - 14 - 6 * emsq);
    const double sghs = sun.s4 * Zns * (sun.z31 + sun.z33 - 6);
    double shs = equatorial ? 0 : -Zns * sun.s2 * (sun.z21 + sun.z23);
    if (sinim != 0)
        shs = shs / sinim;
    const double sgs = sghs - cosim * shs;
    dedt_ = ses + moon.s1 * Znl * moon.s5;
    didt_ = sis + moon.s2 * Znl * (moon.z11 + moon.z13);
    dmdt_ = sls - Znl * moon.s3 * (moon.z1 + moon.z3 - 14 - 6 * emsq);
    const double sghl = moon.s4 * Znl * (moon.z31 + moon.z33 - 6);
    const double shll = equatorial ? 0 : -Znl * moon.s2 * (moon.z21 + moon.z23);
    domdt_ = sgs + sghl;
    dnodt_ = shs;
    if (sinim != 0) {
        domdt_ = domdt_ - cosim / sinim * shll;
        dnodt_ = dnodt_ + shll / sinim;
    }

    // Geopotential resonance: one-day (geostationary) and half-day (Molniya) orbits.
    irez_ = 0;
    if (nm < 0.0052359877 && nm > 0.0034906585)
        irez_ = 1;
    if (nm >= 8.26e-3 && nm <= 9.24e-3 && em >= 0.5)
        irez_ = 2;
    if (irez_ == 0)
        return;

    const double theta = std::fmod(input.gsto, TwoPi);
    const double aonv = std::pow(nm / Xke(), 2.0 / 3.0);
    if (irez_ == 2) {
        constexpr double Root22 = 1.7891679e-6, Root44 = 7.3636953e-9, Root54 = 2.1765803e-9;
        constexpr double Root32 = 3.7393792e-7, Root52 = 1.1428639e-7;
        const double cosisq = cosim * cosim;
        const double eoc = em * emsq;
        const double g201 = -0.306 - (em - 0.64) * 0.440;
        double g211, g310, g322, g410, g422, g520, g521, g532, g533;
        if (em <= 0.65) {
            g211 = 3.616 - 13.2470 * em + 16.2900 * emsq;
            g310 = -19.302 + 117.3900 * em - 228.4190 * emsq + 156.5910 * eoc;
            g322 = -18.9068 + 109.7927 * em - 214.6334 * emsq + 146.5816 * eoc;
            g410 = -41.122 + 242.6940 * em - 471.0940 * emsq + 313.9530 * eoc;
            g422 = -146.407 + 841.8800 * em - 1629.014 * emsq + 1083.4350 * eoc;
            g520 = -532.114 + 3017.977 * em - 5740.032 * emsq + 3708.2760 * eoc;
        } else {
            g211 = -72.099 + 331.819 * em - 508.738 * emsq + 266.724 * eoc;
            g310 = -346.844 + 1582.851 * em - 2415.925 * emsq + 1246.113 * eoc;
            g322 = -342.585 + 1554.908 * em - 2366.899 * emsq + 1215.972 * eoc;
            g410 = -1052.797 + 4758.686 * em - 7193.992 * emsq + 3651.957 * eoc;
            g422 = -3581.690 + 16178.110 * em - 24462.770 * emsq + 12422.520 * eoc;
            if (em > 0.715)
                g520 = -5149.66 + 29936.92 * em - 54087.36 * emsq + 31324.56 * eoc;
            else
                g520 = 1464.74 - 4664.75 * em + 3763.64 * emsq;
        }
        if (em < 0.7) {
            g533 = -919.22770 + 4988.6100 * em - 9064.7700 * emsq + 5542.21 * eoc;
            g521 = -822.71072 + 4568.6173 * em - 8491.4146 * emsq + 5337.524 * eoc;
            g532 = -853.66600 + 4690.2500 * em - 8624.7700 * emsq + 5341.4 * eoc;
        } else {
            g533 = -37995.780 + 161616.52 * em - 229838.20 * emsq + 109377.94 * eoc;
            g521 = -51752.104 + 218913.95 * em - 309468.16 * emsq + 146349.42 * eoc;
            g532 = -40023.880 + 170470.89 * em - 242699.48 * emsq + 115605.82 * eoc;
        }
        const double sini2 = sinim * sinim;
        const double f220 = 0.75 * (1 + 2 * cosim + cosisq);
        const double f221 = 1.5 * sini2;
        const double f321 = 1.875 * sinim * (1 - 2 * cosim - 3 * cosisq);
        const double f322 = -1.875 * sinim * (1 + 2 * cosim - 3 * cosisq);
        const double f441 = 35 * sini2 * f220;
        const double f442 = 39.3750 * sini2 * sini2;
        const double f522 =
            9.84375 * sinim *
            (sini2 * (1 - 2 * cosim - 5 * cosisq) + 0.33333333 * (-2 + 4 * cosim + 6 * cosisq));
        const double f523 = sinim * (4.92187512 * sini2 * (-2 - 4 * cosim + 10 * cosisq) +
                                     6.56250012 * (1 + 2 * cosim - 3 * cosisq));
        const double f542 = 29.53125 * sinim * (2 - 8 * cosim + cosisq * (-12 + 8 * cosim + 10 * cosisq));
        const double f543 = 29.53125 * sinim * (-2 - 8 * cosim + cosisq * (12 + 8 * cosim - 10 * cosisq));
        double temp1 = 3 * nm * nm * aonv * aonv;
        double temp = temp1 * Root22;
        d2201_ = temp * f220 * g201;
        d2211_ = temp * f221 * g211;
        temp1 = temp1 * aonv;
        temp = temp1 * Root32;
        d3210_ = temp * f321 * g310;
        d3222_ = temp * f322 * g322;
        temp1 = temp1 * aonv;
        temp = 2 * temp1 * Root44;
        d4410_ = temp * f441 * g410;
        d4422_ = temp * f442 * g422;
        temp1 = temp1 * aonv;
        temp = temp1 * Root52;
        d5220_ = temp * f522 * g520;
        d5232_ = temp * f523 * g532;
        temp = 2 * temp1 * Root54;
        d5421_ = temp * f542 * g521;
        d5433_ = temp * f543 * g533;
        xlamo_ = std::fmod(input.mo + input.nodeo + input.nodeo - theta - theta, TwoPi);
        xfact_ = input.mdot + dmdt_ + 2 * (input.nodedot + dnodt_ - Rptim) - input.no;
    } else {
        constexpr double Q22 = 1.7891679e-6, Q31 = 2.1460748e-6, Q33 = 2.2123015e-7;
        const double g200 = 1 + emsq * (-2.5 + 0.8125 * emsq);
        const double g310 = 1 + 2 * emsq;
        const double g300 = 1 + emsq * (-6 + 6.60937 * emsq);
        const double f220 = 0.75 * (1 + cosim) * (1 + cosim);
        const double f311 = 0.9375 * sinim * sinim * (1 + 3 * cosim) - 0.75 * (1 + cosim);
        double f330 = 1 + cosim;
        f330 = 1.875 * f330 * f330 * f330;
        const double del1 = 3 * nm * nm * aonv * aonv;
        del2_ = 2 * del1 * f220 * g200 * Q22;
        del3_ = 3 * del1 * f330 * g300 * Q33 * aonv;
        del1_ = del1 * f311 * g310 * Q31 * aonv;
        xlamo_ = std::fmod(input.mo + input.nodeo + input.argpo - theta, TwoPi);
        const double xpidot = input.argpdot + input.nodedot;
        xfact_ = input.mdot + xpidot - Rptim + dmdt_ + domdt_ + dnodt_ - input.no;
    }
}

namespace {

// Integration states kept per thread, a few satellites' worth, so no two threads share one.
thread_local ResonanceCheckpoint checkpoints[16];
thread_local unsigned nextCheckpoint = 0;

} // namespace

// The saved state of this model's integration on this thread that lies between the epoch and t
// (on t's side of it), or a fresh one at the epoch.
ResonanceCheckpoint& DeepSpaceTerms::CheckpointFor(double t) const {
    ResonanceCheckpoint* found = nullptr;
    for (ResonanceCheckpoint& c : checkpoints)
        if (c.owner == this && c.xlamo == xlamo_ && c.no == in_.no) {
            found = &c;
            break;
        }
    if (!found) {
        found = &checkpoints[nextCheckpoint++ % std::size(checkpoints)];
        found->owner = nullptr;
    }
    const bool usable =
        found->owner == this && found->atime * t >= 0 && std::fabs(found->atime) <= std::fabs(t);
    if (!usable)
        *found = {this, xlamo_, in_.no, 0, in_.no, xlamo_};
    return *found;
}

void DeepSpaceTerms::Secular(double t, double& em, double& argpm, double& inclm, double& mm, double& nodem,
                             double& nm) const {
    constexpr double Fasx2 = 0.13130908, Fasx4 = 2.8843198, Fasx6 = 0.37448087;
    constexpr double G22 = 5.7686396, G32 = 0.95240898, G44 = 1.8014998, G52 = 1.0508330, G54 = 4.4108898;
    constexpr double StepPlus = 720, StepMinus = -720, Step2 = 259200;

    const double theta = std::fmod(in_.gsto + t * Rptim, TwoPi);
    em = em + dedt_ * t;
    inclm = inclm + didt_ * t;
    argpm = argpm + domdt_ * t;
    nodem = nodem + dnodt_ * t;
    mm = mm + dmdt_ * t;
    if (irez_ == 0)
        return;

    // Integrate the resonant mean longitude and mean motion from the epoch in half-day steps. The
    // steps fall on whole half-days from the epoch whatever the time asked for, so the integration
    // may resume from where an earlier call on this thread left it, with the same numbers: a set
    // years old then costs a few steps a call rather than thousands.
    const double delt = t > 0 ? StepPlus : StepMinus;
    ResonanceCheckpoint& saved = CheckpointFor(t);
    double atime = saved.atime, xni = saved.xni, xli = saved.xli;
    double xndt = 0, xldot = 0, xnddt = 0, ft = 0;
    for (;;) {
        if (irez_ != 2) {
            xndt = del1_ * std::sin(xli - Fasx2) + del2_ * std::sin(2 * (xli - Fasx4)) +
                   del3_ * std::sin(3 * (xli - Fasx6));
            xldot = xni + xfact_;
            xnddt = del1_ * std::cos(xli - Fasx2) + 2 * del2_ * std::cos(2 * (xli - Fasx4)) +
                    3 * del3_ * std::cos(3 * (xli - Fasx6));
            xnddt = xnddt * xldot;
        } else {
            const double xomi = in_.argpo + in_.argpdot * atime;
            const double x2omi = xomi + xomi;
            const double x2li = xli + xli;
            xndt = d2201_ * std::sin(x2omi + xli - G22) + d2211_ * std::sin(xli - G22) +
                   d3210_ * std::sin(xomi + xli - G32) + d3222_ * std::sin(-xomi + xli - G32) +
                   d4410_ * std::sin(x2omi + x2li - G44) + d4422_ * std::sin(x2li - G44) +
                   d5220_ * std::sin(xomi + xli - G52) + d5232_ * std::sin(-xomi + xli - G52) +
                   d5421_ * std::sin(xomi + x2li - G54) + d5433_ * std::sin(-xomi + x2li - G54);
            xldot = xni + xfact_;
            xnddt = d2201_ * std::cos(x2omi + xli - G22) + d2211_ * std::cos(xli - G22) +
                    d3210_ * std::cos(xomi + xli - G32) + d3222_ * std::cos(-xomi + xli - G32) +
                    d5220_ * std::cos(xomi + xli - G52) + d5232_ * std::cos(-xomi + xli - G52) +
                    2 * (d4410_ * std::cos(x2omi + x2li - G44) + d4422_ * std::cos(x2li - G44) +
                         d5421_ * std::cos(xomi + x2li - G54) + d5433_ * std::cos(-xomi + x2li - G54));
            xnddt = xnddt * xldot;
        }
        if (std::fabs(t - atime) < StepPlus) {
            ft = t - atime;
            break;
        }
        xli = xli + xldot * delt + xndt * Step2;
        xni = xni + xndt * delt + xnddt * Step2;
        atime = atime + delt;
    }
    saved = {this, xlamo_, in_.no, atime, xni, xli};
    nm = xni + xndt * ft + xnddt * ft * ft * 0.5;
    const double xl = xli + xldot * ft + xndt * ft * ft * 0.5;
    if (irez_ != 1)
        mm = xl - 2 * nodem + 2 * theta;
    else
        mm = xl - nodem - argpm + theta;
}

void DeepSpaceTerms::Periodic(double t, double& ep, double& inclp, double& nodep, double& argpp,
                              double& mp) const {
    double zm = zmos_ + Zns * t;
    double zf = zm + 2 * Zes * std::sin(zm);
    double sinzf = std::sin(zf);
    double f2 = 0.5 * sinzf * sinzf - 0.25;
    double f3 = -0.5 * sinzf * std::cos(zf);
    const double ses = se2_ * f2 + se3_ * f3;
    const double sis = si2_ * f2 + si3_ * f3;
    const double sls = sl2_ * f2 + sl3_ * f3 + sl4_ * sinzf;
    const double sghs = sgh2_ * f2 + sgh3_ * f3 + sgh4_ * sinzf;
    const double shs = sh2_ * f2 + sh3_ * f3;
    zm = zmol_ + Znl * t;
    zf = zm + 2 * Zel * std::sin(zm);
    sinzf = std::sin(zf);
    f2 = 0.5 * sinzf * sinzf - 0.25;
    f3 = -0.5 * sinzf * std::cos(zf);
    const double sel = ee2_ * f2 + e3_ * f3;
    const double sil = xi2_ * f2 + xi3_ * f3;
    const double sll = xl2_ * f2 + xl3_ * f3 + xl4_ * sinzf;
    const double sghl = xgh2_ * f2 + xgh3_ * f3 + xgh4_ * sinzf;
    const double shll = xh2_ * f2 + xh3_ * f3;
    // The terms at the epoch are zero by construction, so nothing is subtracted.
    const double pe = ses + sel;
    const double pinc = sis + sil;
    const double pl = sls + sll;
    double pgh = sghs + sghl;
    double ph = shs + shll;

    inclp = inclp + pinc;
    ep = ep + pe;
    const double sinip = std::sin(inclp), cosip = std::cos(inclp);
    if (inclp >= 0.2) {
        ph = ph / sinip;
        pgh = pgh - cosip * ph;
        argpp = argpp + pgh;
        nodep = nodep + ph;
        mp = mp + pl;
        return;
    }
    // Low inclination: apply the node and perigee terms through Lyddane's variables.
    const double sinop = std::sin(nodep), cosop = std::cos(nodep);
    double alfdp = sinip * sinop;
    double betdp = sinip * cosop;
    const double dalf = ph * cosop + pinc * cosip * sinop;
    const double dbet = -ph * sinop + pinc * cosip * cosop;
    alfdp = alfdp + dalf;
    betdp = betdp + dbet;
    nodep = std::fmod(nodep, TwoPi);
    double xls = mp + argpp + cosip * nodep;
    const double dls = pl + pgh - pinc * nodep * sinip;
    xls = xls + dls;
    const double xnoh = nodep;
    nodep = std::atan2(alfdp, betdp);
    // Keep the node on the same branch as before the correction.
    if (std::fabs(xnoh - nodep) > Pi) {
        if (nodep < xnoh)
            nodep = nodep + TwoPi;
        else
            nodep = nodep - TwoPi;
    }
    mp = mp + pl;
    argpp = xls - mp - cosip * nodep;
}

} // namespace orbit

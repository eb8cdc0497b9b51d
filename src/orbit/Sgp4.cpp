// SPDX-License-Identifier: GPL-3.0-or-later
#include "orbit/Sgp4.h"

#include <cmath>
#include <numbers>

namespace orbit {

namespace {

constexpr double TwoPi = 2 * std::numbers::pi;
constexpr double Pi = std::numbers::pi;
constexpr double Degree = Pi / 180;
constexpr double X2o3 = 2.0 / 3.0;
constexpr double MinutesPerDay = 1440;
// Days from the Julian day count to 1950 January 0, 0h, the model's own epoch origin.
constexpr double Jd1950 = 2433281.5;

const double Xke = 60.0 / std::sqrt(wgs72::RadiusKm * wgs72::RadiusKm * wgs72::RadiusKm / wgs72::Mu);
constexpr double J3oj2 = wgs72::J3 / wgs72::J2;

} // namespace

const char* Describe(Sgp4Error error) {
    switch (error) {
    case Sgp4Error::None:
        return "no error";
    case Sgp4Error::MeanEccentricity:
        return "mean eccentricity out of range (the orbit has decayed in the model)";
    case Sgp4Error::MeanMotion:
        return "mean motion below zero";
    case Sgp4Error::PerturbedEccentricity:
        return "perturbed eccentricity out of range";
    case Sgp4Error::SemiLatusRectum:
        return "semi-latus rectum below zero";
    case Sgp4Error::Decayed:
        return "the satellite has decayed";
    }
    return "unknown error";
}

double GreenwichSiderealTime(double jdut1) {
    const double tut1 = (jdut1 - 2451545.0) / 36525.0;
    double seconds = -6.2e-6 * tut1 * tut1 * tut1 + 0.093104 * tut1 * tut1 +
                     (876600.0 * 3600 + 8640184.812866) * tut1 + 67310.54841;
    // 240 seconds of time are one degree.
    double angle = std::fmod(seconds * Degree / 240.0, TwoPi);
    if (angle < 0)
        angle += TwoPi;
    return angle;
}

Sgp4::Sgp4(const ElementSet& elements) : elements_(elements) {
    using namespace wgs72;
    constexpr double RevPerDayToRadPerMin = TwoPi / MinutesPerDay;
    noKozai_ = elements.meanMotion * RevPerDayToRadPerMin;
    ecco_ = elements.eccentricity;
    inclo_ = elements.inclination * Degree;
    nodeo_ = elements.rightAscension * Degree;
    argpo_ = elements.argumentOfPerigee * Degree;
    mo_ = elements.meanAnomaly * Degree;
    bstar_ = elements.bstar;
    const double epoch = elements.EpochJulianWhole() - Jd1950 + elements.EpochJulianFraction();
    gsto_ = GreenwichSiderealTime(elements.EpochJulianWhole() + elements.EpochJulianFraction());

    // Recover the original mean motion and semi-major axis from the Kozai mean motion.
    const double eccsq = ecco_ * ecco_;
    const double omeosq = 1 - eccsq;
    const double rteosq = std::sqrt(omeosq);
    const double cosio = std::cos(inclo_);
    const double cosio2 = cosio * cosio;
    const double ak = std::pow(Xke / noKozai_, X2o3);
    const double d1 = 0.75 * J2 * (3 * cosio2 - 1) / (rteosq * omeosq);
    double del = d1 / (ak * ak);
    const double adel = ak * (1 - del * del - del * (1.0 / 3.0 + 134 * del * del / 81));
    del = d1 / (adel * adel);
    no_ = noKozai_ / (1 + del);
    const double ao = std::pow(Xke / no_, X2o3);
    const double sinio = std::sin(inclo_);
    const double po = ao * omeosq;
    const double con42 = 1 - 5 * cosio2;
    con41_ = -con42 - cosio2 - cosio2;
    const double posq = po * po;
    const double rp = ao * (1 - ecco_);

    // Atmosphere: density parameters of the model, adjusted for low perigees.
    const double ss = 78.0 / RadiusKm + 1;
    const double qzms2t = std::pow((120.0 - 78.0) / RadiusKm, 4);
    if (omeosq >= 0 || no_ >= 0) {
        simpleDrag_ = rp < 220.0 / RadiusKm + 1;
        double sfour = ss;
        double qzms24 = qzms2t;
        const double perige = (rp - 1) * RadiusKm;
        if (perige < 156) {
            sfour = perige - 78;
            if (perige < 98)
                sfour = 20;
            qzms24 = std::pow((120 - sfour) / RadiusKm, 4);
            sfour = sfour / RadiusKm + 1;
        }
        const double pinvsq = 1 / posq;
        const double tsi = 1 / (ao - sfour);
        eta_ = ao * ecco_ * tsi;
        const double etasq = eta_ * eta_;
        const double eeta = ecco_ * eta_;
        const double psisq = std::fabs(1 - etasq);
        const double coef = qzms24 * std::pow(tsi, 4);
        const double coef1 = coef / std::pow(psisq, 3.5);
        const double cc2 = coef1 * no_ *
                           (ao * (1 + 1.5 * etasq + eeta * (4 + etasq)) +
                            0.375 * J2 * tsi / psisq * con41_ * (8 + 3 * etasq * (8 + etasq)));
        cc1_ = bstar_ * cc2;
        double cc3 = 0;
        if (ecco_ > 1e-4)
            cc3 = -2 * coef * tsi * J3oj2 * no_ * sinio / ecco_;
        x1mth2_ = 1 - cosio2;
        cc4_ = 2 * no_ * coef1 * ao * omeosq *
               (eta_ * (2 + 0.5 * etasq) + ecco_ * (0.5 + 2 * etasq) -
                J2 * tsi / (ao * psisq) *
                    (-3 * con41_ * (1 - 2 * eeta + etasq * (1.5 - 0.5 * eeta)) +
                     0.75 * x1mth2_ * (2 * etasq - eeta * (1 + etasq)) * std::cos(2 * argpo_)));
        cc5_ = 2 * coef1 * ao * omeosq * (1 + 2.75 * (etasq + eeta) + eeta * etasq);

        // Secular rates of the mean anomaly, perigee and node from J2 and J4.
        const double cosio4 = cosio2 * cosio2;
        const double temp1 = 1.5 * J2 * pinvsq * no_;
        const double temp2 = 0.5 * temp1 * J2 * pinvsq;
        const double temp3 = -0.46875 * J4 * pinvsq * pinvsq * no_;
        mdot_ =
            no_ + 0.5 * temp1 * rteosq * con41_ + 0.0625 * temp2 * rteosq * (13 - 78 * cosio2 + 137 * cosio4);
        argpdot_ = -0.5 * temp1 * con42 + 0.0625 * temp2 * (7 - 114 * cosio2 + 395 * cosio4) +
                   temp3 * (3 - 36 * cosio2 + 49 * cosio4);
        const double xhdot1 = -temp1 * cosio;
        nodedot_ = xhdot1 + (0.5 * temp2 * (4 - 19 * cosio2) + 2 * temp3 * (3 - 7 * cosio2)) * cosio;
        omgcof_ = bstar_ * cc3 * std::cos(argpo_);
        xmcof_ = 0;
        if (ecco_ > 1e-4)
            xmcof_ = -X2o3 * coef * bstar_ / eeta;
        nodecf_ = 3.5 * omeosq * xhdot1 * cc1_;
        t2cof_ = 1.5 * cc1_;
        // Avoid the division by zero for an inclination of 180 degrees.
        const double onePlusCos = std::fabs(cosio + 1) > 1.5e-12 ? 1 + cosio : 1.5e-12;
        xlcof_ = -0.25 * J3oj2 * sinio * (3 + 5 * cosio) / onePlusCos;
        aycof_ = -0.5 * J3oj2 * sinio;
        const double delmotemp = 1 + eta_ * std::cos(mo_);
        delmo_ = delmotemp * delmotemp * delmotemp;
        sinmao_ = std::sin(mo_);
        x7thm1_ = 7 * cosio2 - 1;

        if (TwoPi / no_ >= 225) {
            deepSpace_ = true;
            simpleDrag_ = true;
            DeepSpaceInput input;
            input.epoch = epoch;
            input.ecco = ecco_;
            input.inclo = inclo_;
            input.nodeo = nodeo_;
            input.argpo = argpo_;
            input.mo = mo_;
            input.no = no_;
            input.mdot = mdot_;
            input.argpdot = argpdot_;
            input.nodedot = nodedot_;
            input.gsto = gsto_;
            deep_.Init(input);
        }

        if (!simpleDrag_) {
            const double cc1sq = cc1_ * cc1_;
            d2_ = 4 * ao * tsi * cc1sq;
            const double temp = d2_ * tsi * cc1_ / 3;
            d3_ = (17 * ao + sfour) * temp;
            d4_ = 0.5 * temp * ao * tsi * (221 * ao + 31 * sfour) * cc1_;
            t3cof_ = d2_ + 2 * cc1sq;
            t4cof_ = 0.25 * (3 * d3_ + cc1_ * (12 * d2_ + 10 * cc1sq));
            t5cof_ = 0.2 * (3 * d4_ + 12 * cc1_ * d3_ + 6 * d2_ * d2_ + 15 * cc1sq * (2 * d2_ + cc1sq));
        }
    }
    initError_ = Propagate(0).error;
}

double Sgp4::MinutesSinceEpoch(double julianWhole, double julianFraction) const {
    return ((julianWhole - elements_.EpochJulianWhole()) +
            (julianFraction - elements_.EpochJulianFraction())) *
           MinutesPerDay;
}

namespace {
thread_local std::uint64_t propagations = 0;
} // namespace

std::uint64_t PropagationCount() {
    return propagations;
}

Sgp4Result Sgp4::Propagate(double t) const {
    using namespace wgs72;
    ++propagations;
    Sgp4Result result;

    // Secular gravity and atmospheric drag.
    const double xmdf = mo_ + mdot_ * t;
    const double argpdf = argpo_ + argpdot_ * t;
    const double nodedf = nodeo_ + nodedot_ * t;
    double argpm = argpdf;
    double mm = xmdf;
    const double t2 = t * t;
    double nodem = nodedf + nodecf_ * t2;
    double tempa = 1 - cc1_ * t;
    double tempe = bstar_ * cc4_ * t;
    double templ = t2cof_ * t2;
    if (!simpleDrag_) {
        const double delomg = omgcof_ * t;
        const double delmtemp = 1 + eta_ * std::cos(xmdf);
        const double delm = xmcof_ * (delmtemp * delmtemp * delmtemp - delmo_);
        const double temp = delomg + delm;
        mm = xmdf + temp;
        argpm = argpdf - temp;
        const double t3 = t2 * t;
        const double t4 = t3 * t;
        tempa = tempa - d2_ * t2 - d3_ * t3 - d4_ * t4;
        tempe = tempe + bstar_ * cc5_ * (std::sin(mm) - sinmao_);
        templ = templ + t3cof_ * t3 + t4 * (t4cof_ + t * t5cof_);
    }
    double nm = no_;
    double em = ecco_;
    double inclm = inclo_;
    if (deepSpace_)
        deep_.Secular(t, em, argpm, inclm, mm, nodem, nm);

    if (nm <= 0) {
        result.error = Sgp4Error::MeanMotion;
        return result;
    }
    const double am = std::pow(Xke / nm, X2o3) * tempa * tempa;
    nm = Xke / std::pow(am, 1.5);
    em = em - tempe;
    if (em >= 1 || em < -0.001) {
        result.error = Sgp4Error::MeanEccentricity;
        return result;
    }
    if (em < 1e-6)
        em = 1e-6;
    mm = mm + no_ * templ;
    double xlm = mm + argpm + nodem;
    nodem = std::fmod(nodem, TwoPi);
    argpm = std::fmod(argpm, TwoPi);
    xlm = std::fmod(xlm, TwoPi);
    mm = std::fmod(xlm - argpm - nodem, TwoPi);
    result.state.meanAnomaly = mm < 0 ? mm + TwoPi : mm;

    // Lunar-solar periodics.
    double ep = em, xincp = inclm, argpp = argpm, nodep = nodem, mp = mm;
    double sinip = std::sin(inclm), cosip = std::cos(inclm);
    double aycof = aycof_, xlcof = xlcof_, con41 = con41_, x1mth2 = x1mth2_, x7thm1 = x7thm1_;
    if (deepSpace_) {
        deep_.Periodic(t, ep, xincp, nodep, argpp, mp);
        if (xincp < 0) {
            xincp = -xincp;
            nodep = nodep + Pi;
            argpp = argpp - Pi;
        }
        if (ep < 0 || ep > 1) {
            result.error = Sgp4Error::PerturbedEccentricity;
            return result;
        }
        sinip = std::sin(xincp);
        cosip = std::cos(xincp);
        aycof = -0.5 * J3oj2 * sinip;
        const double onePlusCos = std::fabs(cosip + 1) > 1.5e-12 ? 1 + cosip : 1.5e-12;
        xlcof = -0.25 * J3oj2 * sinip * (3 + 5 * cosip) / onePlusCos;
        const double cosisq = cosip * cosip;
        con41 = 3 * cosisq - 1;
        x1mth2 = 1 - cosisq;
        x7thm1 = 7 * cosisq - 1;
    }

    // Long-period periodics.
    const double axnl = ep * std::cos(argpp);
    double temp = 1 / (am * (1 - ep * ep));
    const double aynl = ep * std::sin(argpp) + temp * aycof;
    const double xl = mp + argpp + nodep + temp * xlcof * axnl;

    // Kepler's equation in the equinoctial variables, Newton steps limited to 0.95 rad.
    const double u = std::fmod(xl - nodep, TwoPi);
    double eo1 = u;
    double tem5 = 9999.9;
    double sineo1 = 0, coseo1 = 0;
    for (int k = 1; std::fabs(tem5) >= 1e-12 && k <= 10; ++k) {
        sineo1 = std::sin(eo1);
        coseo1 = std::cos(eo1);
        tem5 = 1 - coseo1 * axnl - sineo1 * aynl;
        tem5 = (u - aynl * coseo1 + axnl * sineo1 - eo1) / tem5;
        if (std::fabs(tem5) >= 0.95)
            tem5 = tem5 > 0 ? 0.95 : -0.95;
        eo1 = eo1 + tem5;
    }

    // Short-period periodics.
    const double ecose = axnl * coseo1 + aynl * sineo1;
    const double esine = axnl * sineo1 - aynl * coseo1;
    const double el2 = axnl * axnl + aynl * aynl;
    const double pl = am * (1 - el2);
    if (pl < 0) {
        result.error = Sgp4Error::SemiLatusRectum;
        return result;
    }
    const double rl = am * (1 - ecose);
    const double rdotl = std::sqrt(am) * esine / rl;
    const double rvdotl = std::sqrt(pl) / rl;
    const double betal = std::sqrt(1 - el2);
    temp = esine / (1 + betal);
    const double sinu = am / rl * (sineo1 - aynl - axnl * temp);
    const double cosu = am / rl * (coseo1 - axnl + aynl * temp);
    double su = std::atan2(sinu, cosu);
    const double sin2u = (cosu + cosu) * sinu;
    const double cos2u = 1 - 2 * sinu * sinu;
    temp = 1 / pl;
    const double temp1 = 0.5 * J2 * temp;
    const double temp2 = temp1 * temp;

    const double mrt = rl * (1 - 1.5 * temp2 * betal * con41) + 0.5 * temp1 * x1mth2 * cos2u;
    su = su - 0.25 * temp2 * x7thm1 * sin2u;
    const double xnode = nodep + 1.5 * temp2 * cosip * sin2u;
    const double xinc = xincp + 1.5 * temp2 * cosip * sinip * cos2u;
    const double mvt = rdotl - nm * temp1 * x1mth2 * sin2u / Xke;
    const double rvdot = rvdotl + nm * temp1 * (x1mth2 * cos2u + 1.5 * con41) / Xke;

    // Orientation vectors.
    const double sinsu = std::sin(su), cossu = std::cos(su);
    const double snod = std::sin(xnode), cnod = std::cos(xnode);
    const double sini = std::sin(xinc), cosi = std::cos(xinc);
    const double xmx = -snod * cosi;
    const double xmy = cnod * cosi;
    const double ux = xmx * sinsu + cnod * cossu;
    const double uy = xmy * sinsu + snod * cossu;
    const double uz = sini * sinsu;
    const double vx = xmx * cossu - cnod * sinsu;
    const double vy = xmy * cossu - snod * sinsu;
    const double vz = sini * cossu;

    if (mrt < 1) {
        result.error = Sgp4Error::Decayed;
        return result;
    }
    const double mr = mrt * RadiusKm;
    const double vkmpersec = RadiusKm * Xke / 60.0;
    result.state.position = {mr * ux, mr * uy, mr * uz};
    result.state.velocity = {(mvt * ux + rvdot * vx) * vkmpersec, (mvt * uy + rvdot * vy) * vkmpersec,
                             (mvt * uz + rvdot * vz) * vkmpersec};
    return result;
}

} // namespace orbit

// SPDX-License-Identifier: MIT
// The coordinates of a cell loop along one axis: closed-form stretches inside each binade,
// real additions of d wherever those do not apply.
#include "integration/jadro/kubo_osa.h"

#include <cfloat>
#include <cmath>

#include "integration/jadro/kubo_binada.h"

// Appends the visited value v: onto the last stretch when its formula, evaluated as
// stredy_souradnic evaluates it, gives v's very bits, else as a stretch of its own.
static void pridej(std::vector<Usek> &useky, double v)
{
    if (!useky.empty()) {
        Usek &u = useky.back();
        double krok = u.pocet == 1 ? v - u.zacatek : u.krok;
        if (bity(u.zacatek + (double)(int64_t)u.pocet * krok) == bity(v)) {
            u.krok = krok;
            u.pocet++;
            return;
        }
    }
    useky.push_back(Usek{v, 0.0, 1});
}

// Appends the k values t + j krok, j = 1..k, that follow t, the last value appended. Inside
// one binade every such value, and every j krok, is a double exactly.
static void pridej_skok(std::vector<Usek> &useky, double t, double krok, uint64_t k)
{
    Usek &u = useky.back();
    if (u.pocet == 1) {
        u.krok = krok;
        u.pocet += k;
    } else {
        useky.push_back(Usek{t + krok, krok, k});
    }
}

// The most steps of q units the magnitude of t = +-m u may take in its binade: up, m + k q
// stays below 2^53; down (t negative, nearing zero), m - k q stays above 2^52, so that no exact
// result reaches the finer spacing of the binade below.
static uint64_t kroku_v_binade(double t, const Binada &b, uint64_t q)
{
    if (t > 0)
        return (DVE_NA_53 - 1 - b.m) / q;
    return b.m > DVE_NA_52 ? (b.m - DVE_NA_52 - 1) / q : 0;
}

// How many of the values t + j krok, 1 <= j <= nejvic (growing with j), lie below po.
static uint64_t pod_koncem(double t, double krok, uint64_t nejvic, double po)
{
    if (t + (double)nejvic * krok < po)
        return nejvic;
    uint64_t pod = 0, nad = nejvic;  // t + pod krok < po <= t + nad krok
    while (nad - pod > 1) {
        uint64_t j = pod + (nad - pod) / 2;
        if (t + (double)j * krok < po)
            pod = j;
        else
            nad = j;
    }
    return pod;
}

// Whether the loop's next k >= 1 values after t are t + j krok, j = 1..k, all below po: each
// addition of d then moves t by the same whole number of units of its binade (kubo_soucet.h).
static bool skok_na_ose(double t, double d, double po, double &krok, uint64_t &k)
{
    Binada b;
    uint64_t q;
    bool remiza;
    if (!(d >= DBL_MIN) || !(std::fabs(t) >= d) || !do_binady(std::fabs(t), b) ||
        !jednotky_kroku(b, d, q, remiza) || q == 0)
        return false;
    krok = (double)q * b.u;
    k = pod_koncem(t, krok, kroku_v_binade(t, b, q), po);
    return k > 0;
}

bool souradnice_na_ose(double od, double po, double d, std::vector<Usek> &useky)
{
    useky.clear();
    for (double t = od; t < po;) {
        pridej(useky, t);
        double krok;
        uint64_t k;
        if (skok_na_ose(t, d, po, krok, k)) {
            pridej_skok(useky, t, krok, k);
            t += (double)k * krok;
        }
        double dalsi = t + d;
        if (bity(dalsi) == bity(t))
            return false;
        t = dalsi;
    }
    return true;
}

uint64_t pocet_souradnic(const std::vector<Usek> &useky)
{
    uint64_t n = 0;
    for (const Usek &u : useky)
        n += u.pocet;
    return n;
}

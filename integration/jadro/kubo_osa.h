// SPDX-License-Identifier: MIT
// The coordinates a cell loop visits along one axis, x = x + d from its start while below its
// end, worked out in a few stretches of equal steps instead of one addition per cell.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// The coordinates zacatek + j * krok for j from 0 below pocet, each of them exactly the double
// that the loop's additions reach, evaluated in doubles as written.
struct Usek {
    double zacatek;
    double krok;
    uint64_t pocet;
};

// The coordinates that for (t = od; t < po; t += d) visits, d > 0, in order, into useky; false
// when the loop would never end (some t + d rounds back to t below po).
bool souradnice_na_ose(double od, double po, double d, std::vector<Usek> &useky);

// How many coordinates the stretches hold.
uint64_t pocet_souradnic(const std::vector<Usek> &useky);

// The midpoints of the cells along one axis, made from its coordinates as they are needed and
// held delka at a time: all of them for an axis short enough, else one stretch of a long one.
struct StredyOsy {
    std::vector<Usek> useky;      // the coordinates the loop visits
    uint64_t pocet = 0;           // how many it visits
    double d = 0;                 // the step
    size_t delka = 0;             // midpoints held at a time, at least 1
    std::vector<double> stredy;   // held: those of the cells from the prvni-th on
    uint64_t prvni = UINT64_MAX;  // UINT64_MAX while none are held
};

// The midpoints below are made in vectors V of the CPU path in use (kubo_soucet.h), inlined
// into the code of that path. Index j is made as a whole double, exactly the (double)j of the
// formula of Usek while j is below 2^53: a stretch inside one binade holds fewer, and a longer
// run of single additions would take the loop itself beyond any run's time.

// The midpoints (zacatek + j krok) + d / 2.0 of stretch u, j from od below od + n, into
// stredy[0..n); pul is d / 2.0.
template <typename V>
inline __attribute__((always_inline)) void stredy_useku(const Usek &u, double pul, uint64_t od,
                                                        size_t n, double *stredy)
{
    const size_t sirka = sizeof(V) / sizeof(double);
    V poradi;
    for (size_t i = 0; i < sirka; i++)
        poradi[i] = (double)i;
    size_t k = 0;
    for (; k + sirka <= n; k += sirka) {
        V s = (u.zacatek + ((double)(int64_t)(od + k) + poradi) * u.krok) + pul;
        memcpy(stredy + k, &s, sizeof s);
    }
    for (; k < n; k++)
        stredy[k] = (u.zacatek + (double)(int64_t)(od + k) * u.krok) + pul;
}

// The cells' midpoints t + d / 2.0, as the loop makes them, of the n coordinates from the
// od-th on (od + n at most their count), into stredy[0..n).
template <typename V>
inline __attribute__((always_inline)) void stredy_souradnic(const std::vector<Usek> &useky,
                                                            double d, uint64_t od, size_t n,
                                                            double *stredy)
{
    for (size_t i = 0; n > 0; i++) {
        const Usek &u = useky[i];
        if (od >= u.pocet) {
            od -= u.pocet;
            continue;
        }
        size_t kolik = (size_t)std::min<uint64_t>(u.pocet - od, n);
        stredy_useku<V>(u, d / 2.0, od, kolik, stredy);
        stredy += kolik;
        n -= kolik;
        od = 0;
    }
}

// The held midpoints from the od-th cell on (od below osa.pocet), made first when others are
// held: delka of them, or fewer at the end of the axis. The rows of the kernel ask on every
// row, and mostly for those already held.
template <typename V>
inline __attribute__((always_inline)) const std::vector<double> &stredy_od(StredyOsy &osa,
                                                                          uint64_t od)
{
    if (od != osa.prvni) {
        osa.stredy.resize(std::min<uint64_t>(osa.delka, osa.pocet - od));
        stredy_souradnic<V>(osa.useky, osa.d, od, osa.stredy.size(), osa.stredy.data());
        osa.prvni = od;
    }
    return osa.stredy;
}

// SPDX-License-Identifier: MIT
// Exact summation: the bits of a loop of double additions, worked out in fewer steps over the
// binades of kubo_binada.h. The block summation of a slab is written here once for any vector
// width; kubo_jadro.cpp compiles it for each width a CPU path has.
#pragma once

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "integration/jadro/kubo_binada.h"
#include "integration/jadro/kubo_jadro_vnitrni.h"
#include "integration/jadro/kubo_osa.h"

// Cells of a row summed as one block at most; a refused block is redone one term at a time.
const size_t DELKA_BLOKU = 1024;
// Blocks are whole multiples of this many cells, so that every vector width fits them.
const size_t SKUPINA = 8;

// Length of the block that starts zbyva cells before the end of a row: whole vector groups
// up to DELKA_BLOKU, or the short rest of the row.
inline size_t delka_bloku(size_t zbyva)
{
    size_t delka = std::min(zbyva, DELKA_BLOKU) / SKUPINA * SKUPINA;
    return delka > 0 ? delka : zbyva;
}

// Real additions of the terms (xy + zs[k]) * objem, k < n, in loop order.
double pricti_po_jednom(double soucet, double xy, const double *zs, size_t n, double objem);

// Block summation of density (x + y) + z. The terms of a row, t_k = (xy + z_k) * objem, vary
// along z, but their q_k = round(t_k / u) do not depend on each other: they are worked out side
// by side in vector registers, and summed as integers. For 0 <= t < 2^e, y = 2^e + t rounded
// lies in the binade of 2^e, whose doubles are the multiples of u: it is 2^e + q u, and its
// bits are those of 2^e plus q, so adding the bits of the y's sums the q's exactly (modulo
// 2^64, far above any block's total). Ties show in a second rounding, of (2^e + u) + t:
// without a tie it lies one unit above y; with one, both round to an even number of units, 0
// or 2 apart. (Near the top of the binade a term may be taken for a tie; its block is only
// redone.) Each template takes V, a vector of doubles, and U, the unsigned integer vector of
// V's bits.

// Sum of q_k over the n terms of zs[0..n), n a multiple of SKUPINA, all t_k in [0, 2^e) for
// zacatek = 2^e; false when some t_k / u was a tie.
template <typename V, typename U>
inline __attribute__((always_inline)) bool kvocienty(const double *zs, size_t n, double xy,
                                                     double objem, double zacatek,
                                                     uint64_t &soucet_q)
{
    const size_t sirka = sizeof(V) / sizeof(double);
    static_assert(SKUPINA % (sizeof(V) / sizeof(double)) == 0, "a block is whole vectors");
    const double dalsi = zacatek + zacatek * 0x1p-52;  // 2^e + u
    // Two sets of sums, so that the additions of one need not wait for the other's.
    U bity_y = {}, bity_y2 = {}, remizy = {};
    auto pricti = [&](const double *p, U &bity_v) {
        V z;
        memcpy(&z, p, sizeof z);
        V t = (xy + z) * objem;
        U y = (U)(t + zacatek), y_dalsi = (U)(t + dalsi);
        remizy |= (y_dalsi - y) ^ 1;
        bity_v += y;
    };
    // n is a multiple of SKUPINA, not always of two vectors: the widest path ends on one.
    size_t k = 0;
    for (; k + 2 * sirka <= n; k += 2 * sirka) {
        pricti(zs + k, bity_y);
        pricti(zs + k + sirka, bity_y2);
    }
    for (; k < n; k += sirka)
        pricti(zs + k, bity_y);
    bity_y += bity_y2;
    uint64_t soucet = 0, remiza = 0;
    for (size_t i = 0; i < sirka; i++) {
        soucet += bity_y[i];
        remiza |= remizy[i];
    }
    soucet_q = soucet - n * bity(zacatek);
    return remiza == 0;
}

// The sum of the q's of a block in the binade of b, when the block is one the integer sum
// covers; false otherwise. The terms never decrease along a row (z grows by d > 0, and
// rounding keeps order), so its first and last terms bound them all. Below 2^e each q is at
// most 2^52, and a block's sum of them cannot wrap around 2^64.
template <typename V, typename U>
inline __attribute__((always_inline)) bool kvocienty_bloku(const Binada &b, double xy,
                                                           const double *zs, size_t n,
                                                           double objem,
                                                           StatistikaJadra &statistika,
                                                           uint64_t &soucet_q)
{
    if (n % SKUPINA != 0)
        return false;
    double prvni = (xy + zs[0]) * objem, posledni = (xy + zs[n - 1]) * objem;
    if (!(prvni >= DBL_MIN) || !(posledni < b.zacatek))
        return false;
    if (!kvocienty<V, U>(zs, n, xy, objem, b.zacatek, soucet_q)) {
        statistika.bloky_s_remizou++;
        return false;
    }
    return true;
}

// Adds soucet_q units to b when the sum stays strictly inside its binade: every partial sum
// then is too, the q's being >= 0. False, b unchanged, otherwise.
inline bool pricti_v_binade(Binada &b, uint64_t soucet_q)
{
    if (soucet_q >= DVE_NA_53 - b.m)
        return false;
    b.m += soucet_q;
    return true;
}

// Sums of first blocks of rows already met in one call of the kernel. Such a block adds a
// number of units that depends only on the row value xy = fl(xs + y) and the binade of the
// sum, the z midpoints and the cell volume being the same all through the call; and the rows
// of one x slab mostly repeat the values of the slabs before. An entry is kept as long as no
// other row falls on its place.
struct ZaznamRadku {
    uint64_t xy;        // bits of the row value
    uint64_t binada_q;  // bits of 2^e (the exponent alone) plus the units; 0: empty
};

struct PametRadku {
    std::vector<ZaznamRadku> zaznamy;  // a power of two of them, or none for no memory
    unsigned posun;                     // 64 - log2 of their number
};

const uint64_t JEDNOTKY_RADKU = DVE_NA_52 - 1;  // the units' bits in binada_q

// The place of row value xy in binade b, or null when there is no memory.
inline ZaznamRadku *misto_radku(PametRadku &pamet, double xy, const Binada &b)
{
    if (pamet.zaznamy.empty())
        return nullptr;
    uint64_t h = (bity(xy) ^ bity(b.zacatek)) * 0x9e3779b97f4a7c15ull;
    return &pamet.zaznamy[h >> pamet.posun];
}

// Adds the block's terms to the sum b holds, in one step; false, b unchanged, when the block
// is outside what the integer sum covers.
template <typename V, typename U>
inline __attribute__((always_inline)) bool pricti_blok(Binada &b, double xy, const double *zs,
                                                       size_t n, double objem,
                                                       StatistikaJadra &statistika)
{
    uint64_t soucet_q;
    return kvocienty_bloku<V, U>(b, xy, zs, n, objem, statistika, soucet_q) &&
           pricti_v_binade(b, soucet_q);
}

// pricti_blok for the first block of a row, its units taken from the memory when this row
// value met this binade before, and kept there when they are new. An accepted block's units
// stay below 2^53 - m <= 2^52, so they fit beside the exponent.
template <typename V, typename U>
inline __attribute__((always_inline)) bool
pricti_prvni_blok(Binada &b, PametRadku &pamet, double xy, const double *zs, size_t n,
                  double objem, StatistikaJadra &statistika)
{
    ZaznamRadku *zaznam = misto_radku(pamet, xy, b);
    uint64_t binada = bity(b.zacatek);
    if (zaznam != nullptr && zaznam->xy == bity(xy) &&
        (zaznam->binada_q & ~JEDNOTKY_RADKU) == binada) {
        if (!pricti_v_binade(b, zaznam->binada_q & JEDNOTKY_RADKU))
            return false;
        statistika.bloky_znovu++;
        return true;
    }
    uint64_t soucet_q;
    if (!kvocienty_bloku<V, U>(b, xy, zs, n, objem, statistika, soucet_q) ||
        !pricti_v_binade(b, soucet_q))
        return false;
    if (zaznam != nullptr)
        *zaznam = ZaznamRadku{bity(xy), binada | soucet_q};
    return true;
}

// What the slabs of density (x + y) + z in one call of the kernel share.
struct RadkyVrstev {
    StredyOsy y, z;  // the midpoints of the cells along y and z
    double objem;    // of one cell
    PametRadku pamet;
};

// The blocks of zs[0..n), held z midpoints of a row whose row value is xy = fl(xs + y), added
// to the sum: held as b while v_binade, as soucet otherwise; prvni_usek when they are the
// row's first.
template <typename V, typename U>
inline __attribute__((always_inline)) void
pricti_bloky(Binada &b, bool &v_binade, double &soucet, double xy, const double *zs, size_t n,
             bool prvni_usek, RadkyVrstev &radky, StatistikaJadra &statistika)
{
    const double objem = radky.objem;
    for (size_t k = 0, delka; k < n; k += delka) {
        delka = delka_bloku(n - k);
        const double *blok = zs + k;
        if (v_binade &&
            (prvni_usek && k == 0
                 ? pricti_prvni_blok<V, U>(b, radky.pamet, xy, blok, delka, objem, statistika)
                 : pricti_blok<V, U>(b, xy, blok, delka, objem, statistika))) {
            statistika.bloky++;
            continue;
        }
        if (delka % SKUPINA == 0)
            statistika.bloky_po_jednom++;
        statistika.scitani_po_jednom += delka;
        if (v_binade)
            soucet = z_binady(b);
        soucet = pricti_po_jednom(soucet, xy, blok, delka, objem);
        v_binade = do_binady(soucet, b);
    }
}

// A row longer than the z midpoints held at a time: one stretch of them after another.
template <typename V, typename U>
inline __attribute__((always_inline)) void pricti_dlouhy_radek(Binada &b, bool &v_binade,
                                                               double &soucet, double xy,
                                                               RadkyVrstev &radky,
                                                               StatistikaJadra &statistika)
{
    for (uint64_t od = 0; od < radky.z.pocet; od += radky.z.stredy.size()) {
        const std::vector<double> &zs = stredy_od<V>(radky.z, od);
        pricti_bloky<V, U>(b, v_binade, soucet, xy, zs.data(), zs.size(), od == 0, radky,
                           statistika);
    }
}

// One slab of density (x + y) + z at the x midpoint xs. The sum is held as b while the blocks
// go in whole, so that one row's work does not wait on the rounding of the row before. The
// whole slab is compiled for each vector width, so that no row pays for a call; nor, when
// the z midpoints are held whole, for asking which are held.
template <typename V, typename U>
inline __attribute__((always_inline)) double pricti_vrstvu_xyz(double soucet, double xs,
                                                               RadkyVrstev &radky,
                                                               StatistikaJadra &statistika)
{
    statistika.sirka_vektoru = sizeof(V) / sizeof(double);
    Binada b = {};
    bool v_binade = do_binady(soucet, b);
    const bool cela_z = radky.z.pocet <= radky.z.delka;
    const std::vector<double> &zs = stredy_od<V>(radky.z, 0);
    const double *z = zs.data();
    const size_t nz = zs.size();
    for (uint64_t od = 0; od < radky.y.pocet; od += radky.y.stredy.size())
        for (double y : stredy_od<V>(radky.y, od)) {
            if (cela_z)
                pricti_bloky<V, U>(b, v_binade, soucet, xs + y, z, nz, true, radky, statistika);
            else
                pricti_dlouhy_radek<V, U>(b, v_binade, soucet, xs + y, radky, statistika);
        }
    return v_binade ? z_binady(b) : soucet;
}

// SPDX-License-Identifier: MIT
// Exact summation: the binades of a running sum, equal terms in closed form, and the plain
// additions everything else falls back to.
#include "kubo_soucet.h"

#include <algorithm>
#include <cmath>

// How many of n additions of c to s give s + k q u in one step, and the sum after them.
// 0 when the next addition must be a real one: s below c, unusual values, an odd m meeting a
// tie (the addition evens it, and from an even m a tie adds the even neighbour, q, each time),
// or a binade about to be crossed.
static unsigned long long skok_v_binade(double &s, double c, unsigned long long n,
                                        StatistikaJadra &statistika)
{
    Binada b;
    if (!(c >= DBL_MIN) || !(s >= c) || !do_binady(s, b))
        return 0;
    double r = c * b.na_u;  // exact unless far below 1/2, and below 2^53 as c <= s
    double q = std::nearbyint(r);
    if (r - q == 0.5 || q - r == 0.5) {
        statistika.remizy++;
        if (b.m & 1)
            return 0;
    }
    if (q == 0)  // c is below half a unit: every addition rounds back to s
        return n;
    uint64_t krok = (uint64_t)q;
    uint64_t k = std::min<uint64_t>(n, (DVE_NA_53 - 1 - b.m) / krok);
    b.m += k * krok;
    s = z_binady(b);
    return k;
}

static double pricti_kladne(double s, double c, unsigned long long n,
                            StatistikaJadra &statistika)
{
    while (n > 0) {
        unsigned long long k = skok_v_binade(s, c, n, statistika);
        if (k > 0) {
            n -= k;
            statistika.skoky++;
        } else {
            s += c;
            n--;
            statistika.scitani_po_jednom++;
        }
    }
    return s;
}

double pricti_stejne(double soucet, double clen, unsigned long long n,
                     StatistikaJadra &statistika)
{
    if (n == 0)
        return soucet;
    // Adding a zero once settles the sign of a zero sum; later additions change nothing.
    if (clen == 0)
        return soucet + clen;
    // Rounding to nearest is symmetric: negative terms onto a sum not above zero are the
    // mirror image of positive ones.
    if (clen < 0 && (soucet < 0 || soucet == 0))
        return -pricti_kladne(-soucet, -clen, n, statistika);
    return pricti_kladne(soucet, clen, n, statistika);
}

// Out of line: inlined into the row loop, the compiler kept the running sum in memory, a
// store and a load on every addition.
__attribute__((noinline)) double pricti_po_jednom(double soucet, double xy, const double *zs,
                                                  size_t n, double objem)
{
    for (size_t k = 0; k < n; k++)
        soucet += (xy + zs[k]) * objem;
    return soucet;
}

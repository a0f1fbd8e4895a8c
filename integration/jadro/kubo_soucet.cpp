// SPDX-License-Identifier: MIT
// Exact summation: the binades of a running sum, equal terms in closed form, and the plain
// additions everything else falls back to.
#include "integration/jadro/kubo_soucet.h"

#include <algorithm>
#include <cmath>

// How many of n additions of c to s give s + k q u in one step, and the sum after them.
// 0 when the next addition must be a real one: s below c, unusual values, an odd m meeting a
// tie, or a binade about to be crossed.
static unsigned long long skok_v_binade(double &s, double c, unsigned long long n,
                                        StatistikaJadra &statistika)
{
    Binada b;
    uint64_t krok;
    bool remiza;
    if (!(c >= DBL_MIN) || !(s >= c) || !do_binady(s, b))
        return 0;
    bool lze = jednotky_kroku(b, c, krok, remiza);
    statistika.remizy += remiza;
    if (!lze)
        return 0;
    if (krok == 0)  // c is below half a unit: every addition rounds back to s
        return n;
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
            continue;
        }
        // An addition that leaves s as it was leaves it so every time after.
        double dalsi = s + c;
        statistika.scitani_po_jednom++;
        if (bity(dalsi) == bity(s))
            return s;
        s = dalsi;
        n--;
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

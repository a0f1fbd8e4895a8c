// SPDX-License-Identifier: MIT
// The binades of a running sum: a positive double as a whole number of units, the units a
// term moves it by, and the vectors of each CPU path. The exact summation (kubo_soucet.h) and
// the coordinates of an axis (kubo_osa.h) are built on them.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

// The fast kernel gives the bits of the cell loop without doing its additions one after the
// other. Each coordinate is still made by repeated addition of d and each cell's term is still
// rounded to double; what changes is how the rounded running sum is worked out.
//
// While the sum s lies in one binade [2^e, 2^(e+1)), every double there is a whole multiple
// of u = 2^(e-52), s = m u with m in [2^52, 2^53). Adding a term t >= 0 whose exact sum stays
// below 2^(e+1) rounds to (m + q) u, q being t/u rounded to the nearest integer; only when t/u
// lies exactly halfway (a tie) does the choice depend on s, through the parity of m. So a run
// of terms is the whole number m plus the sum of their q, as long as no term is a tie and the
// total stays below 2^53. Anything these arguments do not cover (a sum of zero or below the
// terms, negative, subnormal or non-finite values, a tie, a binade crossed) is done with real
// additions in loop order. The default rounding mode, without flush to zero, is assumed.

static_assert(std::numeric_limits<double>::is_iec559, "the kernel reads IEEE doubles");

// 2^52 and 2^53: the bounds of the whole number of units of a sum in its binade.
const uint64_t DVE_NA_52 = uint64_t(1) << 52;
const uint64_t DVE_NA_53 = uint64_t(1) << 53;

// A positive sum as a whole number of units: s = m u, u the spacing of doubles near s.
struct Binada {
    uint64_t m;      // in [2^52, 2^53)
    double u;        // 2^(e-52), for s in [2^e, 2^(e+1))
    double na_u;     // 1/u
    double zacatek;  // 2^e
};

// The bits of x, as an integer.
inline uint64_t bity(double x)
{
    uint64_t b;
    memcpy(&b, &x, sizeof b);
    return b;
}

// The double whose bits are b.
inline double z_bitu(uint64_t b)
{
    double x;
    memcpy(&x, &b, sizeof x);
    return x;
}

// Fills b for s in [2^-969, 2^1022), where u/2, 1/u and 2^(e+1) are normal doubles, so that
// scaling by them is exact; false for zero, negative, smaller, larger or NaN values. Inline,
// as are the helpers below: a sum whose address went to another file would have to be kept
// in memory through the block loop.
inline bool do_binady(double s, Binada &b)
{
    uint64_t exponent = bity(s) >> 52;  // a set sign bit makes it larger than 2047
    if (exponent < 54 || exponent > 2045)
        return false;
    b.m = (bity(s) & (DVE_NA_52 - 1)) | DVE_NA_52;
    b.u = z_bitu((exponent - 52) << 52);
    b.na_u = z_bitu((2098 - exponent) << 52);
    b.zacatek = z_bitu(exponent << 52);
    return true;
}

// The sum b holds, as a double.
inline double z_binady(const Binada &b) { return (double)b.m * b.u; }

// The units q that adding c (DBL_MIN <= c <= the sum) moves the sum of b by, for as long as the
// exact results stay inside its binade: c / u rounded to the nearest whole number, a tie to
// the even one. From an even m, adding or taking away c then lands on m + q or m - q, both
// even again; from an odd m a tie is settled by m itself, and the function gives false. Its
// remiza tells whether c / u was a tie.
inline bool jednotky_kroku(const Binada &b, double c, uint64_t &q, bool &remiza)
{
    double r = c * b.na_u;  // exact unless far below 1/2, and below 2^53 as c is not above s
    double zaokrouhleno = std::nearbyint(r);
    remiza = r - zaokrouhleno == 0.5 || zaokrouhleno - r == 0.5;
    q = (uint64_t)zaokrouhleno;
    return !(remiza && (b.m & 1));
}

// The vectors of each CPU path: doubles, and the unsigned integers of their bits.
typedef double v2d __attribute__((vector_size(16)));
typedef unsigned long long v2u __attribute__((vector_size(16)));
typedef double v4d __attribute__((vector_size(32)));
typedef unsigned long long v4u __attribute__((vector_size(32)));
typedef double v8d __attribute__((vector_size(64)));
typedef unsigned long long v8u __attribute__((vector_size(64)));

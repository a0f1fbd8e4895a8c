// SPDX-License-Identifier: MIT
// Density functions and midpoint integration of one box of the cuboid.
#include "kubo_ro.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

int mytid = 0;
StatistikaJadra statistika_jadra;

double ro(double x, double y, double z, int funkce)
{
    switch (funkce) {
    case 1:
        return 1.0;
    case 2:
        return x;
    case 3:
        return x + y + z;
    default:
        return 0.0;
    }
}

// Whole percentage of [xod, xdo) below x; an empty or degenerate edge gives values outside
// int, which are clamped rather than converted with undefined behaviour.
static int procento_hotovo(double x, double xod, double xdo)
{
    double p = (x - xod) / ((xdo - xod) / 100.0);
    if (!(p > INT_MIN))
        return p != p ? 0 : INT_MIN;
    return p < INT_MAX ? (int)p : INT_MAX;
}

static void ohlas_postup(double x, double xod, double xdo, int &naposledy)
{
    int p = procento_hotovo(x, xod, xdo);
    if (p != naposledy) {
        printf("Delnik %d: Pocitam dilci hmotnost [%d%%]\n", mytid, p);
        naposledy = p;
    }
}

double vypocti_primo(double xod, double yod, double zod, double xdo, double ydo, double zdo,
                     double d, int funkce)
{
    double objem = d * d * d;
    double soucet = 0.0;
    int naposledy = 0;
    for (double x = xod; x < xdo; x += d) {
        for (double y = yod; y < ydo; y += d)
            for (double z = zod; z < zdo; z += d)
                soucet += ro(x + d / 2.0, y + d / 2.0, z + d / 2.0, funkce) * objem;
        ohlas_postup(x, xod, xdo, naposledy);
    }
    return soucet;
}

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

const uint64_t DVE_NA_52 = uint64_t(1) << 52;
const uint64_t DVE_NA_53 = uint64_t(1) << 53;

// A positive sum as a whole number of units: s = m u, u the spacing of doubles near s.
struct Binada {
    uint64_t m;      // in [2^52, 2^53)
    double u;        // 2^(e-52), for s in [2^e, 2^(e+1))
    double na_u;     // 1/u
    double zacatek;  // 2^e
};

static uint64_t bity(double x)
{
    uint64_t b;
    memcpy(&b, &x, sizeof b);
    return b;
}

static double z_bitu(uint64_t b)
{
    double x;
    memcpy(&x, &b, sizeof x);
    return x;
}

// Fills b for s in [2^-969, 2^1022), where u/2, 1/u and 2^(e+1) are normal doubles, so that
// scaling by them is exact; false for zero, negative, smaller, larger or NaN values.
static bool do_binady(double s, Binada &b)
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

static double z_binady(const Binada &b) { return (double)b.m * b.u; }

// How many of n additions of c to s give s + k q u in one step, and the sum after them.
// 0 when the next addition must be a real one: s below c, unusual values, an odd m meeting a
// tie (the addition evens it, and from an even m a tie adds the even neighbour, q, each time),
// or a binade about to be crossed.
static unsigned long long skok_v_binade(double &s, double c, unsigned long long n)
{
    Binada b;
    if (!(c >= DBL_MIN) || !(s >= c) || !do_binady(s, b))
        return 0;
    double r = c * b.na_u;  // exact unless far below 1/2, and below 2^53 as c <= s
    double q = std::nearbyint(r);
    if (r - q == 0.5 || q - r == 0.5) {
        statistika_jadra.remizy++;
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

static double pricti_kladne(double s, double c, unsigned long long n)
{
    while (n > 0) {
        unsigned long long k = skok_v_binade(s, c, n);
        if (k > 0) {
            n -= k;
            statistika_jadra.skoky++;
        } else {
            s += c;
            n--;
            statistika_jadra.scitani_po_jednom++;
        }
    }
    return s;
}

double pricti_stejne(double soucet, double clen, unsigned long long n)
{
    if (n == 0)
        return soucet;
    // Adding a zero once settles the sign of a zero sum; later additions change nothing.
    if (clen == 0)
        return soucet + clen;
    // Rounding to nearest is symmetric: negative terms onto a sum not above zero are the
    // mirror image of positive ones.
    if (clen < 0 && (soucet < 0 || soucet == 0))
        return -pricti_kladne(-soucet, -clen, n);
    return pricti_kladne(soucet, clen, n);
}

// Block summation of density 3. The terms of a row, t_k = (xy + z_k) * objem, vary along z,
// but their q_k = round(t_k / u) do not depend on each other: they are worked out side by side
// in vector registers, and summed as integers. For 0 <= t < 2^e, y = 2^e + t rounded lies in
// the binade of 2^e, whose doubles are the multiples of u: it is 2^e + q u, and its bits are
// those of 2^e plus q, so adding the bits of the y's sums the q's exactly (modulo 2^64, far
// above any block's total). Ties show in a second rounding, of (2^e + u) + t: without a tie
// it lies one unit above y; with one, both round to an even number of units, 0 or 2 apart.
// (Near the top of the binade a term may be taken for a tie; its block is only redone.)

// Vectors of two doubles (SSE2, which every x86-64 CPU has) and of four (AVX2), with the
// unsigned integer vectors of the same size for their bits.
typedef double v2d __attribute__((vector_size(16)));
typedef unsigned long long v2u __attribute__((vector_size(16)));
typedef double v4d __attribute__((vector_size(32)));
typedef unsigned long long v4u __attribute__((vector_size(32)));

// Cells of a row summed as one block at most; a refused block is redone one term at a time.
static const size_t DELKA_BLOKU = 1024;
// Blocks are whole multiples of this many cells, so that every vector width fits them.
static const size_t SKUPINA = 8;

// Sum of q_k over the n terms of zs[0..n), n a multiple of SKUPINA, all t_k in [0, 2^e) for
// zacatek = 2^e; false when some t_k / u was a tie. Written once for vectors V of doubles,
// with U the unsigned integer vector of V's bits.
template <typename V, typename U>
static inline __attribute__((always_inline)) bool kvocienty(const double *zs, size_t n,
                                                           double xy, double objem,
                                                           double zacatek, uint64_t &soucet_q)
{
    const size_t sirka = sizeof(V) / sizeof(double);
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
    for (size_t k = 0; k < n; k += 2 * sirka) {
        pricti(zs + k, bity_y);
        pricti(zs + k + sirka, bity_y2);
    }
    bity_y += bity_y2;
    uint64_t soucet = 0, remiza = 0;
    for (size_t i = 0; i < sirka; i++) {
        soucet += bity_y[i];
        remiza |= remizy[i];
    }
    soucet_q = soucet - n * bity(zacatek);
    return remiza == 0;
}

// Adds the block's terms to the sum b holds, in one step; false, b unchanged, when the block
// is outside what the integer sum covers. The terms never decrease along a row (z grows by
// d > 0, and rounding keeps order), so its first and last terms bound them all. Below 2^e
// each q is at most 2^52, and a block's sum of them cannot wrap around 2^64.
template <typename V, typename U>
static inline __attribute__((always_inline)) bool pricti_blok(Binada &b, double xy,
                                                             const double *zs, size_t n,
                                                             double objem)
{
    if (n % SKUPINA != 0)
        return false;
    double prvni = (xy + zs[0]) * objem, posledni = (xy + zs[n - 1]) * objem;
    if (!(prvni >= DBL_MIN) || !(posledni < b.zacatek))
        return false;
    uint64_t soucet_q;
    if (!kvocienty<V, U>(zs, n, xy, objem, b.zacatek, soucet_q)) {
        statistika_jadra.bloky_s_remizou++;
        return false;
    }
    // Strictly inside the binade: every partial sum then is too, the q's being >= 0.
    if (soucet_q >= DVE_NA_53 - b.m)
        return false;
    b.m += soucet_q;
    return true;
}

// Coordinates up to the largest sequence held in memory; longer ones fall back to
// the cell-by-cell kernel rather than allocate without bound.
static const size_t NEJVIC_SOURADNIC = size_t(1) << 22;

// Midpoints of the cells along one axis, or false when there are more than NEJVIC_SOURADNIC.
static bool stredy_bunek(double od, double po, double d, std::vector<double> &stredy)
{
    stredy.clear();
    for (double t = od; t < po; t += d) {
        if (stredy.size() == NEJVIC_SOURADNIC)
            return false;
        stredy.push_back(t + d / 2.0);
    }
    return true;
}

// Real additions of a block's terms in loop order. Out of line: inlined into the row loop,
// the compiler kept the running sum in memory, a store and a load on every addition.
__attribute__((noinline)) static double pricti_po_jednom(double soucet, double xy,
                                                         const double *zs, size_t n,
                                                         double objem)
{
    for (size_t k = 0; k < n; k++)
        soucet += (xy + zs[k]) * objem;
    return soucet;
}

// Length of the block that starts zbyva cells before the end of a row: whole vector groups
// up to DELKA_BLOKU, or the short rest of the row.
static size_t delka_bloku(size_t zbyva)
{
    size_t delka = std::min(zbyva, DELKA_BLOKU) / SKUPINA * SKUPINA;
    return delka > 0 ? delka : zbyva;
}

// One slab of density (x + y) + z at the x midpoint xs. The sum is held as b while the blocks
// go in whole, so that one row's work does not wait on the rounding of the row before. The
// whole slab is compiled for each vector width, so that no row pays for a call.
template <typename V, typename U>
static inline __attribute__((always_inline)) double
pricti_vrstvu_xyz(double soucet, double xs, const std::vector<double> &ys,
                  const std::vector<double> &zs, double objem)
{
    Binada b = {};
    bool v_binade = do_binady(soucet, b);
    for (double y : ys) {
        double xy = xs + y;
        for (size_t k = 0, delka; k < zs.size(); k += delka) {
            delka = delka_bloku(zs.size() - k);
            if (v_binade && pricti_blok<V, U>(b, xy, zs.data() + k, delka, objem)) {
                statistika_jadra.bloky++;
                continue;
            }
            if (delka % SKUPINA == 0)
                statistika_jadra.bloky_po_jednom++;
            statistika_jadra.scitani_po_jednom += delka;
            if (v_binade)
                soucet = z_binady(b);
            soucet = pricti_po_jednom(soucet, xy, zs.data() + k, delka, objem);
            v_binade = do_binady(soucet, b);
        }
    }
    return v_binade ? z_binady(b) : soucet;
}

typedef double (*VrstvaXyz)(double, double, const std::vector<double> &,
                           const std::vector<double> &, double);

static double vrstva_xyz_zakladni(double soucet, double xs, const std::vector<double> &ys,
                                  const std::vector<double> &zs, double objem)
{
    return pricti_vrstvu_xyz<v2d, v2u>(soucet, xs, ys, zs, objem);
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) static double vrstva_xyz_avx2(double soucet, double xs,
                                                              const std::vector<double> &ys,
                                                              const std::vector<double> &zs,
                                                              double objem)
{
    return pricti_vrstvu_xyz<v4d, v4u>(soucet, xs, ys, zs, objem);
}
#endif

static bool cpu_umi(CestaJadra cesta)
{
#if defined(__x86_64__)
    __builtin_cpu_init();
    return cesta == CESTA_ZAKLADNI || __builtin_cpu_supports("avx2");
#else
    return cesta == CESTA_ZAKLADNI;
#endif
}

// The path in use, chosen on first use: programs may ask for it while they start.
static CestaJadra &cesta()
{
    static CestaJadra zvolena = cpu_umi(CESTA_AVX2) ? CESTA_AVX2 : CESTA_ZAKLADNI;
    return zvolena;
}

CestaJadra cesta_jadra() { return cesta(); }

bool zvol_cestu_jadra(CestaJadra nova)
{
    if (!cpu_umi(nova))
        return false;
    cesta() = nova;
    return true;
}

const char *nazev_cesty_jadra(CestaJadra c)
{
#if defined(__x86_64__)
    return c == CESTA_AVX2 ? "AVX2, 4 doubles" : "SSE2, 2 doubles";
#else
    return c == CESTA_AVX2 ? "AVX2" : "portable";
#endif
}

static VrstvaXyz vrstva_xyz_cesty()
{
#if defined(__x86_64__)
    if (cesta() == CESTA_AVX2)
        return vrstva_xyz_avx2;
#endif
    return vrstva_xyz_zakladni;
}

// One slab of cells at a fixed x (its midpoint xs): the y and z loops.
static double pricti_vrstvu(double soucet, double xs, const std::vector<double> &ys,
                            const std::vector<double> &zs, double objem, int funkce)
{
    if (funkce == 3)
        return vrstva_xyz_cesty()(soucet, xs, ys, zs, objem);
    // Every other density is the same in all cells of a slab.
    return pricti_stejne(soucet, ro(xs, 0.0, 0.0, funkce) * objem,
                         (unsigned long long)ys.size() * zs.size());
}

double vypocti(double xod, double yod, double zod, double xdo, double ydo, double zdo, double d,
               int funkce)
{
    std::vector<double> ys, zs;
    if (!(d > 0) || !stredy_bunek(yod, ydo, d, ys) || !stredy_bunek(zod, zdo, d, zs))
        return vypocti_primo(xod, yod, zod, xdo, ydo, zdo, d, funkce);
    double objem = d * d * d;
    double soucet = 0.0;
    int naposledy = 0;
    for (double x = xod; x < xdo; x += d) {
        soucet = pricti_vrstvu(soucet, x + d / 2.0, ys, zs, objem, funkce);
        ohlas_postup(x, xod, xdo, naposledy);
    }
    return soucet;
}

// SPDX-License-Identifier: MIT
// Midpoint integration of one box: its progress, and the way each slab is summed, chosen by
// the density's shape and by the CPU path in use.
#include "kubo_jadro.h"

#include <climits>
#include <cstdio>

#include "cesta_cpu.h"
#include "kubo_jadro_vnitrni.h"
#include "kubo_ro.h"
#include "kubo_soucet.h"

std::string radek_postupu(int tid, int procento)
{
    char radek[64];
    snprintf(radek, sizeof radek, "Delnik %d: Pocitam dilci hmotnost [%d%%]\n", tid, procento);
    return radek;
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

static void ohlas_postup(double x, double xod, double xdo, int &naposledy,
                         const HlaseniPostupu &postup)
{
    int p = procento_hotovo(x, xod, xdo);
    if (p != naposledy) {
        if (postup)
            postup(p);
        naposledy = p;
    }
}

double vypocti_primo(double xod, double yod, double zod, double xdo, double ydo, double zdo,
                     double d, int funkce, const HlaseniPostupu &postup)
{
    double objem = d * d * d;
    double soucet = 0.0;
    int naposledy = 0;
    for (double x = xod; x < xdo; x += d) {
        for (double y = yod; y < ydo; y += d)
            for (double z = zod; z < zdo; z += d)
                soucet += ro(x + d / 2.0, y + d / 2.0, z + d / 2.0, funkce) * objem;
        ohlas_postup(x, xod, xdo, naposledy, postup);
    }
    return soucet;
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

// The block summation of a slab of density (x + y) + z, compiled once per vector width: a
// vector of doubles of that width and the unsigned integer vector of its bits. SSE2 is what
// every x86-64 CPU has; a wider path is compiled for its instruction set alone and run only
// where cesta_cpu says the CPU has it.
typedef double v2d __attribute__((vector_size(16)));
typedef unsigned long long v2u __attribute__((vector_size(16)));
typedef double v4d __attribute__((vector_size(32)));
typedef unsigned long long v4u __attribute__((vector_size(32)));

typedef double (*VrstvaXyz)(double, double, const std::vector<double> &,
                            const std::vector<double> &, double, StatistikaJadra &);

static double vrstva_xyz_sse2(double soucet, double xs, const std::vector<double> &ys,
                              const std::vector<double> &zs, double objem, StatistikaJadra &s)
{
    return pricti_vrstvu_xyz<v2d, v2u>(soucet, xs, ys, zs, objem, s);
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) static double
vrstva_xyz_avx2(double soucet, double xs, const std::vector<double> &ys,
                const std::vector<double> &zs, double objem, StatistikaJadra &s)
{
    return pricti_vrstvu_xyz<v4d, v4u>(soucet, xs, ys, zs, objem, s);
}
#endif

// The widest slab summation compiled for the path in use; a CPU with AVX-512 runs the AVX2
// one until a 64-byte path is compiled here.
static VrstvaXyz vrstva_xyz_cesty()
{
#if defined(__x86_64__)
    CestaCpu cesta = cesta_cpu();
    if (cesta == CESTA_AVX2 || cesta == CESTA_AVX512)
        return vrstva_xyz_avx2;
#endif
    return vrstva_xyz_sse2;
}

// One slab of cells at a fixed x (its midpoint xs): the y and z loops.
static double pricti_vrstvu(double soucet, double xs, const std::vector<double> &ys,
                            const std::vector<double> &zs, double objem, int funkce,
                            StatistikaJadra &statistika)
{
    if (tvar_hustoty(funkce) == HUSTOTA_SOUCET_SOURADNIC)
        return vrstva_xyz_cesty()(soucet, xs, ys, zs, objem, statistika);
    // The density is the same in all cells of the slab: its value at any y and z.
    return pricti_stejne(soucet, ro(xs, 0.0, 0.0, funkce) * objem,
                         (unsigned long long)ys.size() * zs.size(), statistika);
}

double vypocti(double xod, double yod, double zod, double xdo, double ydo, double zdo, double d,
               int funkce, const HlaseniPostupu &postup, StatistikaJadra *statistika)
{
    std::vector<double> ys, zs;
    if (!(d > 0) || !stredy_bunek(yod, ydo, d, ys) || !stredy_bunek(zod, zdo, d, zs))
        return vypocti_primo(xod, yod, zod, xdo, ydo, zdo, d, funkce, postup);
    StatistikaJadra nepocitana = {};
    StatistikaJadra &pocty = statistika != nullptr ? *statistika : nepocitana;
    double objem = d * d * d;
    double soucet = 0.0;
    int naposledy = 0;
    for (double x = xod; x < xdo; x += d) {
        soucet = pricti_vrstvu(soucet, x + d / 2.0, ys, zs, objem, funkce, pocty);
        ohlas_postup(x, xod, xdo, naposledy, postup);
    }
    return soucet;
}

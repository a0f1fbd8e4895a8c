// SPDX-License-Identifier: MIT
// Midpoint integration of one box: its progress, and the way each slab is summed, chosen by
// the density's shape and by the CPU path in use.
#include "integration/jadro/kubo_jadro.h"

#include <climits>
#include <cstdio>

#include "common/cesta_cpu.h"
#include "integration/jadro/kubo_jadro_vnitrni.h"
#include "integration/jadro/kubo_osa.h"
#include "integration/jadro/kubo_ro.h"
#include "integration/jadro/kubo_soucet.h"

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

// Whether the computation goes on, postup told of a changed percentage.
static bool ohlas_postup(double x, double xod, double xdo, int &naposledy,
                         const HlaseniPostupu &postup)
{
    int p = procento_hotovo(x, xod, xdo);
    if (p == naposledy)
        return true;
    naposledy = p;
    return !postup || postup(p);
}

double vypocti_primo(const Jednotka &j, double d, int funkce, const HlaseniPostupu &postup)
{
    double objem = d * d * d;
    double soucet = 0.0;
    int naposledy = 0;
    for (double x = j.xod; x < j.xdo; x += d) {
        for (double y = j.yod; y < j.ydo; y += d)
            for (double z = j.zod; z < j.zdo; z += d)
                soucet += ro(x + d / 2.0, y + d / 2.0, z + d / 2.0, funkce) * objem;
        if (!ohlas_postup(x, j.xod, j.xdo, naposledy, postup))
            break;
    }
    return soucet;
}

// The cells along one axis as the loops visit them, their midpoints held whole when there
// are at most volby.cela_osa, else volby.usek_osy at a time; false when the loop never ends.
static bool priprav_osu(double od, double po, double d, const VolbyJadra &volby, StredyOsy &osa)
{
    if (!souradnice_na_ose(od, po, d, osa.useky))
        return false;
    osa.pocet = pocet_souradnic(osa.useky);
    osa.d = d;
    osa.delka = osa.pocet <= volby.cela_osa ? osa.pocet : volby.usek_osy;
    return true;
}

// The block summation of a slab of density (x + y) + z, compiled once per vector width. The
// 2-double vectors are the compiler's own, SSE2 on x86-64 and the CPU's SIMD or plain doubles
// elsewhere: the SSE2 path and the generic one share them. A wider x86 path is compiled for its
// instruction set alone and run only where cesta_cpu says the CPU has it.
typedef double (*VrstvaXyz)(double, double, RadkyVrstev &, StatistikaJadra &);

static double vrstva_xyz_sse2(double soucet, double xs, RadkyVrstev &r, StatistikaJadra &s)
{
    return pricti_vrstvu_xyz<v2d, v2u>(soucet, xs, r, s);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) static double
vrstva_xyz_avx2(double soucet, double xs, RadkyVrstev &r, StatistikaJadra &s)
{
    return pricti_vrstvu_xyz<v4d, v4u>(soucet, xs, r, s);
}

// AVX-512 F has every operation the block sums use on 64-byte vectors.
__attribute__((target("avx512f"))) static double
vrstva_xyz_avx512(double soucet, double xs, RadkyVrstev &r, StatistikaJadra &s)
{
    return pricti_vrstvu_xyz<v8d, v8u>(soucet, xs, r, s);
}
#endif

// The slab summation compiled for the path in use.
static VrstvaXyz vrstva_xyz_cesty()
{
#if defined(__x86_64__) || defined(__i386__)
    switch (cesta_cpu()) {
    case CESTA_AVX512:
        return vrstva_xyz_avx512;
    case CESTA_AVX2:
        return vrstva_xyz_avx2;
    case CESTA_SSE2:
    case CESTA_OBECNA:
        break;
    }
#endif
    return vrstva_xyz_sse2;
}

// Most entries the memory of rows' sums has: 2 MiB, which the rows of a slab of the README
// example (about 100,000 row values) fill without driving each other out too often.
static const size_t NEJVIC_ZAZNAMU = size_t(1) << 17;

// A memory for the rows of about radku rows: the next power of two, at least 16 and at most
// NEJVIC_ZAZNAMU entries, all empty.
static void priprav_pamet(double radku, PametRadku &pamet)
{
    size_t n = 16;
    unsigned posun = 60;
    while (n < NEJVIC_ZAZNAMU && n < radku) {
        n *= 2;
        posun--;
    }
    pamet.zaznamy.assign(n, ZaznamRadku{0, 0});
    pamet.posun = posun;
}

// What every slab of one call shares.
struct Vrstvy {
    RadkyVrstev radky;
    int funkce;
    VrstvaXyz vrstva_xyz;  // null unless the density is (x + y) + z
    StatistikaJadra &statistika;
};

// ny * nz equal terms added to soucet, a count that need not fit 64 bits: in runs of at most
// 2^63, until an addition would leave the sum as it is, as it then would every time after.
static double pricti_stejne_vrstvu(double soucet, double clen, uint64_t ny, uint64_t nz,
                                   StatistikaJadra &statistika)
{
    const uint64_t NEJVIC_NAJEDNOU = uint64_t(1) << 63;
    for (unsigned __int128 zbyva = (unsigned __int128)ny * nz; zbyva > 0;) {
        uint64_t n = zbyva > NEJVIC_NAJEDNOU ? NEJVIC_NAJEDNOU : (uint64_t)zbyva;
        soucet = pricti_stejne(soucet, clen, n, statistika);
        zbyva -= n;
        if (bity(soucet + clen) == bity(soucet))
            break;
    }
    return soucet;
}

// One slab of cells at a fixed x (its midpoint xs): the y and z loops.
static double pricti_vrstvu(double soucet, double xs, Vrstvy &v)
{
    if (v.vrstva_xyz != nullptr)
        return v.vrstva_xyz(soucet, xs, v.radky, v.statistika);
    // The density is the same in all cells of the slab: its value at any y and z.
    return pricti_stejne_vrstvu(soucet, ro(xs, 0.0, 0.0, v.funkce) * v.radky.objem,
                                v.radky.y.pocet, v.radky.z.pocet, v.statistika);
}

double vypocti_s_volbami(const Jednotka &j, double d, int funkce, const VolbyJadra &volby,
                         const HlaseniPostupu &postup, StatistikaJadra *statistika)
{
    StatistikaJadra nepocitana = {};
    Vrstvy v{{{}, {}, d * d * d, {}}, funkce, nullptr, statistika ? *statistika : nepocitana};
    RadkyVrstev &r = v.radky;
    if (!(d > 0) || !priprav_osu(j.yod, j.ydo, d, volby, r.y) ||
        !priprav_osu(j.zod, j.zdo, d, volby, r.z))
        return vypocti_primo(j, d, funkce, postup);
    if (tvar_hustoty(funkce) == HUSTOTA_SOUCET_SOURADNIC) {
        v.vrstva_xyz = vrstva_xyz_cesty();
        if (volby.pamet_radku)
            priprav_pamet((j.xdo - j.xod) / d * (double)r.y.pocet, r.pamet);
    }
    double soucet = 0.0;
    int naposledy = 0;
    for (double x = j.xod; x < j.xdo; x += d) {
        soucet = pricti_vrstvu(soucet, x + d / 2.0, v);
        if (!ohlas_postup(x, j.xod, j.xdo, naposledy, postup))
            break;
    }
    return soucet;
}

double vypocti(const Jednotka &j, double d, int funkce, const HlaseniPostupu &postup,
               StatistikaJadra *statistika)
{
    return vypocti_s_volbami(j, d, funkce, VolbyJadra(), postup, statistika);
}

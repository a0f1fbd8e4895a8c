// SPDX-License-Identifier: MIT
// Unit tests of the density functions, the midpoint kernel and its exact summation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/cesta_cpu.h"
#include "common/testy/cesty.h"
#include "integration/jadro/kubo_jadro_vnitrni.h"
#include "integration/jadro/kubo_ro.h"

namespace {

// A box and the step it is integrated with.
struct Box : Jednotka {
    double d;
};

struct Beh {
    double hmotnost;
    std::string vystup;
};

// The fast kernel, counting its ways in *statistika unless null.
Beh spocitej(const Box &b, int funkce, StatistikaJadra *statistika = nullptr)
{
    Beh beh{0, ""};
    HlaseniPostupu postup = [&](int procento) {
        beh.vystup += radek_postupu(7, procento);
        return true;
    };
    beh.hmotnost = vypocti(b, b.d, funkce, postup,
                           statistika);
    return beh;
}

// The cell-by-cell kernel, its progress lines as worker 7 prints them.
Beh spocitej_primo(const Box &b, int funkce)
{
    Beh beh{0, ""};
    HlaseniPostupu postup = [&](int procento) {
        beh.vystup += radek_postupu(7, procento);
        return true;
    };
    beh.hmotnost = vypocti_primo(b, b.d, funkce, postup);
    return beh;
}

bool stejne_bity(double a, double b) { return memcmp(&a, &b, sizeof a) == 0; }

std::string presne(double x)
{
    char text[40];
    snprintf(text, sizeof text, "%a", x);
    return text;
}

std::string popis(const Box &b)
{
    std::string text;
    for (double x : {b.xod, b.yod, b.zod, b.xdo, b.ydo, b.zdo, b.d})
        text += presne(x) + " ";
    return text;
}

// The layouts the fast kernel is checked in: as it runs, without its memory of rows' sums, and
// with every axis held a few midpoints at a time, as it holds the rows of a long axis.
std::vector<std::pair<const char *, VolbyJadra>> rozvrzeni()
{
    VolbyJadra bez_pameti, po_usecich;
    bez_pameti.pamet_radku = false;
    po_usecich.cela_osa = 0;
    po_usecich.usek_osy = 13;
    return {{"", VolbyJadra()}, {" without memory", bez_pameti}, {" in stretches", po_usecich}};
}

// The fast kernel, in every layout, on the path in use gives the very bits and lines of the
// cell-by-cell one.
::testing::AssertionResult shodny_s_primym(const Box &b, int funkce,
                                           StatistikaJadra *statistika = nullptr)
{
    Beh primy = spocitej_primo(b, funkce);
    for (const auto &[nazev, volby] : rozvrzeni()) {
        Beh rychly{0, ""};
        HlaseniPostupu postup = [&](int p) {
            rychly.vystup += radek_postupu(7, p);
            return true;
        };
        rychly.hmotnost = vypocti_s_volbami(b, b.d, funkce, volby, postup, statistika);
        if (!stejne_bity(rychly.hmotnost, primy.hmotnost) || rychly.vystup != primy.vystup)
            return ::testing::AssertionFailure()
                   << nazev_cesty_cpu(cesta_cpu()) << nazev << ", funkce " << funkce << ", box "
                   << popis(b) << ": " << presne(rychly.hmotnost) << " instead of "
                   << presne(primy.hmotnost)
                   << (rychly.vystup != primy.vystup ? ", other progress lines" : "");
    }
    return ::testing::AssertionSuccess();
}

NA_KAZDE_CESTE(NaCeste);

TEST(Hustota, CtyriDruhyFunkce)
{
    EXPECT_EQ(ro(2, 3, 4, 1), 1.0);
    EXPECT_EQ(ro(2, 3, 4, 2), 2.0);
    EXPECT_EQ(ro(2, 3, 4, 3), 9.0);
    EXPECT_EQ(ro(2, 3, 4, 4), 0.0);
    EXPECT_EQ(ro(2, 3, 4, 0), 0.0);
}

TEST(Integrace, JednotkovaHustotaNaKvadru20x10x1)
{
    EXPECT_EQ(spocitej({0, 0, 0, 20, 10, 1, 0.5}, 1).hmotnost, 200.0);
}

TEST(Integrace, HustotaXNaJednotkoveKrychli)
{
    EXPECT_EQ(spocitej({0, 0, 0, 1, 1, 1, 0.5}, 2).hmotnost, 0.5);
}

TEST(Integrace, HranaNedelitelnaKrokemPridaVrstvuPresHranu)
{
    // x from 0 to 1.2 with step 0.5: cells at 0, 0.5 and 1.0, the last reaching 1.5.
    EXPECT_EQ(spocitej({0, 0, 0, 1.2, 1, 1, 0.5}, 1).hmotnost, 1.5);
}

TEST(Integrace, PrazdnyBoxNicNevypise)
{
    Beh b = spocitej({3, 0, 0, 3, 1, 1, 0.1}, 1);
    EXPECT_EQ(b.hmotnost, 0.0);
    EXPECT_EQ(b.vystup, "");
}

TEST(Integrace, PostupSeHlasiOdJednohoProcentaANikdyNeDoSta)
{
    Beh b = spocitej({0, 0, 0, 1, 0.1, 0.1, 0.25}, 1);
    // Rows start at 0, 0.25, 0.5 and 0.75 of the edge.
    EXPECT_EQ(b.vystup,
              "Delnik 7: Pocitam dilci hmotnost [25%]\n"
              "Delnik 7: Pocitam dilci hmotnost [50%]\n"
              "Delnik 7: Pocitam dilci hmotnost [75%]\n");
    b = spocitej({0, 0, 0, 1, 0.01, 0.01, 0.001}, 1);
    EXPECT_EQ(b.vystup.find("[0%]"), std::string::npos);
    EXPECT_EQ(b.vystup.find("[100%]"), std::string::npos);
    EXPECT_NE(b.vystup.find("Delnik 7: Pocitam dilci hmotnost [1%]\n"), std::string::npos);
}

TEST(CestyJadra, VychoziJeNejsirsiCoCpuUmi)
{
    if (getenv(PROMENNA_CESTY_CPU) != nullptr)
        GTEST_SKIP() << PROMENNA_CESTY_CPU << " chooses the path";
    EXPECT_TRUE(cpu_umi(CESTA_OBECNA));
    CestaCpu nejsirsi = cpu_umi(CESTA_AVX512) ? CESTA_AVX512
                        : cpu_umi(CESTA_AVX2) ? CESTA_AVX2
                        : cpu_umi(CESTA_SSE2) ? CESTA_SSE2
                                              : CESTA_OBECNA;
    EXPECT_EQ(cesta_cpu(), nejsirsi);
}

// Density 3 is summed in the vectors of the path forced: 2 (the generic path, SSE2), 4 or 8
// doubles.
TEST_P(NaCeste, VrstvySeSectouVektoryTetoCesty)
{
    StatistikaJadra statistika = {};
    spocitej({0, 0, 0, 1, 1, 1, 0.01}, 3, &statistika);
    const unsigned sirka[] = {2, 2, 4, 8};
    EXPECT_EQ(statistika.sirka_vektoru, sirka[GetParam()]);
    EXPECT_GT(statistika.bloky, 0u);
}

double nahodne(std::mt19937_64 &nahoda, double od, double po)
{
    return std::uniform_real_distribution<double>(od, po)(nahoda);
}

// Uniform in the logarithm: every order of magnitude between od and po as likely.
double logaritmicky(std::mt19937_64 &nahoda, double od, double po)
{
    return od * std::pow(po / od, nahodne(nahoda, 0, 1));
}

double pocet_bunek(const Box &b)
{
    double n = 1;
    for (double hrana : {b.xdo - b.xod, b.ydo - b.yod, b.zdo - b.zod})
        n *= std::max(1.0, std::ceil(hrana / b.d));
    return n;
}

// A box of at most about nejvic cells: edges from 1e-3 to 1e3, often not multiples of the
// step, corners anywhere near 0 (negative ones too), the step from the smallest the cell
// bound allows to past the longest edge.
Box nahodny_box(std::mt19937_64 &nahoda, double nejvic)
{
    double hrana[3], roh[3];
    for (int i = 0; i < 3; i++) {
        hrana[i] = logaritmicky(nahoda, 1e-3, 1e3);
        roh[i] = nahoda() % 4 == 0 ? 0.0 : nahodne(nahoda, -1, 1) * logaritmicky(nahoda, 1e-3, 1e3);
    }
    Box b{roh[0], roh[1], roh[2], 0, 0, 0, logaritmicky(nahoda, 1e-4, 2e3)};
    for (b.xdo = roh[0] + hrana[0], b.ydo = roh[1] + hrana[1], b.zdo = roh[2] + hrana[2];
         pocet_bunek(b) > nejvic;)
        b.d *= 1.5;
    if (nahoda() % 4 == 0)
        b.zdo = b.zod + b.d * std::ceil(hrana[2] / b.d);
    return b;
}

// Boxes whose terms and sums have few significant bits, so that sums land on binade edges:
// power-of-two steps and edges, corners on the grid or off it. Corners with all 53 bits make
// terms whose ties with the sum's spacing come often at the start of a box.
Box remizovy_box(std::mt19937_64 &nahoda)
{
    double d = std::ldexp(1.0, (int)(nahoda() % 6) - 4);
    double roh[3], hrana[3];
    for (int i = 0; i < 3; i++) {
        hrana[i] = std::ldexp(1.0, (int)(nahoda() % 7) - 1);
        switch (nahoda() % 4) {
        case 0: roh[i] = 0; break;
        case 1: roh[i] = d * (double)(nahoda() % 8); break;
        case 2: roh[i] = std::ldexp((double)(nahoda() % 64), -6); break;
        default: roh[i] = nahodne(nahoda, 0, 4);
        }
    }
    Box b{roh[0], roh[1], roh[2], roh[0] + hrana[0], roh[1] + hrana[1], roh[2] + hrana[2], d};
    while (pocet_bunek(b) > 50000)
        b.d *= 2;
    return b;
}

// The fast kernel must give the very bits of the cell-by-cell one, progress lines included,
// on boxes whose edges the step does not divide and whose corners are not on one grid.
TEST_P(NaCeste, RychlyKernelJeBitoveShodnySPrimym)
{
    std::mt19937_64 nahoda(20261208);
    StatistikaJadra statistika = {};
    for (int i = 0; i < 3000; i++) {
        Box b = nahodny_box(nahoda, 20000);
        for (int funkce : {1, 2, 3, 4, 0})
            ASSERT_TRUE(shodny_s_primym(b, funkce, &statistika)) << "box " << i;
    }
    // The boxes reached the integer sums, and their limits.
    EXPECT_GT(statistika.skoky, 0u);
    EXPECT_GT(statistika.bloky, 0u);
    EXPECT_GT(statistika.bloky_po_jednom, 0u);
}

TEST_P(NaCeste, RemizyAPrechodyBinadJsouBitoveShodne)
{
    std::mt19937_64 nahoda(7031);
    StatistikaJadra statistika = {};
    for (int i = 0; i < 2000; i++) {
        Box b = remizovy_box(nahoda);
        for (int funkce : {1, 2, 3})
            ASSERT_TRUE(shodny_s_primym(b, funkce, &statistika)) << "box " << i;
    }
    EXPECT_GT(statistika.remizy, 0u);
    EXPECT_GT(statistika.bloky_s_remizou, 0u);
    EXPECT_GT(statistika.bloky, 0u);
}

// More rows than the memory of rows' sums has places for: entries driven out by others, and
// still a good part of the rows found there.
TEST_P(NaCeste, PlnaPametRadkuJeBitoveShodna)
{
    const Box b{0, 0, 0, 0.4, 80, 0.08, 0.01};
    EXPECT_TRUE(shodny_s_primym(b, 3));
    StatistikaJadra statistika = {};
    spocitej(b, 3, &statistika);
    EXPECT_GT(statistika.bloky_znovu * 3, statistika.bloky);
    EXPECT_LT(statistika.bloky_znovu, statistika.bloky);
}

// Masses large enough that "%6.10f" prints every bit of them.
TEST_P(NaCeste, VelkeKvadryJsouBitoveShodne)
{
    EXPECT_TRUE(shodny_s_primym({0, 0, 0, 1000, 100, 100, 0.3}, 3));
    for (int funkce : {1, 2})
        EXPECT_TRUE(shodny_s_primym({0, 0, 0, 1000, 100, 100, 1}, funkce));
}

// Axes longer than the kernel holds at once (2^22 midpoints), z and y, in boxes a few cells
// thin elsewhere, so that the cell-by-cell kernel stays quick; summed in blocks (rows of 8
// cells at least), not one cell at a time.
TEST_P(NaCeste, RadyDelsiNezDrzenaOsaJsouBitoveShodne)
{
    const double d = 1e-6;
    const Box podel_z{0, 0, 0, d, 2 * d, 4.3, d}, podel_y{0.25, 0.5, 0, 0.25 + d, 4.82, 7.5 * d, d};
    for (const Box &b : {podel_z, podel_y}) {
        for (int funkce : {1, 2, 3})
            EXPECT_TRUE(shodny_s_primym(b, funkce));
        StatistikaJadra statistika = {};
        spocitej(b, 3, &statistika);
        EXPECT_GT(statistika.bloky, 0u);
        EXPECT_LT(statistika.scitani_po_jednom * 100, pocet_bunek(b)) << popis(b);
    }
}

// More cells in a slab than 64 bits can count: the sum stops growing long before the end, as
// the loop's would. Volume 1: density 1 adds ones, which stop changing the sum at 2^53;
// density 2 adds halves (the x midpoint), which stop at 2^52, where each is a tie settled to
// the even sum.
TEST(Integrace, VrstvaSViceBunkamiNezPocita64Bitu)
{
    const Box b{0, 0, 0, 1, 0x1p33, 0x1p33, 1};
    EXPECT_EQ(spocitej(b, 1).hmotnost, 0x1p53);
    EXPECT_EQ(spocitej(b, 2).hmotnost, 0x1p52);
}

// The partial masses that vypocti_primo gives for the slabs of the README example
// (20 x 10 x 1, step 0.005, 5 % slabs) with densities 1, 2 and 3, recorded bit for bit:
// working them out cell by cell takes about six seconds, too long for every test run. One
// slab of each density is worked out again below, which ties the table to that kernel.
const double HMOTNOSTI_PRIKLADU[20][3] = {
    {0x1.3ffffff89ed58p+3, 0x1.4000000049792p+2, 0x1.dfffffffff2d3p+5},
    {0x1.4199999227158p+3, 0x1.e3343957ca9p+3, 0x1.198020c4a13b8p+6},
    {0x1.4199999227158p+3, 0x1.9266e9786a053p+4, 0x1.41b353f7d915bp+6},
    {0x1.4199999227158p+3, 0x1.1999db22e18bp+5, 0x1.69e6872b0b888p+6},
    {0x1.4199999227158p+3, 0x1.6a004188f9b55p+5, 0x1.9219ba5e38c7fp+6},
    {0x1.4199999227158p+3, 0x1.ba66a7ef47698p+5, 0x1.ba4ced91646cep+6},
    {0x1.4199999227158p+3, 0x1.0566872a67e0fp+6, 0x1.e28020c48f388p+6},
    {0x1.4199999227158p+3, 0x1.2d99ba5df4d52p+6, 0x1.0559a9fbdd5f1p+7},
    {0x1.3ffffff89ed58p+3, 0x1.5400000047198p+6, 0x1.17fffffffae79p+7},
    {0x1.3ffffff89ed58p+3, 0x1.7c0000006e098p+6, 0x1.2c000000012b2p+7},
    {0x1.3ffffff89ed58p+3, 0x1.a40000007ffe1p+6, 0x1.4000000009625p+7},
    {0x1.3ffffff89ed58p+3, 0x1.cbffffff97486p+6, 0x1.54000000155d3p+7},
    {0x1.3ffffff89ed58p+3, 0x1.f3ffffffc4b0dp+6, 0x1.6800000017ee3p+7},
    {0x1.3ffffff89ed58p+3, 0x1.0dffffffd8d55p+7, 0x1.7c00000015e79p+7},
    {0x1.3ffffff89ed58p+3, 0x1.21fffffff0299p+7, 0x1.9000000010f9ap+7},
    {0x1.3ffffff89ed58p+3, 0x1.3600000019cbcp+7, 0x1.a4000000091d2p+7},
    {0x1.4199999227158p+3, 0x1.4bb34395b1e5fp+7, 0x1.ba4010624c4f5p+7},
    {0x1.4199999227158p+3, 0x1.5fccdd2ed7d17p+7, 0x1.ce59a9fbda5cbp+7},
    {0x1.4199999227158p+3, 0x1.73e676c92d318p+7, 0x1.e273439565c8ep+7},
    {0x1.4199999227158p+3, 0x1.88001062768e7p+7, 0x1.f68cdd2eef22dp+7},
};

// Slab i of the README example as the master hands it out: 5 % of the x edge from
// (20 / 100.0) * 5i, the last one to the edge itself.
Box vrstva_prikladu(int i)
{
    return Box{{(20 / 100.0) * (5 * i), 0, 0, i == 19 ? 20 : (20 / 100.0) * (5 * i + 5), 10, 1},
               0.005};
}

TEST(Integrace, ZaznamPrikladuDavaPrimyKernel)
{
    const Box vrstva = vrstva_prikladu(5);
    for (int funkce = 1; funkce <= 3; funkce++)
        EXPECT_TRUE(stejne_bity(spocitej_primo(vrstva, funkce).hmotnost,
                                HMOTNOSTI_PRIKLADU[5][funkce - 1]));
}

TEST_P(NaCeste, KazdaVrstvaPrikladuJeBitoveShodna)
{
    for (int funkce = 1; funkce <= 3; funkce++) {
        StatistikaJadra statistika = {};
        double bunek = 0;
        for (int i = 0; i < 20; i++) {
            const Box b = vrstva_prikladu(i);
            double m = spocitej(b, funkce, &statistika).hmotnost;
            EXPECT_TRUE(stejne_bity(m, HMOTNOSTI_PRIKLADU[i][funkce - 1]))
                << nazev_cesty_cpu(cesta_cpu()) << ", funkce " << funkce << ", vrstva " << i
                << ": " << presne(m);
            bunek += pocet_bunek(b);
        }
        // The fast ways did the work, not the additions one by one; most rows of density 3
        // came from the memory of rows' sums.
        EXPECT_LT(statistika.scitani_po_jednom, bunek / 1000) << funkce;
        if (funkce == 3) {
            EXPECT_LT(statistika.bloky_po_jednom * 1000, statistika.bloky);
            EXPECT_GT(statistika.bloky_znovu * 2, statistika.bloky);
        }
    }
}

// A start of the running sum: mostly positive values of every size, also zeros, negative,
// subnormal, infinite and NaN ones.
double nahodny_zacatek(std::mt19937_64 &nahoda)
{
    double kladny = std::ldexp(nahodne(nahoda, 1, 2), (int)(nahoda() % 121) - 60);
    switch (nahoda() % 12) {
    case 0: return 0.0;
    case 1: return -0.0;
    case 2: return -kladny;
    case 3: return DBL_MIN * nahodne(nahoda, 0, 1);
    case 4: return std::ldexp(nahodne(nahoda, 1, 2), (int)(nahoda() % 2000) - 1000);
    case 5: {
        const double zvlastni[] = {INFINITY, -INFINITY, NAN, DBL_MAX, 0x1p-969, 0x1p1022};
        return zvlastni[nahoda() % 6];
    }
    default: return kladny;
    }
}

// A term to add to s: mostly positive ones from far below s to above it, ties with the
// spacing of doubles near s, powers of two, and negative, zero, subnormal and non-finite ones.
double nahodny_clen(std::mt19937_64 &nahoda, double s)
{
    double velikost = std::isfinite(s) && s != 0 ? std::fabs(s) : 1.0;
    double ulp = std::nextafter(velikost, INFINITY) - velikost;
    switch (nahoda() % 10) {
    case 0: return ((double)(nahoda() % 2000) + 0.5) * ulp;
    case 1: return std::ldexp(1.0, std::ilogb(velikost) - (int)(nahoda() % 60));
    case 2: return -velikost * std::ldexp(nahodne(nahoda, 1, 2), -(int)(nahoda() % 60));
    case 3: {
        const double zvlastni[] = {0.0, -0.0, DBL_MIN / 3, INFINITY, -INFINITY, NAN, DBL_MIN};
        return zvlastni[nahoda() % 7];
    }
    default: return velikost * std::ldexp(nahodne(nahoda, 1, 2), 4 - (int)(nahoda() % 64));
    }
}

// The closed form on its own: every run of equal terms gives the bits of the plain loop.
TEST(SoucetStejnychClenu, JeBitoveShodnySeScitanimPoJednom)
{
    std::mt19937_64 nahoda(424242);
    StatistikaJadra statistika = {};
    for (int i = 0; i < 6000; i++) {
        double zacatek = nahodny_zacatek(nahoda);
        double clen = nahodny_clen(nahoda, zacatek);
        unsigned long long n = (unsigned long long)logaritmicky(nahoda, 1, 2e5) - 1;
        double s = zacatek;
        for (unsigned long long k = 0; k < n; k++)
            s += clen;
        double rychle = pricti_stejne(zacatek, clen, n, statistika);
        ASSERT_TRUE(stejne_bity(rychle, s))
            << presne(zacatek) << " + " << n << " x " << presne(clen) << ": " << presne(rychle)
            << " instead of " << presne(s);
    }
    EXPECT_GT(statistika.skoky, 0u);
    EXPECT_GT(statistika.remizy, 0u);
}

}  // namespace

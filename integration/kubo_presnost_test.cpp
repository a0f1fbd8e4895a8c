// SPDX-License-Identifier: MIT
// Unit tests of the accurate mass of a run's cells and their reach past the cuboid.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "integration/jadro/kubo_jadro.h"
#include "integration/kubo_presnost.h"
#include "integration/jadro/kubo_ro.h"

namespace {

ParametryBehu beh(double x, double y, double z, double d, int funkce, int velikost)
{
    ParametryBehu p;
    p.kvadr = Kvadr{x, y, z};
    p.d = d;
    p.druh_funkce = funkce;
    p.pocet_delniku = 1;
    p.velikost_prace = velikost;
    p.plan = plan_vrstev(p.kvadr, velikost);
    return p;
}

// The figures cell by cell, as the kernel's loops visit the cells: each cell's mass, with the
// density of its midpoint taken exactly, summed in long double; and the cells' volume.
PresnostBehu po_bunkach(const ParametryBehu &p)
{
    const double d = p.d, objem = d * d * d;
    long double hmotnost = 0, bunek = 0;
    for (const Vrstva &v : p.plan) {
        const Jednotka &j = v.box;
        for (double x = j.xod; x < j.xdo; x += d)
            for (double y = j.yod; y < j.ydo; y += d)
                for (double z = j.zod; z < j.zdo; z += d) {
                    long double xs = x + d / 2.0, ys = y + d / 2.0, zs = z + d / 2.0;
                    long double hustota = p.druh_funkce == 1   ? 1.0L
                                          : p.druh_funkce == 2 ? xs
                                          : p.druh_funkce == 3 ? xs + ys + zs
                                                               : 0.0L;
                    hmotnost += hustota * objem;
                    bunek += 1;
                }
    }
    long double kvadr = (long double)p.kvadr.x * p.kvadr.y * p.kvadr.z;
    return {(double)hmotnost, (double)((bunek * objem - kvadr) / kvadr)};
}

double nahodne(std::mt19937_64 &nahoda, double od, double po)
{
    return std::uniform_real_distribution<double>(od, po)(nahoda);
}

// A run on a grid: a power-of-two step dividing the edges, one slab, so no cell reaches out.
ParametryBehu beh_na_mrizce(std::mt19937_64 &nahoda)
{
    double d = std::ldexp(1.0, -(int)(nahoda() % 6));
    return beh(d * (double)(1 + nahoda() % 30), d * (double)(1 + nahoda() % 30),
               d * (double)(1 + nahoda() % 30), d, 1 + (int)(nahoda() % 3), 100);
}

// A run of at most about 30,000 cells: edges from 0.01 to 10, every density, unit sizes from
// 1 % to the whole edge, steps that rarely divide the edges and sometimes pass a slab's width;
// a quarter of the runs on a grid.
ParametryBehu nahodny_beh(std::mt19937_64 &nahoda)
{
    if (nahoda() % 4 == 0)
        return beh_na_mrizce(nahoda);
    double hrana[3];
    for (double &h : hrana)
        h = 0.01 * std::pow(1000.0, nahodne(nahoda, 0, 1));
    ParametryBehu p = beh(hrana[0], hrana[1], hrana[2], 0, (int)(nahoda() % 5),
                          1 + (int)(nahoda() % 100));
    double slabu = (double)p.plan.size();
    double nejmensi = std::cbrt(hrana[0] * hrana[1] * hrana[2] / 30000);
    do {
        p.d = nejmensi * std::pow(8.0, nahodne(nahoda, 0, 1));
    } while ((hrana[0] / slabu + p.d) * slabu * (hrana[1] + p.d) * (hrana[2] + p.d) >
             30000 * p.d * p.d * p.d);
    return p;
}

TEST(PresnostBehu, ShodujeSeSouctemPoBunkach)
{
    std::mt19937_64 nahoda(1999);
    int presahu = 0;
    for (int i = 0; i < 1500; i++) {
        ParametryBehu p = nahodny_beh(nahoda);
        PresnostBehu cekane = po_bunkach(p), dane;
        ASSERT_TRUE(posud_beh(p, dane));
        std::string popis = "run " + std::to_string(i) + ": " + std::to_string(p.kvadr.x) + " " +
                            std::to_string(p.kvadr.y) + " " + std::to_string(p.kvadr.z) + " " +
                            std::to_string(p.d) + " " + std::to_string(p.druh_funkce) + " " +
                            std::to_string(p.velikost_prace);
        ASSERT_NEAR(dane.presna_hmotnost, cekane.presna_hmotnost,
                    1e-12 * std::fabs(cekane.presna_hmotnost))
            << popis;
        ASSERT_NEAR(dane.presah, cekane.presah, 1e-12 * (1 + std::fabs(cekane.presah))) << popis;
        presahu += cekane.presah > 0.01;
    }
    // Most runs reached past their cuboids; those on a grid did not.
    EXPECT_GT(presahu, 100);
    EXPECT_LT(presahu, 1300);
}

// The total a single worker's run gives: the slabs' partial masses added in slab order.
double celkem(const ParametryBehu &p)
{
    double soucet = 0;
    for (const Vrstva &v : p.plan)
        soucet += vypocti(v.box, p.d, p.druh_funkce, HlaseniPostupu());
    return soucet;
}

// A unit cube of density 1 in 1e18 cells: the running sum stops growing at 1/64, once each
// cell's 1e-18 falls below half its last place.
TEST(VarovaniBehu, SoucetKteryPrestalRust)
{
    ParametryBehu p = beh(1, 1, 1, 1e-6, 1, 100);
    ASSERT_EQ(celkem(p), 0.015625);
    std::vector<std::string> varovani = varovani_behu(p, 0.015625);
    ASSERT_EQ(varovani.size(), 1u);
    EXPECT_EQ(varovani[0], "Varovani: Hmotnost kvadru vyse se lisi o 98.44 % od presneho souctu "
                           "tychz bunek (1): pri scitani po bunkach se v zaokrouhlovani "
                           "ztratila cast prirustku.");
}

// Step 0.5 in 1 % slabs: each slab counts a whole layer of cells, 0.5 thick.
TEST(VarovaniBehu, KrokSirsiNezVrstva)
{
    ParametryBehu p = beh(1, 1, 1, 0.5, 1, 1);
    ASSERT_EQ(celkem(p), 50.0);
    std::vector<std::string> varovani = varovani_behu(p, 50.0);
    ASSERT_EQ(varovani.size(), 1u);
    EXPECT_EQ(varovani[0], "Varovani: bunky vypoctu presahuji kvadr o 4900.0 % jeho objemu: "
                           "integracni krok 0.5 je sirsi nez vrstva 0.01, kazda vrstva tak "
                           "zapocita celou vrstvu bunek.");
}

// A step that leaves a fifth of a cell past each edge: 1.2 x 1.2 x 1.2 cells for a cube 1.
TEST(VarovaniBehu, KrokNedeliHrany)
{
    ParametryBehu p = beh(1, 1, 1, 0.6, 2, 100);
    std::vector<std::string> varovani = varovani_behu(p, celkem(p));
    ASSERT_EQ(varovani.size(), 1u);
    EXPECT_EQ(varovani[0], "Varovani: bunky vypoctu presahuji kvadr o 72.8 % jeho objemu: "
                           "integracni krok 0.6 nedeli hrany kvadru a vrstev beze zbytku, krajni "
                           "bunky presahuji pres ne.");
}

// The reason given turns on the narrowest slab: step 0.3 is wider than 25 % slabs of a unit
// edge and narrower than 50 % ones.
TEST(VarovaniBehu, DuvodPresahuPodleSirkyVrstvy)
{
    for (int velikost : {25, 50}) {
        ParametryBehu p = beh(1, 1, 1, 0.3, 1, velikost);
        std::vector<std::string> varovani = varovani_behu(p, celkem(p));
        ASSERT_EQ(varovani.size(), 1u);
        bool sirsi = varovani[0].find("je sirsi nez vrstva 0.25,") != std::string::npos;
        bool nedeli = varovani[0].find("krok 0.3 nedeli hrany") != std::string::npos;
        EXPECT_EQ(sirsi, velikost == 25) << varovani[0];
        EXPECT_EQ(nedeli, velikost == 50) << varovani[0];
    }
}

// The example of the README, for every density: no warning.
TEST(VarovaniBehu, PrikladBezVarovani)
{
    for (int funkce = 1; funkce <= 3; funkce++) {
        ParametryBehu p = beh(20, 10, 1, 0.005, funkce, 5);
        EXPECT_TRUE(varovani_behu(p, celkem(p)).empty()) << funkce;
    }
}

// Nothing to judge: density 0, even in cells that reach out, or an edge that holds no cells.
TEST(VarovaniBehu, NulovaHmotnostBezVarovani)
{
    for (const ParametryBehu &p : {beh(2, 1, 1, 0.3, 4, 10), beh(2, 0, 1, 0.1, 3, 10),
                                   beh(-2, 1, 1, 0.1, 1, 10)})
        EXPECT_TRUE(varovani_behu(p, celkem(p)).empty());
}

// A total a millionth and a bit off its accurate value is warned of; one within it is not.
TEST(VarovaniBehu, HraniceMiliontiny)
{
    ParametryBehu p = beh(2, 1, 1, 0.125, 3, 100);
    PresnostBehu presnost;
    ASSERT_TRUE(posud_beh(p, presnost));
    EXPECT_EQ(presnost.presah, 0.0);
    double m = presnost.presna_hmotnost;
    EXPECT_TRUE(varovani_behu(p, m * (1 + 0.9e-6)).empty());
    EXPECT_EQ(varovani_behu(p, m * (1 - 1.1e-6)).size(), 1u);
}

// A slab whose loop would never end (past 2^53 adding 1 rounds back) has no figures.
TEST(PresnostBehu, NekonecnaSmyckaNemaVysledek)
{
    ParametryBehu p = beh(1, 0x1p53 + 8, 1, 1, 1, 100);
    PresnostBehu presnost;
    EXPECT_FALSE(posud_beh(p, presnost));
    EXPECT_TRUE(varovani_behu(p, 1).empty());
}

}  // namespace

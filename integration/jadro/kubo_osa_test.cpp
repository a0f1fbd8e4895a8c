// SPDX-License-Identifier: MIT
// Unit tests of the coordinates a cell loop visits along one axis, worked out in stretches.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "integration/jadro/kubo_osa.h"
#include "integration/jadro/kubo_soucet.h"

namespace {

std::string presne(double x)
{
    char text[40];
    snprintf(text, sizeof text, "%a", x);
    return text;
}

// The coordinates the plain loop visits.
std::vector<double> smycka(double od, double po, double d)
{
    std::vector<double> t;
    for (double x = od; x < po; x += d)
        t.push_back(x);
    return t;
}

// The stretches' coordinates, each by its formula.
std::vector<double> rozvin(const std::vector<Usek> &useky)
{
    std::vector<double> t;
    for (const Usek &u : useky)
        for (uint64_t j = 0; j < u.pocet; j++)
            t.push_back(u.zacatek + (double)(int64_t)j * u.krok);
    return t;
}

// The stretches of the loop (od, po, d) give its very coordinates, and stredy_souradnic the
// midpoints it makes of them, from a few starting cells and for a few lengths.
::testing::AssertionResult jako_smycka(double od, double po, double d, std::mt19937_64 &nahoda)
{
    std::string osa = presne(od) + " .. " + presne(po) + " by " + presne(d);
    std::vector<Usek> useky;
    if (!souradnice_na_ose(od, po, d, useky))
        return ::testing::AssertionFailure() << osa << ": said never to end";
    std::vector<double> cekane = smycka(od, po, d), dane = rozvin(useky);
    if (pocet_souradnic(useky) != cekane.size() || dane.size() != cekane.size())
        return ::testing::AssertionFailure()
               << osa << ": " << pocet_souradnic(useky) << " coordinates, " << cekane.size()
               << " in the loop";
    for (size_t j = 0; j < cekane.size(); j++)
        if (bity(dane[j]) != bity(cekane[j]))
            return ::testing::AssertionFailure() << osa << ": coordinate " << j << " is "
                                                 << presne(dane[j]) << ", not "
                                                 << presne(cekane[j]);
    for (int pokus = 0; pokus < 4 && !cekane.empty(); pokus++) {
        size_t prvni = nahoda() % cekane.size(), n = nahoda() % (cekane.size() - prvni + 1);
        std::vector<double> stredy(n);
        stredy_souradnic<v2d>(useky, d, prvni, n, stredy.data());
        for (size_t j = 0; j < n; j++)
            if (bity(stredy[j]) != bity(cekane[prvni + j] + d / 2.0))
                return ::testing::AssertionFailure() << osa << ": midpoint " << prvni + j;
    }
    return ::testing::AssertionSuccess();
}

double nahodne(std::mt19937_64 &nahoda, double od, double po)
{
    return std::uniform_real_distribution<double>(od, po)(nahoda);
}

// A loop of at most about 20,000 coordinates: starts below zero and above, steps of every
// size and powers of two (whose sums land on binade edges and ties), ends past the start.
void nahodna_osa(std::mt19937_64 &nahoda, double &od, double &po, double &d)
{
    int rad = (int)(nahoda() % 40) - 20;
    d = nahoda() % 3 == 0 ? std::ldexp(1.0, rad) : std::ldexp(nahodne(nahoda, 1, 2), rad);
    double delka = d * std::exp(nahodne(nahoda, 0, std::log(20000.0)));
    switch (nahoda() % 4) {
    case 0: od = 0; break;
    case 1: od = -nahodne(nahoda, 0, 1) * delka; break;
    case 2: od = d * (double)(nahoda() % 1000); break;
    default: od = std::ldexp(nahodne(nahoda, 1, 2), rad + (int)(nahoda() % 30));
    }
    po = od + delka;
}

TEST(SouradniceNaOse, JsouTySmycky)
{
    std::mt19937_64 nahoda(5150);
    for (int i = 0; i < 4000; i++) {
        double od, po, d;
        nahodna_osa(nahoda, od, po, d);
        ASSERT_TRUE(jako_smycka(od, po, d, nahoda)) << "axis " << i;
    }
}

// Steps with ties against the spacing near the coordinates: d an odd number of half units, at
// least three (one half unit alone never moves an even coordinate: that loop never ends).
TEST(SouradniceNaOse, RemizySeRozhodujiJakoVeSmycce)
{
    std::mt19937_64 nahoda(77);
    for (int i = 0; i < 2000; i++) {
        double od = std::ldexp(nahodne(nahoda, 1, 2), (int)(nahoda() % 20) - 10);
        double ulp = std::nextafter(od, INFINITY) - od;
        double d = ((double)(nahoda() % 64 + 1) + 0.5) * ulp;
        if (nahoda() % 2)
            od = -od;
        ASSERT_TRUE(jako_smycka(od, od + d * (double)(nahoda() % 3000 + 1), d, nahoda))
            << "axis " << i;
    }
}

// Coordinates that reach a binade's edge in a whole number of steps, from above it (rising onto
// 2) and from below zero (their magnitude falling onto 1, where the spacing halves): steps of
// q units and a fraction, ties included, so that the last exact result may round either way.
TEST(SouradniceNaOse, HraniceBinadVObouSmerech)
{
    std::mt19937_64 nahoda(99);
    const double u = 0x1p-52;
    for (int i = 0; i < 3000; i++) {
        uint64_t q = (uint64_t(1) << 38) + nahoda() % (uint64_t(1) << 40);
        double d = ((double)q + (double)(nahoda() % 8) / 8) * u;
        double k_q = (double)((1 + nahoda() % 64) * q) * u;
        double od = nahoda() % 2 ? -(1 + k_q) : 2 - k_q;
        ASSERT_TRUE(jako_smycka(od, od + 200 * d, d, nahoda)) << "axis " << i;
    }
}

// Past the 2^22 coordinates the kernel once held at most: still a few stretches per binade.
TEST(SouradniceNaOse, DlouhaOsaMaMaloUseku)
{
    std::vector<Usek> useky;
    ASSERT_TRUE(souradnice_na_ose(0, 4.2, 1e-6, useky));
    std::vector<double> cekane = smycka(0, 4.2, 1e-6);
    ASSERT_EQ(pocet_souradnic(useky), cekane.size());
    EXPECT_GT(cekane.size(), size_t(1) << 22);
    EXPECT_LT(useky.size(), 100u);
    std::vector<double> stredy(1000);
    stredy_souradnic<v2d>(useky, 1e-6, cekane.size() - 1000, 1000, stredy.data());
    for (size_t j = 0; j < 1000; j++)
        ASSERT_EQ(bity(stredy[j]), bity(cekane[cekane.size() - 1000 + j] + 1e-6 / 2.0)) << j;
}

// Far more coordinates than a loop could visit in a run: counted all the same.
TEST(SouradniceNaOse, MiliardyBunekSePocitajiBezSmycky)
{
    std::vector<Usek> useky;
    ASSERT_TRUE(souradnice_na_ose(0, 0x1p40, 1, useky));
    EXPECT_EQ(pocet_souradnic(useky), uint64_t(1) << 40);
    ASSERT_TRUE(souradnice_na_ose(-0x1p40, 0x1p40, 0.75, useky));
    // Every coordinate is a multiple of 1/4 below 2^41 in magnitude, and so exact: 2^41 / 0.75
    // steps, rounded up.
    EXPECT_EQ(pocet_souradnic(useky), (uint64_t(1) << 43) / 3 + 1);
}

TEST(SouradniceNaOse, SmyckaKteraNikdyNeskonciSePozna)
{
    std::vector<Usek> useky;
    // From 2^53 on, adding 1 rounds back: 2^53 + 1 is a tie, settled to the even 2^53.
    EXPECT_FALSE(souradnice_na_ose(0x1p53 - 8, 0x1p53 + 8, 1, useky));
    EXPECT_FALSE(souradnice_na_ose(0, 0x1p60, 1, useky));
    EXPECT_FALSE(souradnice_na_ose(-INFINITY, 0, 1, useky));
    EXPECT_TRUE(souradnice_na_ose(0x1p53 - 8, 0x1p53, 1, useky));
    EXPECT_EQ(pocet_souradnic(useky), 8u);
}

TEST(SouradniceNaOse, PrazdnaANeobvyklaOsa)
{
    std::vector<Usek> useky;
    for (double po : {0.0, -1.0, (double)NAN}) {
        ASSERT_TRUE(souradnice_na_ose(0, po, 0.5, useky));
        EXPECT_EQ(pocet_souradnic(useky), 0u);
    }
    ASSERT_TRUE(souradnice_na_ose(NAN, 1, 0.5, useky));
    EXPECT_EQ(pocet_souradnic(useky), 0u);
    // A step past every double: one coordinate, then infinity ends the loop.
    ASSERT_TRUE(souradnice_na_ose(1, INFINITY, INFINITY, useky));
    EXPECT_EQ(pocet_souradnic(useky), 1u);
    // Steps below the smallest normal double are added one at a time, and still counted.
    std::mt19937_64 nahoda(3);
    EXPECT_TRUE(jako_smycka(0, 1000 * DBL_TRUE_MIN, 3 * DBL_TRUE_MIN, nahoda));
    EXPECT_TRUE(jako_smycka(-DBL_MIN, DBL_MIN, DBL_MIN / 7, nahoda));
}

}  // namespace

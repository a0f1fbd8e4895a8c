// SPDX-License-Identifier: MIT
// Unit tests of the master's book of workers and units, lost workers included.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "integration/kubo_prace.h"
#include "integration/kubo_prideleni.h"

namespace {

// Units of velikost percent: how many a plan has.
size_t jednotek(int velikost) { return plan_vrstev(Kvadr{10, 1, 1}, velikost).size(); }

// The book of a run in units of velikost percent, its workers all ready.
Prideleni kniha(int delniku, int velikost)
{
    Prideleni p = prideleni_planu(jednotek(velikost));
    for (int i = 0; i < delniku; i++) {
        Delnik d;
        d.tid = 100 + i;
        d.hostitel = i % 2;
        d.stav = PRIPRAVEN;
        p.delnici.push_back(d);
    }
    return p;
}

TEST(Prideleni, CerstveJednotkyPostupujiPoPlanu)
{
    Prideleni p = kniha(2, 30);
    EXPECT_EQ(vydej_jednotku(p, 0), 0);
    EXPECT_EQ(vydej_jednotku(p, 1), 1);
    EXPECT_EQ(p.vydano, 2);
    EXPECT_EQ(p.pracujicich_workeru, 2);
    EXPECT_TRUE(prijmi_vysledek(p, 0, 1.0));
    EXPECT_EQ(p.pracujicich_workeru, 1);
    EXPECT_EQ(vydej_jednotku(p, 0), 2);
    EXPECT_EQ(vydej_jednotku(p, 1), 3);  // the last slab, to the full edge
    EXPECT_EQ(vydej_jednotku(p, 1), -1);
    EXPECT_EQ(p.vydano, 4);
}

TEST(Prideleni, PraceZtracenehoDelnikaJdeDalsimuPredCerstvou)
{
    Prideleni p = kniha(2, 50);
    vydej_jednotku(p, 0);
    vydej_jednotku(p, 1);
    EXPECT_EQ(ztrat_delnika(p, 0), 0);
    EXPECT_EQ(p.pracujicich_workeru, 1);
    EXPECT_EQ(zivych_delniku(p), 1);
    EXPECT_TRUE(prace_zbyva(p));
    EXPECT_TRUE(prijmi_vysledek(p, 1, 1.0));
    EXPECT_EQ(vydej_jednotku(p, 1), 0);
    EXPECT_TRUE(prijmi_vysledek(p, 1, 1.0));
    EXPECT_FALSE(prace_zbyva(p));
}

TEST(Prideleni, PozdniVysledekZtracenehoSeZapoctePrave)
{
    // The lost worker's result arrives after its loss was noticed: counted once, and the
    // rerun's result is then a duplicate.
    Prideleni p = kniha(2, 50);
    vydej_jednotku(p, 0);
    vydej_jednotku(p, 1);
    ztrat_delnika(p, 0);
    EXPECT_TRUE(prijmi_vysledek(p, 1, 1.0));
    EXPECT_EQ(vydej_jednotku(p, 1), 0);
    EXPECT_TRUE(prijmi_vysledek(p, 0, 1.0));
    EXPECT_FALSE(prijmi_vysledek(p, 1, 1.0));
    EXPECT_EQ(p.pracujicich_workeru, 0);
    EXPECT_FALSE(prace_zbyva(p));
}

TEST(Prideleni, PozdniVysledekPredOpakovanimRusiVraceni)
{
    Prideleni p = kniha(2, 50);
    vydej_jednotku(p, 0);
    vydej_jednotku(p, 1);
    ztrat_delnika(p, 0);
    EXPECT_TRUE(prijmi_vysledek(p, 0, 1.0));
    EXPECT_TRUE(p.vracene.empty());
    EXPECT_TRUE(prijmi_vysledek(p, 1, 1.0));
    EXPECT_FALSE(prace_zbyva(p));
}

TEST(Prideleni, DvojiZtrataAZastavenyDelnikNicNemeni)
{
    Prideleni p = kniha(3, 100);
    vydej_jednotku(p, 0);
    EXPECT_EQ(ztrat_delnika(p, 0), 0);
    EXPECT_EQ(ztrat_delnika(p, 0), -1);
    EXPECT_EQ(p.vracene.size(), 1u);
    EXPECT_EQ(p.pracujicich_workeru, 0);
    p.delnici[1].stav = ZASTAVEN;
    EXPECT_EQ(ztrat_delnika(p, 1), -1);
    EXPECT_EQ(p.delnici[1].stav, ZASTAVEN);
    EXPECT_EQ(ztrat_delnika(p, 2), -1);  // idle: nothing to hand out again
    EXPECT_EQ(zivych_delniku(p), 1);
}

// A partial mass for each unit number whose sum depends on the order of the additions.
double hmotnost_jednotky(int cislo) { return std::ldexp(1.0 + cislo * 0.1234567, cislo * 7 % 41 - 20); }

int nahodny_z(std::mt19937 &g, const std::vector<int> &z) { return z[g() % z.size()]; }

std::vector<int> delnici_ve_stavu(const Prideleni &p, StavDelnika stav)
{
    std::vector<int> z;
    for (size_t i = 0; i < p.delnici.size(); i++)
        if (p.delnici[i].stav == stav)
            z.push_back((int)i);
    return z;
}

// A run with results arriving in a random order, some workers lost (and some of their
// results arriving late after all), against the sum a single worker adds.
TEST(Prideleni, SoucetJeVPoradiJednotekAtPrijdouVysledkyJakkoli)
{
    int jinak_nez_prichod = 0;
    for (unsigned seminko = 0; seminko < 300; seminko++) {
        std::mt19937 g(seminko);
        int velikost = 1 + (int)(g() % 40), delniku = 1 + (int)(g() % 8);
        Prideleni p = kniha(delniku, velikost);
        for (int i = 0; i < delniku; i++)
            vydej_jednotku(p, i);
        double v_poradi_prichodu = 0.0;
        std::vector<int> pozdni;  // lost workers whose result is still on its way
        while (prace_zbyva(p)) {
            std::vector<int> pracujici = delnici_ve_stavu(p, PRACUJE);
            ASSERT_FALSE(pracujici.empty()) << seminko;
            int i = nahodny_z(g, pracujici);
            if (g() % 8 == 0 && zivych_delniku(p) > 1) {
                ztrat_delnika(p, i);
                if (g() % 2 == 0)
                    pozdni.push_back(i);
                for (int necinny : delnici_ve_stavu(p, PRIPRAVEN))
                    vydej_jednotku(p, necinny);
                continue;
            }
            if (!pozdni.empty() && g() % 3 == 0) {
                i = pozdni.back();
                pozdni.pop_back();
            }
            double m = hmotnost_jednotky(p.delnici[i].jednotka);
            if (prijmi_vysledek(p, i, m))
                v_poradi_prichodu += m;
            if (p.delnici[i].stav != ZTRACEN)
                vydej_jednotku(p, i);
        }
        double jeden_delnik = 0.0;
        for (size_t cislo = 0; cislo < jednotek(velikost); cislo++)
            jeden_delnik += hmotnost_jednotky((int)cislo);
        EXPECT_EQ(celkova_hmotnost(p), jeden_delnik) << seminko;
        jinak_nez_prichod += v_poradi_prichodu != jeden_delnik;
    }
    // The masses are chosen so that the order of the additions shows in the sum.
    EXPECT_GT(jinak_nez_prichod, 30);
}

TEST(Prideleni, NajdeDelnikaPodleIdentifikatoru)
{
    Prideleni p = kniha(3, 50);
    EXPECT_EQ(najdi_delnika(p, 102), 2);
    EXPECT_EQ(najdi_delnika(p, 7), -1);
}

}  // namespace

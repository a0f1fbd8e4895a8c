// Unit tests of the master's book of workers and units, lost workers included.
#include <gtest/gtest.h>

#include "kubo_prideleni.h"

namespace {

Prideleni kniha(int delniku, int velikost)
{
    Prideleni p;
    p.kvadr.x = 10;
    p.kvadr.y = 1;
    p.kvadr.z = 1;
    p.velikost_prace = velikost;
    for (int i = 0; i < delniku; i++) {
        Delnik d;
        d.tid = 100 + i;
        d.hostitel = i % 2;
        d.stav = PRIPRAVEN;
        p.delnici.push_back(d);
    }
    return p;
}

TEST(Prideleni, CerstveJednotkyPostupujiPoHrane)
{
    Prideleni p = kniha(2, 30);
    EXPECT_EQ(vydej_jednotku(p, 0), 0);
    EXPECT_EQ(vydej_jednotku(p, 1), 1);
    EXPECT_EQ(p.zadana_prace, 60);
    EXPECT_EQ(p.pracujicich_workeru, 2);
    EXPECT_EQ(p.jednotky[1].od_procent, 30);
    EXPECT_EQ(p.jednotky[1].box.xod, (10 / 100.0) * 30);
    EXPECT_TRUE(prijmi_vysledek(p, 0));
    EXPECT_EQ(p.pracujicich_workeru, 1);
    EXPECT_EQ(vydej_jednotku(p, 0), 2);
    EXPECT_EQ(vydej_jednotku(p, 1), 3);  // the last slab, to the full edge
    EXPECT_EQ(p.jednotky[3].box.xdo, 10.0);
    EXPECT_EQ(vydej_jednotku(p, 1), -1);
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
    EXPECT_TRUE(prijmi_vysledek(p, 1));
    EXPECT_EQ(vydej_jednotku(p, 1), 0);
    EXPECT_TRUE(prijmi_vysledek(p, 1));
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
    EXPECT_TRUE(prijmi_vysledek(p, 1));
    EXPECT_EQ(vydej_jednotku(p, 1), 0);
    EXPECT_TRUE(prijmi_vysledek(p, 0));
    EXPECT_FALSE(prijmi_vysledek(p, 1));
    EXPECT_EQ(p.pracujicich_workeru, 0);
    EXPECT_FALSE(prace_zbyva(p));
}

TEST(Prideleni, PozdniVysledekPredOpakovanimRusiVraceni)
{
    Prideleni p = kniha(2, 50);
    vydej_jednotku(p, 0);
    vydej_jednotku(p, 1);
    ztrat_delnika(p, 0);
    EXPECT_TRUE(prijmi_vysledek(p, 0));
    EXPECT_TRUE(p.vracene.empty());
    EXPECT_TRUE(prijmi_vysledek(p, 1));
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

TEST(Prideleni, NajdeDelnikaPodleIdentifikatoru)
{
    Prideleni p = kniha(3, 10);
    EXPECT_EQ(najdi_delnika(p, 102), 2);
    EXPECT_EQ(najdi_delnika(p, 7), -1);
}

}  // namespace

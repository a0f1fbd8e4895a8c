// SPDX-License-Identifier: MIT
// The shared PVM edge driven through the scripted PVM: kills, notices, sends and receives.
#include <gtest/gtest.h>
#include <pvm3.h>

#include "common/falesne_pvm.h"

TEST(ZabitiUloh, NezdarenePrvniZabitiNezastaviOstatni)
{
    FalesnePvm pvm;
    pvm.nezabitelne = {0x40003};
    std::string chyba;
    EXPECT_FALSE(zabij_ulohy(pvm, {0x40002, 0x40003, 0x40004, 0x40005}, &chyba));
    EXPECT_EQ(pvm.zabite, (std::vector<int>{0x40002, 0x40003, 0x40004, 0x40005}));
    EXPECT_EQ(chyba, "pvm_kill selhalo (cislo chyby " + std::to_string(PvmNoTask) + ")");
}

TEST(HlidaniHostitelu, DvaDelniciNaJednomHostiteliJsouJednoHlidani)
{
    FalesnePvm pvm;
    pvm.hostitele_uloh = {{0x80002, 0x80000}, {0x80003, 0x80000}};
    std::string chyba;
    ASSERT_TRUE(hlidej_hostitele_uloh(pvm, {0x40002, 0x80002, 0x80003, 0x40003}, &chyba));
    ASSERT_EQ(pvm.hlidane.size(), 1u);
    EXPECT_EQ(pvm.hlidane[0].first, PvmHostDelete);
    EXPECT_EQ(pvm.hlidane[0].second, (std::vector<int>{0x40000, 0x80000}));
}

TEST(Prijem, ZpravaOdJinehoOdesilateleCekaVeFronte)
{
    FalesnePvm pvm;
    pvm.doruc(0x40005, 8, {cele(1)});
    pvm.doruc(0x40002, 8, {cele(2)});
    int znacka = 0, odesilatel = 0, hodnota = 0;
    ASSERT_GT(pvm.prijmi(0x40002, 8, 0, &znacka, &odesilatel), 0);
    ASSERT_TRUE(rozbal(pvm, &hodnota, 1, nullptr));
    EXPECT_EQ(hodnota, 2);
    ASSERT_GT(prijmi_zpravu(pvm, 0.2, znacka, odesilatel), 0);
    EXPECT_EQ(odesilatel, 0x40005);
    EXPECT_EQ(prijmi_zpravu(pvm, 0.2, znacka, odesilatel), 0);
}

TEST(Prijem, ZpravaBezHodnotSeNerozbali)
{
    FalesnePvm pvm;
    pvm.doruc(0x40002, 8, {cele(7)});
    int znacka = 0, odesilatel = 0, tid = 0;
    double hmotnost = 0;
    ASSERT_GT(prijmi_zpravu(pvm, -1, znacka, odesilatel), 0);
    ASSERT_TRUE(rozbal(pvm, &tid, 1, nullptr));
    std::string chyba;
    EXPECT_FALSE(rozbal(pvm, &hmotnost, 1, &chyba));
    EXPECT_EQ(chyba, "pvm_upkdouble selhalo (cislo chyby " + std::to_string(PvmNoData) + ")");
}

TEST(Prijem, CekaniNaVzdyNeskonciVTestuZaseknutim)
{
    FalesnePvm pvm;
    int znacka = 0, odesilatel = 0;
    EXPECT_LT(prijmi_zpravu(pvm, -1, znacka, odesilatel), 0);
}

TEST(Odeslani, BufferZustavaPoOdeslaniAPridaniSeNaKonec)
{
    // A stopped reply is packed onto the buffer last sent, without a new one.
    FalesnePvm pvm;
    int mytid = 0x40002;
    ASSERT_TRUE(zacni_zpravu(pvm, nullptr) && zabal(pvm, &mytid, 1, nullptr) &&
                posli(pvm, 0x40001, 5, nullptr));
    ASSERT_TRUE(zabal(pvm, &mytid, 1, nullptr) && posli(pvm, 0x40001, 6, nullptr));
    ASSERT_EQ(pvm.odeslane.size(), 2u);
    EXPECT_EQ(pvm.odeslane[1].polozky.size(), 2u);
    EXPECT_EQ(pvm.odeslane[1].polozky[0].i, mytid);
}

TEST(Spusteni, KodSelhaniSeVratiMistoIdentifikatoru)
{
    FalesnePvm pvm;
    pvm.selhani_spusteni = {PvmNoFile};
    EXPECT_EQ(spust_ulohu(pvm, "kubo-worker.exe", {}), PvmNoFile);
    EXPECT_EQ(spust_ulohu(pvm, "kubo-worker.exe", {}), 0x40002);
    ASSERT_EQ(pvm.spustene.size(), 1u);
}

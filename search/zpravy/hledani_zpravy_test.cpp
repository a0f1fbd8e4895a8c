// SPDX-License-Identifier: MIT
// The search's messages through the scripted PVM: a piece as packed and as unpacked, the
// heads farmer refuses, the encoding of the positions.
#include "search/zpravy/hledani_zpravy.h"

#include <gtest/gtest.h>
#include <pvm3.h>

#include <climits>

#include "common/falesne_pvm.h"

namespace {

// The head of a message of items, as farmer unpacks it; false when it refuses it.
bool hlavicka(const std::vector<Polozka> &polozky, size_t &pocet, bool &posledni)
{
    FalesnePvm pvm;
    pvm.doruc(0x40002, ZNACKA_ODPOVED, polozky);
    int znacka = 0, odesilatel = 0;
    EXPECT_GT(prijmi_zpravu(pvm, 0, znacka, odesilatel), 0);
    return rozbal_hlavicku(pvm, pocet, posledni);
}

TEST(KusOdpovedi, ZabalenyKusSeRozbaliZpet)
{
    for (bool posledni : {false, true}) {
        FalesnePvm pvm;
        std::vector<int> pozice = {3, 9, 27};
        ASSERT_TRUE(posli_kus(pvm, 0x40001, PvmDataInPlace, pozice, posledni, nullptr));
        ASSERT_EQ(pvm.odeslane.size(), 1u);
        EXPECT_EQ(pvm.odeslane[0].znacka, ZNACKA_ODPOVED);
        pvm.prichozi.push_back(pvm.odeslane[0]);
        int znacka = 0, odesilatel = 0;
        ASSERT_GT(prijmi_zpravu(pvm, 0, znacka, odesilatel), 0);
        size_t pocet = 0;
        bool je_posledni = !posledni;
        ASSERT_TRUE(rozbal_hlavicku(pvm, pocet, je_posledni));
        EXPECT_EQ(pocet, 3u);
        EXPECT_EQ(je_posledni, posledni);
        int zpet[3];
        ASSERT_TRUE(rozbal_pozice(pvm, zpet, 3));
        EXPECT_EQ(std::vector<int>(zpet, zpet + 3), pozice);
        EXPECT_FALSE(rozbal_pozice(pvm, zpet, 1));
    }
}

TEST(KusOdpovedi, HlavickyKtereFarmerOdmitne)
{
    size_t pocet = 0;
    bool posledni = false;
    // The classic reply with nothing found: one int, 0.
    EXPECT_TRUE(hlavicka({cele(0)}, pocet, posledni));
    EXPECT_TRUE(posledni);
    EXPECT_EQ(pocet, 0u);
    // No head, a head that is no int, a piece of none with more to follow, and the one head
    // whose count cannot be negated.
    EXPECT_FALSE(hlavicka({}, pocet, posledni));
    EXPECT_FALSE(hlavicka({realne(1.0)}, pocet, posledni));
    EXPECT_FALSE(hlavicka({cele(INT_MIN)}, pocet, posledni));
    EXPECT_TRUE(hlavicka({cele(-INT_MAX)}, pocet, posledni));
    EXPECT_FALSE(posledni);
    EXPECT_EQ(pocet, static_cast<size_t>(INT_MAX));
}

TEST(KodovaniPozic, NaMisteJenKdyzVsichniHostiteleUkladajiCislaStejne)
{
    FalesnePvm pvm;
    pvm.formatu = 1;
    EXPECT_EQ(kodovani_pozic(pvm), PvmDataInPlace);
    pvm.formatu = 2;
    EXPECT_EQ(kodovani_pozic(pvm), PvmDataDefault);
    pvm.formatu = PvmSysErr;
    EXPECT_EQ(kodovani_pozic(pvm), PvmDataDefault);
}

TEST(KusPozic, ZProstrediJenCeleCisloOdJednohoDoVychozihoKusu)
{
    const struct {
        const char *hodnota;
        size_t kus;
    } pripady[] = {{"1", 1}, {"1048576", KUS_POZIC}, {"1048577", KUS_POZIC}, {"0", KUS_POZIC},
                   {"-3", KUS_POZIC}, {"7x", KUS_POZIC}, {"", KUS_POZIC}, {"250", 250}};
    for (const auto &p : pripady) {
        setenv(PROMENNA_KUS_POZIC, p.hodnota, 1);
        EXPECT_EQ(kus_pozic(), p.kus) << '"' << p.hodnota << '"';
    }
    unsetenv(PROMENNA_KUS_POZIC);
    EXPECT_EQ(kus_pozic(), KUS_POZIC);
}

}  // namespace

// SPDX-License-Identifier: MIT
// Tests of farmer's count on every core: for many random texts, block sizes, point spacings
// and thread counts, the length and every point are those of one pass, CR LF pairs split by
// the blocks' ends included.
#include "search/text/soubezne_pocitani.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "search/text/cteni.h"
#include "common/testy/cesty.h"
#include "search/testy/orakula.h"
#include "search/testy/soubory.h"

namespace {

// One count: the length and the points.
struct Vysledek {
    size_t delka = 0;
    std::vector<Pocet> body;
};

std::string popis(const Vysledek &v)
{
    std::string s = std::to_string(v.delka) + " |";
    for (const Pocet &p : v.body)
        s += " " + zapis_pocet(p);
    return s;
}

Vysledek jednim_pruchodem(FILE *f, size_t nejvic, size_t rozestup, size_t blok)
{
    Vysledek v;
    std::string chyba;
    rewind(f);
    EXPECT_TRUE(spocti_spojene(f, nejvic, &v.body, rozestup, blok, v.delka, &chyba)) << chyba;
    return v;
}

Vysledek soubezne(FILE *f, size_t nejvic, size_t rozestup, size_t blok, unsigned vlaken)
{
    Vysledek v;
    std::string chyba;
    rewind(f);
    EXPECT_TRUE(spocti_spojene_soubezne(f, nejvic, &v.body, rozestup, blok, vlaken, v.delka,
                                        &chyba)) << chyba;
    return v;
}

// Random bytes with line ends, and at the end of many blocks a CR whose LF (or not) opens
// the next.
std::string nahodny_obsah(std::mt19937 &nahoda, size_t delka, size_t blok)
{
    const std::string znaky("ab\r\n\n\0", 6);
    std::string obsah;
    for (size_t i = 0; i < delka; i++)
        obsah += znaky[nahoda() % znaky.size()];
    for (size_t konec = blok; konec < delka; konec += blok)
        if (nahoda() % 2) {
            obsah[konec - 1] = '\r';
            obsah[konec] = nahoda() % 3 ? '\n' : 'a';
        }
    return obsah;
}

using SoubeznePocitani = NaCeste;

TEST_P(SoubeznePocitani, JakoJedenPruchod)
{
    std::mt19937 nahoda(53);
    for (int pokus = 0; pokus < 300; pokus++) {
        const size_t blok = 1 + nahoda() % (pokus % 3 ? 300 : 5000);
        const size_t rozestup = 1 + nahoda() % (pokus % 4 ? 64 : 2 * blok);
        const std::string obsah = nahodny_obsah(nahoda, nahoda() % (blok * (1 + nahoda() % 40)),
                                                blok);
        const unsigned vlaken = 1 + nahoda() % 6;
        FILE *f = soubor_s(obsah);
        const Vysledek jeden = jednim_pruchodem(f, SIZE_MAX, rozestup, blok);
        const Vysledek vice = soubezne(f, SIZE_MAX, rozestup, blok, vlaken);
        ASSERT_EQ(jeden.delka, spoj_pomalu(obsah).size());
        ASSERT_EQ(popis(vice), popis(jeden)) << "pokus " << pokus << ", blok " << blok
                                             << ", rozestup " << rozestup << ", vlaken " << vlaken;
        fclose(f);
    }
}

TEST_P(SoubeznePocitani, ZastaviSeTamCoJedenPruchod)
{
    // Past the limit, one pass stops after the block it is in; the threads' count too, even
    // many rounds before the end.
    std::mt19937 nahoda(59);
    for (int pokus = 0; pokus < 40; pokus++) {
        const size_t blok = 16 + nahoda() % 200;
        const std::string obsah = nahodny_obsah(nahoda, blok * (100 + nahoda() % 200), blok);
        const size_t nejvic = nahoda() % obsah.size() / 2;
        FILE *f = soubor_s(obsah);
        const Vysledek jeden = jednim_pruchodem(f, nejvic, 8, blok);
        EXPECT_GT(jeden.delka, nejvic);
        EXPECT_EQ(popis(soubezne(f, nejvic, 8, blok, 1 + nahoda() % 4)), popis(jeden))
            << "pokus " << pokus;
        fclose(f);
    }
}

TEST_P(SoubeznePocitani, VelkeBlokyPoOknechJakoJedenPruchod)
{
    // farmer's own blocks and points; with many threads each maps a block in several windows.
    std::mt19937 nahoda(71);
    const std::string obsah = nahodny_obsah(nahoda, (9 << 20) + 12345, ROZESTUP_BODU);
    FILE *f = soubor_s(obsah);
    const Vysledek jeden = jednim_pruchodem(f, SIZE_MAX, ROZESTUP_BODU, VELIKOST_BLOKU);
    for (unsigned vlaken : {2u, 3u, 7u, 64u})
        EXPECT_EQ(popis(soubezne(f, SIZE_MAX, ROZESTUP_BODU, VELIKOST_BLOKU, vlaken)),
                  popis(jeden)) << vlaken << " threads";
    fclose(f);
}

TEST(SoubeznePocitaniBezSouboru, ProudSeCteJednimPruchodem)
{
    std::mt19937 nahoda(61);
    std::string obsah = nahodny_obsah(nahoda, 50000, 100);
    FILE *f = fmemopen(obsah.data(), obsah.size(), "r");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(soubezne(f, SIZE_MAX, 64, 100, 3).delka, spoj_pomalu(obsah).size());
    fclose(f);
}

TEST(SoubeznePocitaniBezSouboru, ChybaCteniJakoUJednohoPruchodu)
{
    // A folder opens but cannot be read.
    FILE *f = fopen("/", "r");
    ASSERT_NE(f, nullptr);
    size_t delka = 0;
    std::string chyba;
    EXPECT_FALSE(spocti_spojene_soubezne(f, SIZE_MAX, nullptr, 64, 100, 2, delka, &chyba));
    EXPECT_EQ(chyba, CHYBA_CTENI);
    fclose(f);
}

TEST(VlakenPocitani, AsponJedno) { EXPECT_GE(vlaken_pocitani(), 1u); }

NA_KAZDE_CESTE(SoubeznePocitani);

}  // namespace

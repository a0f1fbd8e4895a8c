// SPDX-License-Identifier: MIT
// Tests of the worker's search: every occurrence in a range, compared with a naive search of
// the joined text, over texts full of line ends, in blocks of many sizes.
#include "search/text/hledani.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "search/text/cteni.h"
#include "search/text/konce_radku.h"
#include "search/text/rozsahy.h"
#include "search/testy/orakula.h"
#include "search/testy/soubory.h"

namespace {

using Pozice = std::vector<int>;

Pozice hledej(FILE *f, size_t odkud, size_t kam, const std::string &vzor, size_t blok,
              bool *cely = nullptr)
{
    Pozice pozice;
    rewind(f);
    bool dosel = false;
    std::string chyba;
    EXPECT_TRUE(hledej_v_rozsahu(f, odkud, kam, vzor, blok, pozice, dosel, &chyba)) << chyba;
    if (cely != nullptr)
        *cely = dosel;
    return pozice;
}

// The joined length of f, with its points into body, counted as farmer counts.
size_t spocti(FILE *f, size_t nejvic, std::vector<Pocet> &body, size_t rozestup, size_t blok)
{
    size_t delka = 0;
    std::string chyba;
    rewind(f);
    EXPECT_TRUE(spocti_spojene(f, nejvic, &body, rozestup, blok, delka, &chyba)) << chyba;
    return delka;
}

TEST(HledejVRozsahu, PrekryteVyskytyIPresKonceRadku)
{
    FILE *f = soubor_s("aa\r\naa\n\nxa\rab\r");  // joined: aaaaxa\rab
    EXPECT_EQ(hledej(f, 0, 8, "aa", 3), (Pozice{0, 1, 2}));
    EXPECT_EQ(hledej(f, 1, 3, "aa", 1 << 20), (Pozice{1, 2}));
    EXPECT_EQ(hledej(f, 0, 8, "a\ra", 2), (Pozice{5}));
    EXPECT_EQ(hledej(f, 0, 8, "b\r", 2), Pozice{});
    EXPECT_EQ(hledej(f, 0, 8, std::string("\n"), 2), Pozice{});
    bool cely = true;
    EXPECT_EQ(hledej(f, 0, 9, "aa", 4, &cely), (Pozice{0, 1, 2}));
    EXPECT_FALSE(cely);
    fclose(f);
}

// Texts of lines from few letters, LF, CRLF, lone CRs, NULs and empty lines, so that
// occurrences cross line ends, blocks and runs of 64 everywhere.
std::string nahodny_text(std::mt19937 &nahoda, size_t radku)
{
    const std::string pismena = std::string("abab\0\r", 6);
    const char *konce[] = {"\n", "\r\n", "", "\n\n", "\r\r\n"};
    std::string obsah;
    for (size_t radek = 0; radek < radku; radek++) {
        size_t delka = nahoda() % 8 == 0 ? nahoda() % 300 : nahoda() % 12;
        for (size_t i = 0; i < delka; i++)
            obsah += pismena[nahoda() % pismena.size()];
        obsah += konce[nahoda() % 5];
    }
    return obsah;
}

TEST(HledejVRozsahu, NahodneRozsahyJakoNaivniHledani)
{
    std::mt19937 nahoda(11);
    const size_t bloky[] = {1, 2, 3, 5, 64, 65, 66, 129, 4096, 1 << 20};
    for (int pokus = 0; pokus < 300; pokus++) {
        const std::string obsah = nahodny_text(nahoda, 20 + nahoda() % 200);
        FILE *f = soubor_s(obsah);
        const std::string text = text_z(f);
        if (text.empty()) {
            fclose(f);
            continue;
        }
        std::string vzor = text.substr(nahoda() % text.size(), 1 + nahoda() % 5);
        if (pokus % 3 == 0)
            vzor = pokus % 2 ? "ab" : "aab";
        size_t odkud = nahoda() % text.size(), kam = odkud + nahoda() % (text.size() - odkud);
        const size_t blok = bloky[pokus % 10];
        EXPECT_EQ(hledej(f, odkud, kam, vzor, blok), naivne(text, vzor, odkud, kam))
            << "pokus " << pokus << ", blok " << blok;
        fclose(f);
    }
}

TEST(HledejVRozsahu, RozsahyFarmeraDohromadyNajdouVyskytyCelehoTextu)
{
    std::mt19937 nahoda(5);
    const std::string obsah = nahodny_text(nahoda, 20000);
    FILE *f = soubor_s(obsah);
    const std::string text = text_z(f);
    for (const std::string vzor : {"ab", "bab\rab", "aaaa"}) {
        const int delka_f = static_cast<int>(vzor.size());
        for (int num_workers : {1, 2, 7}) {
            Pozice vsechny;
            for (const Rozsah &r : rozloz_text(static_cast<int>(text.size()), delka_f, num_workers))
                for (int p : hledej(f, r.odkud, r.kam, vzor, 4096))
                    vsechny.push_back(p);
            EXPECT_EQ(vsechny, naivne(text, vzor, 0, text.size() - 1)) << vzor << num_workers;
        }
    }
    fclose(f);
}

// The worker started from a point of farmer's count, with its positions taken in pieces,
// finds what the worker that counts from byte 0 finds: texts with CR LF, LF and lone CRs at
// every place, points every few bytes (so many sit right after a CR), all ranges of a layout.
TEST(HledejOd, ZBoduPoKusechJakoOdZacatku)
{
    std::mt19937 nahoda(17);
    for (int pokus = 0; pokus < 80; pokus++) {
        const std::string obsah = nahodny_text(nahoda, 20 + nahoda() % 300);
        FILE *f = soubor_s(obsah);
        std::vector<Pocet> body;
        const size_t rozestup = 1 + nahoda() % 40, blok = 7 + nahoda() % 300;
        const size_t delka = spocti(f, SIZE_MAX, body, rozestup, blok);
        const std::string text = spoj_pomalu(obsah);
        ASSERT_EQ(delka, text.size());
        std::string vzor = pokus % 2 ? "ab" : std::string("a\rb", 3);
        const int num_workers = 1 + static_cast<int>(nahoda() % 20);
        if (text.size() < vzor.size() * num_workers) {
            fclose(f);
            continue;
        }
        Pruchod pruchod;
        pruchod.kus = 1 + nahoda() % 4;
        pruchod.velikost_bloku = blok;
        for (const Rozsah &r : rozloz_text(static_cast<int>(text.size()),
                                           static_cast<int>(vzor.size()), num_workers)) {
            Pozice po_kusech, zbytek;
            pruchod.zacatek = bod_pred(body, r.odkud);
            pruchod.odber = [&](Pozice &kus) {
                EXPECT_EQ(kus.size(), pruchod.kus);
                po_kusech.insert(po_kusech.end(), kus.begin(), kus.end());
                kus.clear();
                return true;
            };
            rewind(f);
            bool cely = false;
            std::string chyba;
            EXPECT_TRUE(hledej_od(f, r.odkud, r.kam, vzor, pruchod, zbytek, cely, &chyba));
            EXPECT_TRUE(cely);
            EXPECT_LT(zbytek.size(), pruchod.kus);
            po_kusech.insert(po_kusech.end(), zbytek.begin(), zbytek.end());
            EXPECT_EQ(po_kusech, hledej(f, r.odkud, r.kam, vzor, blok))
                << "pokus " << pokus << ", rozsah " << r.odkud << "-" << r.kam;
        }
        fclose(f);
    }
}

// Counting stops soon after the limit; its points stay few in a text of line ends only.
TEST(SpoctiSpojene, KonciZaMezi)
{
    FILE *f = soubor_s(std::string(100000, 'x') + std::string(200000, '\n'));
    std::vector<Pocet> body;
    size_t delka = spocti(f, 1000, body, 4096, 8192);
    EXPECT_GT(delka, 1000u);
    EXPECT_LE(delka, 8192u);
    body.clear();
    EXPECT_EQ(spocti(f, SIZE_MAX, body, 16, 4096), 100000u);
    EXPECT_LE(body.size(), 100000u + 1);
    EXPECT_EQ(delka_spojeni(body.back()), 100000u);
    fclose(f);
}

// The fifth argument of a worker reads back as it was written, and nothing else is taken.
TEST(ZapisPoctu, CteSeZpetAJinakNic)
{
    Pocet p{123456789012u, 1000u, '\r'}, zpet;
    ASSERT_TRUE(cti_pocet(zapis_pocet(p).c_str(), zpet));
    EXPECT_EQ(zpet.surovych, p.surovych);
    EXPECT_EQ(zpet.vynechanych, p.vynechanych);
    EXPECT_EQ(zpet.posledni, '\r');
    for (const char *spatne : {"", "1:0", "1:0:2", "1:1:1", "-1:0:0", "1:0:0x", " 1:0:0", "1::0"})
        EXPECT_FALSE(cti_pocet(spatne, zpet)) << spatne;
}

}  // namespace

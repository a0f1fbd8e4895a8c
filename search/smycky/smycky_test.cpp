// SPDX-License-Identifier: MIT
// Tests of the search's hot loops on every path the CPU has: each against the plain loop of
// one byte at a time, over many random buffers full of line ends, and the whole search of the
// worker against a naive one.
#include "search/smycky/smycky.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "search/text/hledani.h"
#include "search/text/konce_radku.h"
#include "common/testy/cesty.h"
#include "search/testy/orakula.h"
#include "search/testy/soubory.h"

namespace {

// Bytes that matter to the loops: line ends, other bytes the filter takes for line ends (tab,
// 8, 15), a pattern's letters and a byte with the top bit set.
std::string nahodne_bajty(std::mt19937 &nahoda, size_t delka)
{
    const std::string abeceda("\n\r\r\n\t\x08\x0f" "aabbc\xe1", 13);
    const size_t druhu = 2 + nahoda() % (abeceda.size() - 1);
    std::string b;
    for (size_t i = 0; i < delka; i++)
        b += abeceda[nahoda() % druhu];
    return b;
}

const unsigned char *bajty(const std::string &s)
{
    return reinterpret_cast<const unsigned char *>(s.data());
}

size_t vynechane_pomalu(const unsigned char *b, size_t n)
{
    size_t pocet = 0;
    for (size_t i = 0; i < n; i++)
        pocet += vynechany(b[i], b[i + 1]);
    return pocet;
}

bool konec_pomalu(unsigned char c) { return c >= 8 && c <= 15; }

bool splnuje(unsigned char c, const Filtr &f, int i)
{
    return (c & f.maska[i]) == f.znak[i];
}

// The filter of smycky.h place by place.
bool muze_zacit_pomalu(const unsigned char *c, const Filtr &f)
{
    const bool treti = splnuje(c[2], f, 2) || konec_pomalu(c[2]);
    return splnuje(c[0], f, 0) && ((splnuje(c[1], f, 1) && treti) || konec_pomalu(c[1]));
}

// One call of NaKandidaty.
struct Volani {
    size_t beh;
    uint64_t kandidati;
    size_t vynechanych;
    bool operator==(const Volani &o) const
    {
        return beh == o.beh && kandidati == o.kandidati && vynechanych == o.vynechanych;
    }
};

void zapis_volani(void *kontext, size_t beh, uint64_t kandidati, size_t vynechanych)
{
    static_cast<std::vector<Volani> *>(kontext)->push_back({beh, kandidati, vynechanych});
}

// The calls filtruj_behy should make over behu runs at b.
std::vector<Volani> volani_pomalu(const unsigned char *b, size_t behu, const Filtr &f)
{
    std::vector<Volani> volani;
    for (size_t beh = 0; beh < 64 * behu; beh += 64) {
        uint64_t kandidati = 0;
        for (size_t k = 0; k < 64; k++)
            kandidati |= uint64_t{muze_zacit_pomalu(b + beh + k, f)} << k;
        if (kandidati != 0)
            volani.push_back({beh, kandidati, vynechane_pomalu(b, beh)});
    }
    return volani;
}

using Smycky = NaCeste;

TEST_P(Smycky, VynechaneJakoPoBajtech)
{
    std::mt19937 nahoda(41);
    for (int pokus = 0; pokus < 2000; pokus++) {
        const std::string b = nahodne_bajty(nahoda, 1 + nahoda() % (pokus < 1500 ? 400 : 9000));
        // Starts off every alignment.
        const size_t od = nahoda() % std::min<size_t>(b.size(), 70);
        const size_t n = b.size() - 1 - od;
        ASSERT_EQ(vynechane_v_rade(bajty(b) + od, n), vynechane_pomalu(bajty(b) + od, n))
            << "pokus " << pokus;
    }
}

TEST_P(Smycky, DlouheRadyKoncuRadkuSeNepretecou)
{
    // One line end at every byte: byte counters summed too late would wrap at 256.
    for (const std::string &vzor : {std::string("\n"), std::string("\r\n")}) {
        std::string b;
        while (b.size() < 300000)
            b += vzor;
        for (size_t n : {size_t{255 * 16}, size_t{256 * 64}, size_t{299999}})
            EXPECT_EQ(vynechane_v_rade(bajty(b), n), vynechane_pomalu(bajty(b), n)) << n;
        const size_t behu = (b.size() - 2) / 64;
        Filtr f = filtr_pro("\n\n", 2);
        std::vector<Volani> volani;
        EXPECT_EQ(filtruj_behy(bajty(b), behu, filtr_pro("zz", 2), zapis_volani, &volani),
                  vynechane_pomalu(bajty(b), 64 * behu));
        EXPECT_TRUE(volani.empty());
        EXPECT_EQ(filtruj_behy(bajty(b), behu, f, zapis_volani, &volani),
                  vynechane_pomalu(bajty(b), 64 * behu));
        EXPECT_EQ(volani, volani_pomalu(bajty(b), behu, f));
    }
}

TEST_P(Smycky, FiltrJakoPoMistech)
{
    std::mt19937 nahoda(43);
    for (int pokus = 0; pokus < 1500; pokus++) {
        const std::string b = nahodne_bajty(nahoda, 2 + nahoda() % (pokus < 1000 ? 700 : 40000));
        const size_t od = nahoda() % std::min<size_t>(b.size() - 1, 70);
        const unsigned char *z = bajty(b) + od;
        const size_t behu = (b.size() - od - 2) / 64;
        // Patterns of one to five characters from the buffer, often with a line end inside.
        const size_t p = nahoda() % b.size();
        const std::string vzor = b.substr(p, 1 + nahoda() % 5);
        const Filtr f = filtr_pro(vzor.data(), vzor.size());
        std::vector<Volani> volani;
        ASSERT_EQ(filtruj_behy(z, behu, f, zapis_volani, &volani),
                  vynechane_pomalu(z, 64 * behu)) << "pokus " << pokus;
        ASSERT_EQ(volani, volani_pomalu(z, behu, f)) << "pokus " << pokus;
    }
}

TEST(FiltrPro, KratkyVzorNechaProjitCokoli)
{
    const Filtr jeden = filtr_pro("ab", 1), dva = filtr_pro("ab", 2), tri = filtr_pro("abcd", 4);
    EXPECT_EQ(jeden.znak[0], 'a');
    EXPECT_EQ(jeden.maska[1] | jeden.znak[1] | jeden.maska[2] | jeden.znak[2], 0);
    EXPECT_EQ(dva.znak[1], 'b');
    EXPECT_EQ(dva.maska[1], 0xff);
    EXPECT_EQ(dva.maska[2] | dva.znak[2], 0);
    EXPECT_EQ(tri.znak[2], 'c');
    EXPECT_EQ(tri.maska[2], 0xff);
}

// Lines of a few letters with every kind of line end, so that occurrences cross line ends,
// runs of 64 and blocks everywhere.
std::string nahodny_text(std::mt19937 &nahoda, size_t radku)
{
    const char *konce[] = {"\n", "\r\n", "", "\r", "\r\r\n", "\n\n"};
    std::string obsah;
    for (size_t radek = 0; radek < radku; radek++) {
        for (size_t i = nahoda() % 8 == 0 ? nahoda() % 200 : nahoda() % 10; i > 0; i--)
            obsah += "abc\t"[nahoda() % 4];
        obsah += konce[nahoda() % 6];
    }
    return obsah;
}

using HledaniNaCeste = NaCeste;

TEST_P(HledaniNaCeste, JakoNaivniHledani)
{
    std::mt19937 nahoda(47);
    const size_t bloky[] = {3, 64, 65, 66, 67, 130, 4096, 1 << 20};
    for (int pokus = 0; pokus < 400; pokus++) {
        const std::string obsah = nahodny_text(nahoda, 10 + nahoda() % 400);
        const std::string text = spoj_pomalu(obsah);
        if (text.empty())
            continue;
        FILE *f = soubor_s(obsah);
        const std::string vzor = text.substr(nahoda() % text.size(), 1 + nahoda() % 6);
        const size_t odkud = nahoda() % text.size();
        const size_t kam = odkud + nahoda() % (text.size() - odkud);
        const size_t blok = bloky[pokus % 8];
        std::vector<int> pozice;
        bool cely = false;
        std::string chyba;
        ASSERT_TRUE(hledej_v_rozsahu(f, odkud, kam, vzor, blok, pozice, cely, &chyba)) << chyba;
        EXPECT_EQ(pozice, naivne(text, vzor, odkud, kam)) << "pokus " << pokus << ", blok "
                                                          << blok;
        fclose(f);
    }
}

NA_KAZDE_CESTE(Smycky);
NA_KAZDE_CESTE(HledaniNaCeste);

}  // namespace

// Tests of the worker's search: every occurrence in a range, compared with a naive search of
// the text read_file builds, over texts full of line ends, in blocks of many sizes.
#include "hledani.h"

#include <gtest/gtest.h>

#include <random>

#include "hlp.h"
#include "orakula.h"
#include "rozsahy.h"

namespace {

using Pozice = std::vector<int>;

FILE *soubor_s(const std::string &obsah)
{
    FILE *f = tmpfile();
    fwrite(obsah.data(), 1, obsah.size(), f);
    rewind(f);
    return f;
}

Pozice hledej(FILE *f, size_t odkud, size_t kam, const std::string &vzor, size_t blok,
              bool *cely = nullptr)
{
    Pozice pozice;
    rewind(f);
    bool dosel = hledej_v_rozsahu(f, odkud, kam, vzor, pozice, blok);
    if (cely != nullptr)
        *cely = dosel;
    return pozice;
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
        const std::string text = read_file(f);
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
    const std::string text = read_file(f);
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

}  // namespace

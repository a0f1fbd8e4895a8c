// SPDX-License-Identifier: MIT
// Tests of the reader: joining of lines, its count, and read errors told in err.
#include "search/text/cteni.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "search/testy/orakula.h"
#include "search/testy/soubory.h"

namespace {

std::string precti(const std::string &obsah)
{
    FILE *f = soubor_s(obsah);
    std::string text = text_z(f);
    fclose(f);
    return text;
}

// spocti_spojene of the whole of f, without points.
size_t delka_z(FILE *f, size_t velikost_bloku)
{
    size_t delka = 0;
    std::string chyba;
    EXPECT_TRUE(spocti_spojene(f, SIZE_MAX, nullptr, ROZESTUP_BODU, velikost_bloku, delka,
                               &chyba))
        << chyba;
    return delka;
}

TEST(CtiText, SpojiRadkyBezKoncuRadku)
{
    const std::string x97(97, 'x'), dlouhy(250, 'q');
    const struct {
        const char *popis;
        std::string obsah, text;
    } pripady[] = {
        {"prazdny soubor dava prazdny text", "", ""},
        {"konce LF zmizi", "ab\ncd\n", "abcd"},
        {"konce CR LF zmizi stejne", "ab\r\ncd\r\n", "abcd"},
        {"posledni radek bez konce zustane cely", "ab\ncd", "abcd"},
        {"prazdne radky nepridaji nic", "\n\nab\n\r\n\ncd\n", "abcd"},
        {"radek o 250 znacich prijde cely", dlouhy + "\n", dlouhy},
        {"CR na konci souboru zmizi", "ab\r", "ab"},
        {"osamely CR uprostred zustane", "a\rb\n", "a\rb"},
        {"z CR CR LF zustane jeden CR", "a\r\r\n", "a\r"},
        {"CR na 98. znaku dlouheho radku zustane", x97 + "\ry\n", x97 + "\ry"},
        {"znak NUL zustane", std::string("a\0b\n", 4), std::string("a\0b", 3)},
    };
    for (const auto &p : pripady)
        EXPECT_EQ(precti(p.obsah), p.text) << p.popis;
}

TEST(CtiText, HraniceBlokuNemeniVysledek)
{
    // Two blocks and more of short lines, CRs and LFs, with a CR LF pair split at one border
    // and a lone CR at the other.
    std::mt19937 nahoda(7);
    const char znaky[] = "ab\r\n";
    std::string obsah;
    for (size_t i = 0; i < 2 * VELIKOST_BLOKU + 5000; i++)
        obsah += znaky[nahoda() % 4];
    obsah.back() = 'a';
    for (size_t hranice : {VELIKOST_BLOKU, 2 * VELIKOST_BLOKU}) {
        obsah[hranice - 1] = '\r';
        obsah[hranice] = hranice == VELIKOST_BLOKU ? '\n' : 'a';
    }
    EXPECT_EQ(precti(obsah), spoj_pomalu(obsah));
    EXPECT_EQ(precti(obsah + "\r"), spoj_pomalu(obsah));
}

// The joined length of obsah read in blocks of velikost_bloku: mapped from a file, or read from a
// stream in memory.
size_t spocti(std::string obsah, size_t velikost_bloku, bool mapovane)
{
    FILE *f = mapovane ? soubor_s(obsah) : fmemopen(obsah.data(), obsah.size(), "r");
    size_t delka = delka_z(f, velikost_bloku);
    fclose(f);
    return delka;
}

TEST(SpoctiSpojene, RovnaSeDelceTextu)
{
    // Short lines, CR LF pairs, lone CRs, NULs, long lines, with and without a last line end,
    // read in blocks that split the pairs everywhere, pages included.
    std::mt19937 nahoda(3);
    const std::string znaky("ab\r\n\0", 5);
    const size_t bloky[] = {1, 2, 3, 63, 64, 65, 4095, 4096, 4097, 1 << 20};
    for (int pokus = 0; pokus < 200; pokus++) {
        std::string obsah;
        for (size_t i = nahoda() % (pokus < 100 ? 300 : 20000); i > 0; i--)
            obsah += znaky[nahoda() % (pokus % 4 == 0 ? 2 : 5)];
        obsah += pokus % 3 == 0 ? "\r" : "";
        // Long texts in blocks of a few bytes would take a mapping each.
        const size_t blok = bloky[pokus < 100 ? pokus % 10 : 3 + pokus % 7];
        const size_t delka = precti(obsah).size();
        EXPECT_EQ(spocti(obsah, blok, true), delka) << "pokus " << pokus << ", blok " << blok;
        if (!obsah.empty()) {  // fmemopen wants a buffer of at least one byte
            EXPECT_EQ(spocti(obsah, blok, false), delka) << "pokus " << pokus;
        }
    }
}

TEST(SpoctiSpojene, SouborKteryTvrdiZeJePrazdnyJeCelyPrecten)
{
    // Files in /proc give their size as 0 and still have text.
    FILE *f = fopen("/proc/self/cmdline", "r");
    ASSERT_NE(f, nullptr);
    const size_t delka = text_z(f).size();
    rewind(f);
    EXPECT_GT(delka, 0u);
    EXPECT_EQ(delka_z(f, VELIKOST_BLOKU), delka);
    fclose(f);
}

TEST(ChybaCteni, JeZpravouProVolajiciho)
{
    FILE *f = nullptr;
    std::string chyba;
    EXPECT_FALSE(otevri_soubor("/neexistuje/soubor.txt", "r", f, &chyba));
    EXPECT_EQ(chyba, "fopen: Chyba pri praci se souborem : /neexistuje/soubor.txt");
    // A folder opens for reading on Linux, but reading it fails; it is closed all the same.
    std::string text;
    for (bool pocitat : {false, true}) {
        chyba.clear();
        EXPECT_FALSE(cti_soubor("/", [&](FILE *fr, std::string *err) {
            size_t delka = 0;
            return pocitat ? spocti_spojene(fr, SIZE_MAX, nullptr, ROZESTUP_BODU,
                                            VELIKOST_BLOKU, delka, err)
                           : cti_text(fr, text, err);
        }, &chyba));
        EXPECT_EQ(chyba, "fread: Chyba pri cteni souboru.");
    }
}

TEST(ChybaCteni, SouborZkracenyBehemCteni)
{
    // A mapped file that gets shorter under the mapping raises SIGBUS on the next page.
    FILE *f = soubor_s(std::string(3 * 4096, 'a'));
    // Each block is read through; nothing is allocated that the jump out of it would lose.
    auto zkrat_po_prvnim_bloku = [f](const char *blok, size_t delka) {
        return std::count(blok, blok + delka, 'a') == static_cast<long>(delka) &&
               ftruncate(fileno(f), 0) == 0;
    };
    struct sigaction pred, po;
    sigaction(SIGBUS, nullptr, &pred);
    std::string chyba;
    EXPECT_FALSE(cti_bloky(f, zkrat_po_prvnim_bloku, 4096, 0, &chyba));
    EXPECT_EQ(chyba, "fread: Chyba pri cteni souboru.");
    // The reading returns, so it must leave SIGBUS handled as it found it.
    sigaction(SIGBUS, nullptr, &po);
    EXPECT_EQ(po.sa_handler, pred.sa_handler);
    fclose(f);
}

// A chain of folders of 200 characters each under a fresh folder, deeper than PATH_MAX: no
// call takes a path that long, so each is made and opened from the one above it.
struct HlubokaSlozka {
    std::string vrch, cesta;      // the fresh folder; the deepest one's whole path
    std::vector<int> slozky;      // descriptors of the folders, from the top down
    const std::string clanek = std::string(200, 'd');

    HlubokaSlozka()
    {
        char docasna[] = "/tmp/kvs-cesta-XXXXXX", plna[PATH_MAX];
        if (mkdtemp(docasna) == nullptr || realpath(docasna, plna) == nullptr)
            throw std::runtime_error("mkdtemp");
        vrch = plna;
        slozky.push_back(open(vrch.c_str(), O_RDONLY | O_DIRECTORY));
        for (cesta = vrch; cesta.size() <= PATH_MAX; cesta += "/" + clanek) {
            if (mkdirat(slozky.back(), clanek.c_str(), 0700) != 0)
                throw std::runtime_error("mkdirat");
            slozky.push_back(openat(slozky.back(), clanek.c_str(), O_RDONLY | O_DIRECTORY));
        }
        close(openat(slozky.back(), "text.txt", O_CREAT | O_WRONLY, 0600));
    }
    ~HlubokaSlozka()
    {
        unlinkat(slozky.back(), "text.txt", 0);
        for (size_t i = slozky.size() - 1; i > 0; i--) {
            close(slozky[i]);
            unlinkat(slozky[i - 1], clanek.c_str(), AT_REMOVEDIR);
        }
        close(slozky[0]);
        rmdir(vrch.c_str());
    }
};

TEST(AbsolutniCesta, DelsiNezPathMaxSeOdmitneSDuvodem)
{
    HlubokaSlozka hluboka;
    const std::string jmeno = hluboka.cesta + "/text.txt";
    std::string cesta, chyba;
    EXPECT_FALSE(absolutni_cesta(jmeno.c_str(), cesta, &chyba));
    EXPECT_EQ(chyba, "Absolutni cestu k souboru " + jmeno + " nelze zjistit (je delsi nez 4095 "
                     "znaku), workeri by soubor nenasli!");
    // A short way to the same file: links and dots go, the whole path stays.
    const std::string kratka = hluboka.vrch + "/" + hluboka.clanek + "/./../" + hluboka.clanek;
    ASSERT_TRUE(absolutni_cesta(kratka.c_str(), cesta, &chyba)) << chyba;
    EXPECT_EQ(cesta, hluboka.vrch + "/" + hluboka.clanek);
}

}  // namespace

// Tests of the hlp helpers: joining of lines and the failure exits.
#include "hlp.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

std::string precti(const std::string &obsah)
{
    FILE *f = tmpfile();
    fwrite(obsah.data(), 1, obsah.size(), f);
    rewind(f);
    std::string text = read_file(f);
    close_f(f);
    return text;
}

// The line join written the plain way: LF out, and a CR out before an LF or at the end.
std::string spoj_pomalu(const std::string &obsah)
{
    std::string text;
    for (size_t i = 0; i < obsah.size(); i++) {
        bool cr_konci_radek = obsah[i] == '\r' && (i + 1 == obsah.size() || obsah[i + 1] == '\n');
        if (obsah[i] != '\n' && !cr_konci_radek)
            text += obsah[i];
    }
    return text;
}

TEST(ReadFile, SpojiRadkyBezKoncuRadku)
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

TEST(ReadFile, HraniceBlokuNemeniVysledek)
{
    // Over a megabyte of short lines, CRs and LFs, so runs cross every block border.
    std::mt19937 nahoda(7);
    const char znaky[] = "ab\r\n";
    std::string obsah;
    for (int i = 0; i < (1 << 20) + 5000; i++)
        obsah += znaky[nahoda() % 4];
    for (size_t hranice = 1 << 18; hranice < obsah.size(); hranice += 1 << 18) {
        obsah[hranice - 1] = '\r';
        obsah[hranice] = hranice % (1 << 19) ? '\n' : 'a';
    }
    EXPECT_EQ(precti(obsah), spoj_pomalu(obsah));
    EXPECT_EQ(precti(obsah + "\r"), spoj_pomalu(obsah));
}

TEST(HlpSelhani, KonciStatusemJednaSeZpravou)
{
    EXPECT_EXIT(open_f("/neexistuje/soubor.txt", "r"), testing::ExitedWithCode(1),
                "^fopen: Chyba pri praci se souborem : /neexistuje/soubor.txt\n$");
    EXPECT_EXIT(aloc_string(-1), testing::ExitedWithCode(1), "^malloc: Malo pameti!\n$");
    // A folder opens for reading on Linux, but reading it fails.
    EXPECT_EXIT(read_file(open_f("/", "r")), testing::ExitedWithCode(1),
                "^fread: Chyba pri cteni souboru.\n$");
}

}  // namespace

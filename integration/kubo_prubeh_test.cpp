// SPDX-License-Identifier: MIT
// Unit tests of kubo-main's progress line: its text, its estimate and how it is drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <regex>
#include <string>

#include "integration/kubo_prubeh.h"

namespace {

struct Pripad {
    int hotovo, vse;
    double uplynulo_s;
    const char *text;
    const char *proc;
};

const Pripad PRIPADY[] = {
    {0, 20, 3.2, "Hotovo 0/20 vrstev, uplynulo 3 s", "No slab done yet: no pace, no estimate."},
    {3, 20, 12, "Hotovo 3/20 vrstev, uplynulo 12 s, zbyva asi 1 min 08 s",
     "17 slabs at 4 s a slab are 68 s, a minute and eight seconds."},
    {20, 20, 40.4, "Hotovo 20/20 vrstev, uplynulo 40 s", "All done: nothing is left to estimate."},
    {1, 3, 0.4, "Hotovo 1/3 vrstev, uplynulo 0 s, zbyva asi 1 s", "Seconds are rounded, 0.8 to 1."},
    {5, 10, 59.6, "Hotovo 5/10 vrstev, uplynulo 1 min 00 s, zbyva asi 1 min 00 s",
     "59.6 s rounds up to a whole minute."},
    {1, 100, 3700, "Hotovo 1/100 vrstev, uplynulo 1 h 02 min, zbyva asi 101 h 45 min",
     "Past an hour the time is given in hours and rounded minutes."},
    {1, 1, 0, "Hotovo 1/1 vrstev, uplynulo 0 s", "A run of one slab, done at once."},
};

TEST(TextPrubehu, PripadyZTabulky)
{
    for (const Pripad &p : PRIPADY)
        EXPECT_EQ(text_prubehu(p.hotovo, p.vse, p.uplynulo_s), p.text) << p.proc;
}

// Seconds of a length of time as the line gives it.
double sekundy(const std::string &delka)
{
    static const std::regex hodiny("(\\d+) h (\\d\\d) min"), minuty("(\\d+) min (\\d\\d) s"),
        jen_sekundy("(\\d+) s");
    std::smatch m;
    if (std::regex_match(delka, m, hodiny))
        return std::stod(m[1]) * 3600 + std::stod(m[2]) * 60;
    if (std::regex_match(delka, m, minuty))
        return std::stod(m[1]) * 60 + std::stod(m[2]);
    if (std::regex_match(delka, m, jen_sekundy))
        return std::stod(m[1]);
    ADD_FAILURE() << "not a length of time: " << delka;
    return NAN;
}

// Over many runs: the counts as given, the elapsed time and the estimate within their
// rounding of the true values, the estimate there exactly while slabs are left.
TEST(TextPrubehu, OdhadJeTempoDosavadnichVrstev)
{
    std::mt19937 nahoda(25);
    const std::regex tvar("Hotovo (\\d+)/(\\d+) vrstev, uplynulo ([^,]+)(, zbyva asi (.+))?");
    for (int i = 0; i < 5000; i++) {
        int vse = 1 + (int)(nahoda() % 100);
        int hotovo = (int)(nahoda() % (vse + 1));
        double uplynulo = std::ldexp((double)(nahoda() % 1000000), -(int)(nahoda() % 20));
        std::string text = text_prubehu(hotovo, vse, uplynulo);
        std::smatch m;
        ASSERT_TRUE(std::regex_match(text, m, tvar)) << text;
        EXPECT_EQ(std::stoi(m[1]), hotovo);
        EXPECT_EQ(std::stoi(m[2]), vse);
        double presnost = uplynulo >= 3600 ? 30 : 0.5;
        EXPECT_LE(std::fabs(sekundy(m[3]) - uplynulo), presnost) << text;
        EXPECT_EQ(m[4].matched, hotovo > 0 && hotovo < vse) << text;
        if (m[4].matched) {
            double zbyva = uplynulo / hotovo * (vse - hotovo);
            EXPECT_LE(std::fabs(sekundy(m[5]) - zbyva), zbyva >= 3600 ? 30 : 0.5) << text;
        }
    }
}

// What a terminal shows on its last line after the bytes: a carriage return goes to its
// start, any other byte overwrites a column.
std::string na_radku(const std::string &bajty)
{
    std::string radek;
    size_t sloupec = 0;
    for (char c : bajty) {
        if (c == '\r') {
            sloupec = 0;
            continue;
        }
        if (sloupec < radek.size())
            radek[sloupec] = c;
        else
            radek.push_back(c);
        sloupec++;
    }
    return radek.erase(radek.find_last_not_of(' ') + 1);
}

// The bytes written to a memory stream that stands for the terminal.
struct Terminal {
    char *bajty = nullptr;
    size_t delka = 0;
    FILE *f = open_memstream(&bajty, &delka);
    ~Terminal()
    {
        fclose(f);
        free(bajty);
    }
    std::string obsah()
    {
        fflush(f);
        return std::string(bajty, delka);
    }
};

TEST(RadekPrubehu, PrekresliSeNaMisteAZmizi)
{
    Terminal t;
    RadekPrubehu r;
    r.kam = t.f;
    ukaz_prubeh(r, "abc");
    EXPECT_EQ(t.obsah(), "\rabc");
    ukaz_prubeh(r, "abc");
    EXPECT_EQ(t.obsah(), "\rabc") << "the same text is not drawn again";
    ukaz_prubeh(r, "ab");
    EXPECT_EQ(t.obsah(), "\rabc\rab ");
    skryj_prubeh(r);
    EXPECT_EQ(t.obsah(), "\rabc\rab \r   \r");
    skryj_prubeh(r);
    EXPECT_EQ(t.obsah(), "\rabc\rab \r   \r") << "nothing shown, nothing to blank";
    ukaz_prubeh(r, "abc");
    EXPECT_EQ(t.obsah(), "\rabc\rab \r   \r\rabc") << "shown again after it was blanked";
}

// Texts of every length one after another: the line always shows the last text alone, and
// once blanked it shows nothing, with the cursor at its start.
TEST(RadekPrubehu, RadekUkazujeJenPosledniText)
{
    std::mt19937 nahoda(11);
    Terminal t;
    RadekPrubehu r;
    r.kam = t.f;
    for (int i = 0; i < 2000; i++) {
        if (nahoda() % 5 == 0) {
            skryj_prubeh(r);
            EXPECT_EQ(na_radku(t.obsah()), "");
            EXPECT_TRUE(t.obsah().empty() || t.obsah().back() == '\r');
            continue;
        }
        std::string text(1 + nahoda() % 70, (char)('a' + nahoda() % 26));
        ukaz_prubeh(r, text);
        EXPECT_EQ(na_radku(t.obsah()), text);
    }
}

TEST(RadekPrubehu, BezTerminaluNicNekresli)
{
    RadekPrubehu r;
    ukaz_prubeh(r, "Hotovo 1/2 vrstev, uplynulo 1 s");
    skryj_prubeh(r);
    EXPECT_EQ(r.sirka, 0u);
}

}  // namespace

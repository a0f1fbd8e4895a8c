// Tests of the worker's search: its range of the joined text and the occurrences in it.
#include "hledani.h"

#include <gtest/gtest.h>

#include <random>

#include "hlp.h"
#include "rozsahy.h"

namespace {

using Pozice = std::vector<int>;

TEST(NajdiVyskyty, HledaIPrekryteVyskyty)
{
    EXPECT_EQ(najdi_vyskyty("aaaa", "aa", 0), (Pozice{0, 1, 2}));
    EXPECT_EQ(najdi_vyskyty("xabcab", "ab", 10), (Pozice{11, 14}));
    EXPECT_EQ(najdi_vyskyty(std::string("a\0ba\0b", 6), std::string("\0b", 2), 0), (Pozice{1, 4}));
    EXPECT_EQ(najdi_vyskyty("abc", "abcd", 0), Pozice{});
    EXPECT_EQ(najdi_vyskyty("abc", "xy", 0), Pozice{});
}

FILE *soubor_s(const std::string &obsah)
{
    FILE *f = tmpfile();
    fwrite(obsah.data(), 1, obsah.size(), f);
    rewind(f);
    return f;
}

TEST(CtiUsek, TextKratsiNezRozsahNeniCely)
{
    std::string usek;
    FILE *f = soubor_s("ab\ncd\n");
    EXPECT_FALSE(cti_usek(f, 1, 4, usek));
    rewind(f);
    EXPECT_TRUE(cti_usek(f, 1, 3, usek));
    EXPECT_EQ(usek, "bcd");
    fclose(f);
}

// Naive occurrences in the whole text as read_file builds it.
Pozice naivne(const std::string &text, const std::string &vzor)
{
    Pozice pozice;
    for (size_t p = 0; p + vzor.size() <= text.size(); p++)
        if (text.compare(p, vzor.size(), vzor) == 0)
            pozice.push_back(static_cast<int>(p));
    return pozice;
}

TEST(CtiUsek, RozsahyDohromadyNajdouPraveVyskytyCelehoTextu)
{
    std::mt19937 nahoda(11);
    const char *konce[] = {"\n", "\r\n", ""};
    for (int pokus = 0; pokus < 40; pokus++) {
        std::string obsah;
        for (int radek = 0; radek < 200; radek++)
            obsah += std::string(nahoda() % 12, "ab"[nahoda() % 2]) + "b" + konce[nahoda() % 3];
        FILE *f = soubor_s(obsah);
        const std::string text = read_file(f);
        const std::string vzor = pokus % 2 ? "ab" : "bbab";
        const int delka_f = static_cast<int>(vzor.size());
        const int num_workers = 1 + pokus % 7;
        Pozice vsechny;
        for (const Rozsah &r : rozloz_text(static_cast<int>(text.size()), delka_f, num_workers)) {
            std::string usek;
            rewind(f);
            ASSERT_TRUE(cti_usek(f, r.odkud, r.kam, usek));
            ASSERT_EQ(usek, text.substr(r.odkud, r.kam - r.odkud + 1));
            for (int p : najdi_vyskyty(usek, vzor, r.odkud))
                vsechny.push_back(p);
        }
        EXPECT_EQ(vsechny, naivne(text, vzor)) << "pokus " << pokus;
        fclose(f);
    }
}

}  // namespace

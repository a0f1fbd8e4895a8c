// SPDX-License-Identifier: MIT
// Tagged lines of a task's output, whatever the pieces it arrives in.
#include "tasker/vystup_uloh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

// The expected file: every line of text tagged, a last line without a line end included; a
// line over the bound in pieces of the bound, every piece after the first marked with "+".
std::string oznaceny_text(int tid, const std::string &text)
{
    char znacka[32], pokracovani[32];
    snprintf(znacka, sizeof znacka, "[t%x] ", (unsigned)tid);
    snprintf(pokracovani, sizeof pokracovani, "[t%x+] ", (unsigned)tid);
    std::string ven;
    size_t zacatek = 0;
    while (zacatek < text.size()) {
        size_t lf = text.find('\n', zacatek);
        size_t konec = lf == std::string::npos ? text.size() : lf;
        size_t kus = zacatek;
        do {
            size_t delka = std::min(NEJDELSI_RADEK, konec - kus);
            ven += (kus == zacatek ? znacka : pokracovani) + text.substr(kus, delka) + "\n";
            kus += delka;
        } while (kus < konec);
        zacatek = konec + 1;
    }
    return ven;
}

std::string po_kusech(int tid, const std::string &text, std::mt19937 &nahoda, size_t nejvic)
{
    Rozpracovany_vystup vystup;
    vystup.tid = tid;
    std::string ven;
    size_t pozice = 0;
    while (pozice < text.size()) {
        size_t n = std::uniform_int_distribution<size_t>(0, nejvic)(nahoda);
        n = std::min(n, text.size() - pozice);
        ven += oznac_radky(vystup, text.data() + pozice, n);
        EXPECT_LE(vystup.zbytek.size(), NEJDELSI_RADEK);
        pozice += n;
    }
    return ven + dokonci_radky(vystup);
}

TEST(OznaceniRadku, KusyLibovolneDelkyDavajiCeleRadky)
{
    std::mt19937 nahoda(11);
    const char abeceda[] = {'a', 'b', '\n', '\n', '\r', '\0', ' ', '%'};
    for (int pokus = 0; pokus < 2000; pokus++) {
        std::string text(std::uniform_int_distribution<size_t>(0, 300)(nahoda), 'x');
        for (char &c : text)
            c = abeceda[std::uniform_int_distribution<int>(0, 7)(nahoda)];
        int tid = std::uniform_int_distribution<int>(0x40001, 0x7fffffff)(nahoda);
        size_t nejvic = std::uniform_int_distribution<size_t>(1, 40)(nahoda);
        ASSERT_EQ(po_kusech(tid, text, nahoda, nejvic), oznaceny_text(tid, text))
            << "pokus " << pokus;
    }
}

// Lines around the bound and far over it, one or a few of them, in pieces of any size: the
// held-back rest never grows past the bound.
TEST(OznaceniRadku, DlouhyRadekVychaziPoKusechSNejvysMezi)
{
    std::mt19937 nahoda(12);
    const size_t meze[] = {0, 1, NEJDELSI_RADEK - 1, NEJDELSI_RADEK, NEJDELSI_RADEK + 1,
                           2 * NEJDELSI_RADEK, 3 * NEJDELSI_RADEK + 7};
    for (int pokus = 0; pokus < 60; pokus++) {
        std::string text;
        for (int radek = std::uniform_int_distribution<int>(1, 3)(nahoda); radek > 0; radek--)
            text += std::string(meze[std::uniform_int_distribution<int>(0, 6)(nahoda)], 'y') +
                    (radek > 1 || pokus % 2 ? "\n" : "");
        size_t nejvic = std::uniform_int_distribution<size_t>(1, 3 * NEJDELSI_RADEK)(nahoda);
        ASSERT_EQ(po_kusech(0x40004, text, nahoda, nejvic), oznaceny_text(0x40004, text))
            << "pokus " << pokus;
    }
}

TEST(OznaceniRadku, NedokoncenyRadekCekaNaDalsiKus)
{
    Rozpracovany_vystup vystup;
    vystup.tid = 0x40002;
    EXPECT_EQ(oznac_radky(vystup, "Delnik 262146: Poc", 18), "");
    EXPECT_EQ(oznac_radky(vystup, "itam\nDal", 8), "[t40002] Delnik 262146: Pocitam\n");
    EXPECT_EQ(dokonci_radky(vystup), "[t40002] Dal\n");
    EXPECT_EQ(dokonci_radky(vystup), "");
}

TEST(OznaceniRadku, PrazdnyRadekZustava)
{
    Rozpracovany_vystup vystup;
    vystup.tid = 0x40003;
    EXPECT_EQ(oznac_radky(vystup, "\n\n", 2), "[t40003] \n[t40003] \n");
}

}  // namespace

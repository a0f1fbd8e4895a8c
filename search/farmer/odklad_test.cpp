// SPDX-License-Identifier: MIT
// Tests of farmer's store of positions: what goes in comes out worker by worker, in memory
// and in its temporary file alike.
#include "search/farmer/odklad.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TEST(Odklad, VraciPoziceVPoradiWorkeruIZeSouboruBezZahozenych)
{
    std::mt19937 nahoda(23);
    for (size_t v_pameti : {size_t{0}, size_t{7}, size_t{100}, ODKLAD_V_PAMETI}) {
        const size_t workeru = 1 + nahoda() % 9;
        Odklad odklad;
        odklad.v_pameti = v_pameti;
        zaloz_odklad(odklad, workeru);
        std::vector<std::vector<int>> ocekavane(workeru);
        std::string chyba;
        size_t vlozeno = 0;
        for (int kus = 0; kus < 200; kus++) {
            const size_t w = nahoda() % workeru;
            std::vector<int> pozice(nahoda() % 30);
            for (int &p : pozice)
                p = static_cast<int>(nahoda() % 1000000);
            ASSERT_TRUE(odloz(odklad, w, pozice.data(), pozice.size(), &chyba)) << chyba;
            ocekavane[w].insert(ocekavane[w].end(), pozice.begin(), pozice.end());
            vlozeno += pozice.size();
            // Now and then a worker is lost: what it sent goes, its range starts over.
            if (nahoda() % 10 == 0) {
                const size_t ztraceny = nahoda() % workeru;
                zahod_pozice(odklad, ztraceny);
                ocekavane[ztraceny].clear();
            }
        }
        std::vector<int> vse, prectene;
        for (const std::vector<int> &w : ocekavane)
            vse.insert(vse.end(), w.begin(), w.end());
        ASSERT_TRUE(projdi_odklad(odklad, [&](const int *p, size_t n) {
            prectene.insert(prectene.end(), p, p + n);
            return true;
        }, &chyba)) << chyba;
        EXPECT_EQ(prectene, vse) << v_pameti;
        EXPECT_EQ(odklad.celkem, vse.size());
        EXPECT_LE(odklad.pamet.size(), v_pameti);
        EXPECT_EQ(odklad.fd >= 0, vlozeno > v_pameti);
        zavri_odklad(odklad);
    }
}

TEST(Odklad, NezapisovatelnaSlozkaJeChyba)
{
    Odklad odklad;
    odklad.v_pameti = 0;
    zaloz_odklad(odklad, 1);
    setenv("TMPDIR", "/proc/neni-slozka", 1);
    int p = 1;
    std::string chyba;
    EXPECT_FALSE(odloz(odklad, 0, &p, 1, &chyba));
    unsetenv("TMPDIR");
    EXPECT_NE(chyba.find("mkstemp /proc/neni-slozka/farmer-pozice."), std::string::npos) << chyba;
    zavri_odklad(odklad);
}

}  // namespace

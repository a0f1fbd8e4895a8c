// SPDX-License-Identifier: MIT
// Tests of the range layout: the known tables and every occurrence in exactly one range.
#include "search/text/rozsahy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>

#include "search/testy/orakula.h"

namespace {

std::string zapis(const std::vector<Rozsah> &rozsahy)
{
    std::string s;
    for (const Rozsah &r : rozsahy)
        s += std::to_string(r.odkud) + "-" + std::to_string(r.kam) + " ";
    return s;
}

TEST(RozlozText, ZnamePriklady)
{
    EXPECT_EQ(zapis(rozloz_text(100, 2, 3)), "0-32 32-64 64-99 ");
    EXPECT_EQ(num_workers_max(10, 3), 3);
    EXPECT_EQ(zapis(rozloz_text(10, 3, 3)), "0-3 2-5 4-9 ");
    EXPECT_EQ(zapis(rozloz_text(57, 4, 1)), "0-56 ");
}

TEST(RozlozText, KazdyVyskytLeziCelyPraveVJednomRozsahu)
{
    for (int delka_in = 2; delka_in <= 130; delka_in++) {
        for (int delka_f = 2; delka_f <= std::min(delka_in, 9); delka_f++) {
            const int num = num_workers_max(delka_in, delka_f);
            for (int num_workers = 1; num_workers <= num; num_workers++) {
                std::vector<Rozsah> rozsahy = rozloz_text(delka_in, delka_f, num_workers);
                ASSERT_EQ(rozsahy.size(), static_cast<size_t>(num_workers));
                EXPECT_EQ(rozsahy.back().kam, delka_in - 1);
                for (int p = 0; p + delka_f <= delka_in; p++) {
                    int v_kolika = 0;
                    for (const Rozsah &r : rozsahy) {
                        ASSERT_TRUE(0 <= r.odkud && r.odkud <= r.kam && r.kam < delka_in);
                        v_kolika += r.odkud <= p && p + delka_f - 1 <= r.kam;
                    }
                    ASSERT_EQ(v_kolika, 1) << "L=" << delka_in << " m=" << delka_f
                                           << " c=" << num_workers << " p=" << p;
                }
            }
        }
    }
}

TEST(PlanHledani, PocetSeSnizujeJenNadMaximumAKratkyTextNedostaneNikoho)
{
    const struct {
        int delka_in, delka_f, pozadano;
        int workeru;
        bool snizeno;
        const char *rozsahy;
    } pripady[] = {
        {100, 2, 3, 3, false, "0-32 32-64 64-99 "},
        {10, 3, 5, 3, true, "0-3 2-5 4-9 "},
        {10, 3, 3, 3, false, "0-3 2-5 4-9 "},
        {7, 7, 2, 1, true, "0-6 "},
        {2, 3, 4, 0, false, ""},
        {0, 2, 1, 0, false, ""},
    };
    for (const auto &p : pripady) {
        PlanHledani plan = planuj_hledani(p.delka_in, p.delka_f, p.pozadano);
        EXPECT_EQ(plan.num_workers, p.workeru) << p.delka_in << " " << p.delka_f;
        EXPECT_EQ(plan.snizeno, p.snizeno) << p.delka_in << " " << p.delka_f;
        EXPECT_EQ(zapis(plan.rozsahy), p.rozsahy);
    }
}

TEST(OdpovedWorkera, VyskytyTextuVeSvemRozsahuProjdou)
{
    // Whatever the text, a worker that finds what is there is never refused.
    std::mt19937 nahoda(41);
    for (int pokus = 0; pokus < 300; pokus++) {
        std::string text(2 + nahoda() % 200, 'a');
        for (char &c : text)
            c = "aab"[nahoda() % 3];
        const size_t delka_f = 2 + nahoda() % std::min<size_t>(4, text.size() - 1);
        const std::string vzor = text.substr(0, delka_f);
        const int m = static_cast<int>(vzor.size()), L = static_cast<int>(text.size());
        const int c = 1 + static_cast<int>(nahoda() % num_workers_max(L, m));
        for (const Rozsah &r : rozloz_text(L, m, c)) {
            std::vector<int> pozice = naivne(text, vzor, r.odkud, r.kam);
            EXPECT_TRUE(pozice_v_rozsahu(r, m, pozice.data(), pozice.size())) << text << vzor;
            EXPECT_LE(pozice.size(), vyskytu_nejvys(r, m)) << text << vzor;
        }
    }
}

// A position where no occurrence of a pattern of m characters can start in r.
int mimo_rozsah(std::mt19937 &nahoda, const Rozsah &r, int m)
{
    const int pred = r.odkud - 1 - static_cast<int>(nahoda() % 5);
    const int za = r.kam - m + 2 + static_cast<int>(nahoda() % 5);
    const int moznosti[] = {pred, za, -7, INT_MIN, INT_MAX, 2000000000, r.kam, r.kam - m + 2};
    return moznosti[nahoda() % 8];
}

TEST(OdpovedWorkera, JedinaPoziceMimoRozsahSeOdmitne)
{
    std::mt19937 nahoda(43);
    for (int pokus = 0; pokus < 2000; pokus++) {
        const int L = 2 + static_cast<int>(nahoda() % 100000);
        const int m = 2 + static_cast<int>(nahoda() % 9);
        if (m > L)
            continue;
        const int c = 1 + static_cast<int>(nahoda() % std::min(num_workers_max(L, m), 50));
        const std::vector<Rozsah> rozsahy = rozloz_text(L, m, c);
        const Rozsah r = rozsahy[nahoda() % rozsahy.size()];
        // Any places of the range, in any order, repeated or not: farmer takes them as sent.
        std::vector<int> pozice(nahoda() % 20);
        const int mist = static_cast<int>(vyskytu_nejvys(r, m));
        ASSERT_GT(mist, 0);
        for (int &p : pozice)
            p = r.odkud + static_cast<int>(nahoda() % mist);
        if (nahoda() % 4 == 0 && !pozice.empty())
            pozice[nahoda() % pozice.size()] = nahoda() % 2 ? r.odkud : r.kam - m + 1;
        ASSERT_TRUE(pozice_v_rozsahu(r, m, pozice.data(), pozice.size()));
        if (pozice.empty())
            continue;
        pozice[nahoda() % pozice.size()] = mimo_rozsah(nahoda, r, m);
        EXPECT_FALSE(pozice_v_rozsahu(r, m, pozice.data(), pozice.size()))
            << "L=" << L << " m=" << m << " rozsah " << r.odkud << "-" << r.kam;
    }
}

TEST(OdpovedWorkera, NejvysTolikVyskytuKolikMistZacatku)
{
    EXPECT_EQ(vyskytu_nejvys({0, 9}, 2), 9u);
    EXPECT_EQ(vyskytu_nejvys({5, 9}, 5), 1u);
    EXPECT_EQ(vyskytu_nejvys({5, 9}, 6), 0u);
    EXPECT_EQ(vyskytu_nejvys({0, INT_MAX - 1}, 2), static_cast<size_t>(INT_MAX) - 1);
    // The text of aaaa... searched for aa: every place starts one, and the ranges hold them all.
    const std::string text(1000, 'a');
    for (int c = 1; c <= 500; c += 37)
        for (const Rozsah &r : rozloz_text(1000, 2, c))
            EXPECT_EQ(naivne(text, "aa", r.odkud, r.kam).size(), vyskytu_nejvys(r, 2));
}

}  // namespace

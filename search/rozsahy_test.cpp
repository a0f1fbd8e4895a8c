// SPDX-License-Identifier: MIT
// Tests of the range layout: the known tables and every occurrence in exactly one range.
#include "rozsahy.h"

#include <gtest/gtest.h>

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

}  // namespace

// SPDX-License-Identifier: MIT
// Unit tests of the kernel's progress sink: a sink that says stop ends the box at that point.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "integration/jadro/kubo_jadro_vnitrni.h"

namespace {

// A box and the step it is integrated with.
struct Box : Jednotka {
    double d;
};

struct Zastaveny {
    double hmotnost;
    std::vector<int> receno;  // every percentage the sink was told
};

// The box by the fast kernel or the cell-by-cell one, with a sink that says stop once told
// zastav percent or more.
Zastaveny spocitej(bool primo, const Box &b, int funkce, int zastav)
{
    Zastaveny z{0, {}};
    HlaseniPostupu postup = [&](int procento) {
        z.receno.push_back(procento);
        return procento < zastav;
    };
    z.hmotnost = primo ? vypocti_primo(b, b.d, funkce, postup)
                       : vypocti(b, b.d, funkce, postup);
    return z;
}

bool stejne_bity(double a, double b) { return memcmp(&a, &b, sizeof a) == 0; }

// Boxes of 200 and 416 cell layers along x, at the origin and away from it: more layers than
// percents, so every stop leaves layers undone.
const Box BOXY[] = {{0, 0, 0, 2, 1, 1, 0.01}, {3.7, 0, 0, 9.1, 0.5, 0.3, 0.013}};

// The sink is told nothing after it said stop, and both kernels stop after the same layer
// with the same bits; a box stopped early weighs less than the whole box.
TEST(PostupJadra, ZastaveniKonciVypocetVTomMiste)
{
    for (const Box &b : BOXY)
        for (int funkce = 1; funkce <= 3; funkce++)
            for (int zastav : {1, 37, 99}) {
                Zastaveny rychly = spocitej(false, b, funkce, zastav);
                Zastaveny primy = spocitej(true, b, funkce, zastav);
                Zastaveny cely = spocitej(true, b, funkce, 101);
                std::string popis = "box " + std::to_string(b.xdo) + ", funkce " +
                                    std::to_string(funkce) + ", stop at " + std::to_string(zastav);
                ASSERT_FALSE(rychly.receno.empty()) << popis;
                EXPECT_GE(rychly.receno.back(), zastav) << popis;
                for (size_t i = 0; i + 1 < rychly.receno.size(); i++)
                    EXPECT_LT(rychly.receno[i], zastav) << popis;
                EXPECT_EQ(rychly.receno, primy.receno) << popis;
                EXPECT_TRUE(stejne_bity(rychly.hmotnost, primy.hmotnost)) << popis;
                EXPECT_LT(rychly.hmotnost, cely.hmotnost) << popis;
            }
}

// A sink that always goes on, and an empty one, change nothing.
TEST(PostupJadra, PokracovaniDaCelouHmotnost)
{
    for (const Box &b : BOXY)
        for (int funkce = 1; funkce <= 3; funkce++) {
            double bez = vypocti(b, b.d, funkce,
                                 HlaseniPostupu());
            EXPECT_TRUE(stejne_bity(spocitej(false, b, funkce, 101).hmotnost, bez));
            EXPECT_TRUE(stejne_bity(spocitej(true, b, funkce, 101).hmotnost, bez));
        }
}

}  // namespace

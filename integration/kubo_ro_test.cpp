// Unit tests of the density functions and the midpoint kernel.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "kubo_ro.h"

namespace {

struct Beh {
    double hmotnost;
    std::string vystup;
};

template <typename Kernel>
Beh spocitej(Kernel kernel, double xod, double yod, double zod, double xdo, double ydo,
             double zdo, double d, int funkce)
{
    testing::internal::CaptureStdout();
    double m = kernel(xod, yod, zod, xdo, ydo, zdo, d, funkce);
    return {m, testing::internal::GetCapturedStdout()};
}

bool stejne_bity(double a, double b) { return memcmp(&a, &b, sizeof a) == 0; }

TEST(Hustota, CtyriDruhyFunkce)
{
    EXPECT_EQ(ro(2, 3, 4, 1), 1.0);
    EXPECT_EQ(ro(2, 3, 4, 2), 2.0);
    EXPECT_EQ(ro(2, 3, 4, 3), 9.0);
    EXPECT_EQ(ro(2, 3, 4, 4), 0.0);
    EXPECT_EQ(ro(2, 3, 4, 0), 0.0);
}

TEST(Integrace, JednotkovaHustotaNaKvadru20x10x1)
{
    EXPECT_EQ(vypocti(0, 0, 0, 20, 10, 1, 0.5, 1), 200.0);
}

TEST(Integrace, HustotaXNaJednotkoveKrychli)
{
    EXPECT_EQ(vypocti(0, 0, 0, 1, 1, 1, 0.5, 2), 0.5);
}

TEST(Integrace, HranaNedelitelnaKrokemPridaVrstvuPresHranu)
{
    // x from 0 to 1.2 with step 0.5: cells at 0, 0.5 and 1.0, the last reaching 1.5.
    EXPECT_EQ(vypocti(0, 0, 0, 1.2, 1, 1, 0.5, 1), 1.5);
}

TEST(Integrace, PrazdnyBoxNicNevypise)
{
    Beh b = spocitej(vypocti, 3, 0, 0, 3, 1, 1, 0.1, 1);
    EXPECT_EQ(b.hmotnost, 0.0);
    EXPECT_EQ(b.vystup, "");
}

TEST(Integrace, PostupSeHlasiOdJednohoProcentaANikdyNeDoSta)
{
    mytid = 7;
    Beh b = spocitej(vypocti, 0, 0, 0, 1, 0.1, 0.1, 0.25, 1);
    // Rows start at 0, 0.25, 0.5 and 0.75 of the edge.
    EXPECT_EQ(b.vystup,
              "Delnik 7: Pocitam dilci hmotnost [25%]\n"
              "Delnik 7: Pocitam dilci hmotnost [50%]\n"
              "Delnik 7: Pocitam dilci hmotnost [75%]\n");
    b = spocitej(vypocti, 0, 0, 0, 1, 0.01, 0.01, 0.001, 1);
    EXPECT_EQ(b.vystup.find("[0%]"), std::string::npos);
    EXPECT_EQ(b.vystup.find("[100%]"), std::string::npos);
    EXPECT_NE(b.vystup.find("Delnik 7: Pocitam dilci hmotnost [1%]\n"), std::string::npos);
}

// The fast kernel must give the very bits of the cell-by-cell one, progress lines included,
// on boxes whose edges the step does not divide and whose corners are not on one grid.
TEST(Integrace, RychlyKernelJeBitoveShodnySPrimym)
{
    std::mt19937_64 nahoda(20261208);
    std::uniform_real_distribution<double> roh(-3.0, 3.0), hrana(0.0, 2.5), krok(0.03, 0.4);
    for (int i = 0; i < 400; i++) {
        double xod = roh(nahoda), yod = roh(nahoda), zod = roh(nahoda);
        double xdo = xod + hrana(nahoda), ydo = yod + hrana(nahoda), zdo = zod + hrana(nahoda);
        double d = krok(nahoda);
        for (int funkce : {1, 2, 3, 4, 0}) {
            Beh rychly = spocitej(vypocti, xod, yod, zod, xdo, ydo, zdo, d, funkce);
            Beh primy = spocitej(vypocti_primo, xod, yod, zod, xdo, ydo, zdo, d, funkce);
            ASSERT_TRUE(stejne_bity(rychly.hmotnost, primy.hmotnost))
                << "box " << i << " funkce " << funkce << ": " << rychly.hmotnost << " vs "
                << primy.hmotnost;
            ASSERT_EQ(rychly.vystup, primy.vystup);
        }
    }
}

TEST(Integrace, SlabovyPlanPrikladuJeBitoveShodny)
{
    // One inner slab of the README example: 5 % of a 20 x 10 x 1 cuboid, step 0.005.
    for (int funkce : {1, 2, 3}) {
        Beh rychly = spocitej(vypocti, 5, 0, 0, 6, 10, 1, 0.005, funkce);
        Beh primy = spocitej(vypocti_primo, 5, 0, 0, 6, 10, 1, 0.005, funkce);
        EXPECT_TRUE(stejne_bity(rychly.hmotnost, primy.hmotnost)) << funkce;
    }
}

}  // namespace

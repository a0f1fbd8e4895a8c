// SPDX-License-Identifier: MIT
// Unit tests of the matrix loader and the dot-product step.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "matrix/matice.h"
#include "matrix/mocnina.h"

namespace {

// A stream over text held in memory; nacti_matici closes it.
FILE *proud(std::string &text)
{
    return fmemopen(text.data(), text.size(), "r");
}

bool nacti(std::string text, Matice &m)
{
    testing::internal::CaptureStdout();
    bool ok = nacti_matici(proud(text), m);
    testing::internal::GetCapturedStdout();
    return ok;
}

TEST(NacteniMatice, DevetCiselNaLibovolnychRadcichDavaRozmerTri)
{
    Matice m;
    ASSERT_TRUE(nacti("1 2\n3\n\n 4 5 6 7\t8\n9", m));
    EXPECT_EQ(N, 3);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0], (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(m[2], (std::vector<float>{7, 8, 9}));
}

TEST(NacteniMatice, OsmCiselNeniCtverec)
{
    Matice m;
    EXPECT_FALSE(nacti("1 2 3 4 5 6 7 8", m));
}

TEST(NacteniMatice, SouborBezHodnotNeniMatice)
{
    Matice m;
    EXPECT_FALSE(nacti("", m));
    EXPECT_FALSE(nacti(" \n\t\n", m));
}

TEST(NacteniMatice, SlovoMistoCislaJeChybaSouboru)
{
    Matice m;
    EXPECT_FALSE(nacti("1 2 x 4", m));
    EXPECT_FALSE(nacti("1 2 3 4 konec", m));
}

TEST(NacteniMatice, ZnamkaPredCislemDrziHodnotu)
{
    Matice m;
    ASSERT_TRUE(nacti("-1.5 +2e1 .25 7", m));
    EXPECT_EQ(m[0], (std::vector<float>{-1.5f, 20.0f}));
    EXPECT_EQ(m[1], (std::vector<float>{0.25f, 7.0f}));
}

TEST(SkalarniSoucin, SoucinSeNezaokrouhlujeDoFloat)
{
    // (1 + 2^-23)^2 = 1 + 2^-22 + 2^-46: the last term survives only if the product is
    // formed exactly and rounded once, together with the sum.
    float a = 1.0f + std::ldexp(1.0f, -23);
    float bez_konce = 1.0f + std::ldexp(1.0f, -22);
    EXPECT_EQ(pricti_soucin(a, a, -bez_konce), std::ldexp(1.0f, -46));
}

TEST(SkalarniSoucin, SoucetSeZaokrouhlujeDoFloatKazdyKrok)
{
    // 2^24 + 1 is not a float: it rounds to even, back to 2^24.
    EXPECT_EQ(pricti_soucin(16777216.0f, 1.0f, 1.0f), 16777216.0f);
}

}  // namespace

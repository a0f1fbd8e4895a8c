// SPDX-License-Identifier: MIT
// The choice of CPU path: a forced path is taken only where the CPU runs it.
#include <gtest/gtest.h>

#include "common/cesta_cpu.h"

static bool jen_sse2(CestaCpu c) { return c == CESTA_SSE2; }
static bool az_po_avx2(CestaCpu c) { return c != CESTA_AVX512; }
static bool vsechny(CestaCpu) { return true; }

TEST(VolbaCesty, VynucenaCestaKterouCpuNeumiSeNevezme)
{
    EXPECT_EQ(vychozi_cesta("avx512", jen_sse2), CESTA_SSE2);
    EXPECT_EQ(vychozi_cesta("avx2", jen_sse2), CESTA_SSE2);
    EXPECT_EQ(vychozi_cesta("avx512", az_po_avx2), CESTA_AVX2);
}

TEST(VolbaCesty, VynucenaCestaKterouCpuUmiSeVezme)
{
    for (CestaCpu c : {CESTA_SSE2, CESTA_AVX2, CESTA_AVX512})
        EXPECT_EQ(vychozi_cesta(nazev_cesty_cpu(c), vsechny), c) << nazev_cesty_cpu(c);
    EXPECT_EQ(vychozi_cesta("sse2", az_po_avx2), CESTA_SSE2);
}

TEST(VolbaCesty, BezVolbyNeboSNeznamymJmenemNejsirsiMozna)
{
    for (const char *jmeno : {static_cast<const char *>(nullptr), "", "AVX2", "neon", "avx"}) {
        EXPECT_EQ(vychozi_cesta(jmeno, vsechny), CESTA_AVX512) << (jmeno ? jmeno : "(none)");
        EXPECT_EQ(vychozi_cesta(jmeno, az_po_avx2), CESTA_AVX2);
        EXPECT_EQ(vychozi_cesta(jmeno, jen_sse2), CESTA_SSE2);
    }
}

TEST(VolbaCesty, ZvolitLzeJenCestuKterouCpuUmi)
{
    CestaCpu puvodni = cesta_cpu();
    for (CestaCpu c : {CESTA_SSE2, CESTA_AVX2, CESTA_AVX512}) {
        EXPECT_EQ(zvol_cestu_cpu(c), cpu_umi(c));
        EXPECT_EQ(cesta_cpu() == c, cpu_umi(c));
    }
    zvol_cestu_cpu(puvodni);
}

// SPDX-License-Identifier: MIT
// The choice of CPU path: a forced path is taken only where the CPU runs it, and the generic
// path, which every CPU runs, only where no x86 path does or when it is asked for.
#include <gtest/gtest.h>

#include <cstring>

#include "common/cesta_cpu.h"

static bool jen_obecna(CestaCpu c) { return c == CESTA_OBECNA; }
static bool bez_avx(CestaCpu c) { return c == CESTA_OBECNA || c == CESTA_SSE2; }
static bool az_po_avx2(CestaCpu c) { return c != CESTA_AVX512; }
static bool vsechny(CestaCpu) { return true; }

const CestaCpu VSECHNY_CESTY[] = {CESTA_OBECNA, CESTA_SSE2, CESTA_AVX2, CESTA_AVX512};

TEST(VolbaCesty, VynucenaCestaKterouCpuNeumiSeNevezme)
{
    EXPECT_EQ(vychozi_cesta("avx512", bez_avx), CESTA_SSE2);
    EXPECT_EQ(vychozi_cesta("avx2", bez_avx), CESTA_SSE2);
    EXPECT_EQ(vychozi_cesta("avx512", az_po_avx2), CESTA_AVX2);
    for (const char *jmeno : {"sse2", "avx2", "avx512"})
        EXPECT_EQ(vychozi_cesta(jmeno, jen_obecna), CESTA_OBECNA) << jmeno;
}

TEST(VolbaCesty, VynucenaCestaKterouCpuUmiSeVezme)
{
    for (CestaCpu c : VSECHNY_CESTY)
        EXPECT_EQ(vychozi_cesta(nazev_cesty_cpu(c), vsechny), c) << nazev_cesty_cpu(c);
    EXPECT_EQ(vychozi_cesta("sse2", az_po_avx2), CESTA_SSE2);
    EXPECT_EQ(vychozi_cesta("obecna", bez_avx), CESTA_OBECNA);
    EXPECT_EQ(vychozi_cesta("obecna", jen_obecna), CESTA_OBECNA);
}

TEST(VolbaCesty, BezVolbyNeboSNeznamymJmenemNejsirsiMozna)
{
    for (const char *jmeno : {static_cast<const char *>(nullptr), "", "AVX2", "neon", "avx"}) {
        EXPECT_EQ(vychozi_cesta(jmeno, vsechny), CESTA_AVX512) << (jmeno ? jmeno : "(none)");
        EXPECT_EQ(vychozi_cesta(jmeno, az_po_avx2), CESTA_AVX2);
        EXPECT_EQ(vychozi_cesta(jmeno, bez_avx), CESTA_SSE2);
        EXPECT_EQ(vychozi_cesta(jmeno, jen_obecna), CESTA_OBECNA);
    }
}

TEST(VolbaCesty, NazvyCestSeLisi)
{
    for (CestaCpu c : VSECHNY_CESTY)
        for (CestaCpu d : VSECHNY_CESTY)
            EXPECT_EQ(strcmp(nazev_cesty_cpu(c), nazev_cesty_cpu(d)) == 0, c == d);
}

TEST(VolbaCesty, ObecnouCestuUmiKazdyCpu) { EXPECT_TRUE(cpu_umi(CESTA_OBECNA)); }

TEST(VolbaCesty, ZvolitLzeJenCestuKterouCpuUmi)
{
    CestaCpu puvodni = cesta_cpu();
    for (CestaCpu c : VSECHNY_CESTY) {
        EXPECT_EQ(zvol_cestu_cpu(c), cpu_umi(c));
        EXPECT_EQ(cesta_cpu() == c, cpu_umi(c));
    }
    zvol_cestu_cpu(puvodni);
}

// SPDX-License-Identifier: MIT
// The instruction set every hot loop runs with, chosen once per process.
#include "common/cesta_cpu.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

const char *const PROMENNA_CESTY_CPU = "KVS_CESTA_CPU";

bool cpu_umi(CestaCpu c)
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    switch (c) {
    case CESTA_OBECNA:
        return true;
    case CESTA_SSE2:
        return __builtin_cpu_supports("sse2");
    case CESTA_AVX2:
        return __builtin_cpu_supports("avx2");
    case CESTA_AVX512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    }
    return false;
#else
    return c == CESTA_OBECNA;
#endif
}

CestaCpu vychozi_cesta(const char *jmeno, bool (*umi)(CestaCpu))
{
    if (jmeno != nullptr)
        for (CestaCpu c : {CESTA_OBECNA, CESTA_SSE2, CESTA_AVX2, CESTA_AVX512})
            if (strcmp(jmeno, nazev_cesty_cpu(c)) == 0 && umi(c))
                return c;
    for (CestaCpu c : {CESTA_AVX512, CESTA_AVX2, CESTA_SSE2})
        if (umi(c))
            return c;
    return CESTA_OBECNA;
}

// Chosen on first use: programs may ask while they start.
static CestaCpu &zvolena()
{
    static CestaCpu cesta = vychozi_cesta(getenv(PROMENNA_CESTY_CPU), cpu_umi);
    return cesta;
}

CestaCpu cesta_cpu() { return zvolena(); }

bool zvol_cestu_cpu(CestaCpu c)
{
    if (!cpu_umi(c))
        return false;
    zvolena() = c;
    return true;
}

const char *nazev_cesty_cpu(CestaCpu c)
{
    switch (c) {
    case CESTA_OBECNA:
        return "obecna";
    case CESTA_SSE2:
        return "sse2";
    case CESTA_AVX2:
        return "avx2";
    case CESTA_AVX512:
        return "avx512";
    }
    return "?";
}

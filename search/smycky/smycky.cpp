// SPDX-License-Identifier: MIT
// The search's hot loops: the path cesta_cpu chooses, asked once per call of a loop. An x86
// path this build lacks (SMYCKY_SSE2, SMYCKY_AVX2, SMYCKY_AVX512 say which it has) runs the
// generic loops.
#include "search/smycky/smycky.h"

#include "common/cesta_cpu.h"
#include "search/smycky/smycky_cesty.h"

Filtr filtr_pro(const char *vzor, size_t delka)
{
    Filtr f = {};
    for (size_t i = 0; i < 3 && i < delka; i++) {
        f.znak[i] = static_cast<unsigned char>(vzor[i]);
        f.maska[i] = 0xff;
    }
    return f;
}

size_t vynechane_v_rade(const unsigned char *b, size_t n)
{
    switch (cesta_cpu()) {
#if defined(SMYCKY_AVX512)
    case CESTA_AVX512:
        return vynechane_v_rade_avx512(b, n);
#endif
#if defined(SMYCKY_AVX2)
    case CESTA_AVX2:
        return vynechane_v_rade_avx2(b, n);
#endif
#if defined(SMYCKY_SSE2)
    case CESTA_SSE2:
        return vynechane_v_rade_sse2(b, n);
#endif
    default:
        break;
    }
    return vynechane_v_rade_obecna(b, n);
}

size_t filtruj_behy(const unsigned char *b, size_t behu, const Filtr &filtr, NaKandidaty na,
                    void *kontext)
{
    switch (cesta_cpu()) {
#if defined(SMYCKY_AVX512)
    case CESTA_AVX512:
        return filtruj_behy_avx512(b, behu, filtr, na, kontext);
#endif
#if defined(SMYCKY_AVX2)
    case CESTA_AVX2:
        return filtruj_behy_avx2(b, behu, filtr, na, kontext);
#endif
#if defined(SMYCKY_SSE2)
    case CESTA_SSE2:
        return filtruj_behy_sse2(b, behu, filtr, na, kontext);
#endif
    default:
        break;
    }
    return filtruj_behy_obecna(b, behu, filtr, na, kontext);
}

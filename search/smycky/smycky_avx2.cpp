// SPDX-License-Identifier: MIT
// The search's hot loops in 32-byte vectors (AVX2); built with -mavx2, run only where the
// CPU has it.
#include <immintrin.h>

#include "search/smycky/smycky_cesty.h"
#include "search/smycky/smycky_sablona.h"

namespace {

struct Avx2 {
    SMYCKY_OPERACE(__m256i, 256, 256)
    SMYCKY_POROVNANI(256)
    static size_t soucet(V x)
    {
        const V ctvrtiny = _mm256_sad_epu8(x, nula());
        const __m128i pulky = _mm_add_epi64(_mm256_castsi256_si128(ctvrtiny),
                                            _mm256_extracti128_si256(ctvrtiny, 1));
        return static_cast<size_t>(_mm_cvtsi128_si64(pulky)) +
               static_cast<size_t>(_mm_extract_epi64(pulky, 1));
    }
};

}  // namespace

SMYCKY_CESTY(Avx2, vynechane_v_rade_avx2, filtruj_behy_avx2)

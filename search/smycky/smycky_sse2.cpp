// SPDX-License-Identifier: MIT
// The search's hot loops in 16-byte vectors, which every x86-64 CPU runs.
#include <emmintrin.h>

#include "search/smycky/smycky_cesty.h"
#include "search/smycky/smycky_sablona.h"

namespace {

struct Sse2 {
    SMYCKY_OPERACE(__m128i, , 128)
    SMYCKY_POROVNANI()
    static size_t soucet(V x)
    {
        const V pulky = _mm_sad_epu8(x, nula());
        return static_cast<size_t>(_mm_cvtsi128_si64(pulky)) +
               static_cast<size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(pulky, pulky)));
    }
};

}  // namespace

SMYCKY_CESTY(Sse2, vynechane_v_rade_sse2, filtruj_behy_sse2)

// SPDX-License-Identifier: MIT
// The search's hot loops in 16-byte vectors, which every x86-64 CPU runs.
#include <emmintrin.h>

#include "pocitani_cesty.h"
#include "pocitani_sablona.h"

namespace {

struct Sse2 {
    POCITANI_OPERACE(__m128i, , 128)
    POCITANI_POROVNANI()
    static size_t soucet(V x)
    {
        const V pulky = _mm_sad_epu8(x, nula());
        return static_cast<size_t>(_mm_cvtsi128_si64(pulky)) +
               static_cast<size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(pulky, pulky)));
    }
};

}  // namespace

POCITANI_CESTY(Sse2, vynechane_v_rade_sse2, filtruj_behy_sse2)

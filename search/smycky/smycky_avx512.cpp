// SPDX-License-Identifier: MIT
// The search's hot loops in 64-byte vectors (AVX-512 F and BW); built with those sets, run
// only where the CPU has them.
#include <immintrin.h>

#include "search/smycky/smycky_cesty.h"
#include "search/smycky/smycky_sablona.h"

namespace {

// Compares give masks here; as all-ones bytes they fit the loops written for the narrower sets,
// and the compiler keeps them as masks where it can.
struct Avx512 {
    SMYCKY_OPERACE(__m512i, 512, 512)
    static V rovno(V x, V y) { return _mm512_movm_epi8(_mm512_cmpeq_epi8_mask(x, y)); }
    static uint64_t maska(V x) { return _mm512_movepi8_mask(x); }
};

}  // namespace

SMYCKY_CESTY(Avx512, vynechane_v_rade_avx512, filtruj_behy_avx512)

// SPDX-License-Identifier: MIT
// The search's hot loops in 16-byte vectors, which every x86-64 CPU runs.
#include <emmintrin.h>

#include "pocitani_cesty.h"
#include "pocitani_sablona.h"

namespace {

struct Sse2 {
    using V = __m128i;
    static const int W = 16;
    static V nacti(const unsigned char *p) { return _mm_loadu_si128(reinterpret_cast<const V *>(p)); }
    static V bajty(unsigned char c) { return _mm_set1_epi8(static_cast<char>(c)); }
    static V nula() { return _mm_setzero_si128(); }
    static V rovno(V x, V y) { return _mm_cmpeq_epi8(x, y); }
    static V a(V x, V y) { return _mm_and_si128(x, y); }
    static V nebo(V x, V y) { return _mm_or_si128(x, y); }
    static V plus(V x, V y) { return _mm_add_epi8(x, y); }
    static V minus(V x, V y) { return _mm_sub_epi8(x, y); }
    static uint64_t maska(V x) { return static_cast<uint32_t>(_mm_movemask_epi8(x)); }
    static size_t soucet(V x)
    {
        const V pulky = _mm_sad_epu8(x, nula());
        return static_cast<size_t>(_mm_cvtsi128_si64(pulky)) +
               static_cast<size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(pulky, pulky)));
    }
};

}  // namespace

POCITANI_CESTY(Sse2, vynechane_v_rade_sse2, filtruj_behy_sse2)

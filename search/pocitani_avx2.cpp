// SPDX-License-Identifier: MIT
// The search's hot loops in 32-byte vectors (AVX2); built with -mavx2, run only where the CPU has it.
#include <immintrin.h>

#include "pocitani_cesty.h"
#include "pocitani_sablona.h"

namespace {

struct Avx2 {
    using V = __m256i;
    static const int W = 32;
    static V nacti(const unsigned char *p) { return _mm256_loadu_si256(reinterpret_cast<const V *>(p)); }
    static V bajty(unsigned char c) { return _mm256_set1_epi8(static_cast<char>(c)); }
    static V nula() { return _mm256_setzero_si256(); }
    static V rovno(V x, V y) { return _mm256_cmpeq_epi8(x, y); }
    static V a(V x, V y) { return _mm256_and_si256(x, y); }
    static V nebo(V x, V y) { return _mm256_or_si256(x, y); }
    static V plus(V x, V y) { return _mm256_add_epi8(x, y); }
    static V minus(V x, V y) { return _mm256_sub_epi8(x, y); }
    static uint64_t maska(V x) { return static_cast<uint32_t>(_mm256_movemask_epi8(x)); }
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

POCITANI_CESTY(Avx2, vynechane_v_rade_avx2, filtruj_behy_avx2)

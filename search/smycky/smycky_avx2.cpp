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
};

}  // namespace

SMYCKY_CESTY(Avx2, vynechane_v_rade_avx2, filtruj_behy_avx2)

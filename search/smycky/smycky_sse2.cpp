// SPDX-License-Identifier: MIT
// The search's hot loops in 16-byte vectors, which every x86-64 CPU runs.
#include <emmintrin.h>

#include "search/smycky/smycky_cesty.h"
#include "search/smycky/smycky_sablona.h"

namespace {

struct Sse2 {
    SMYCKY_OPERACE(__m128i, , 128)
    SMYCKY_POROVNANI()
};

}  // namespace

SMYCKY_CESTY(Sse2, vynechane_v_rade_sse2, filtruj_behy_sse2)

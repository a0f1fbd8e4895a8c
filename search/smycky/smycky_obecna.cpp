// SPDX-License-Identifier: MIT
// The search's hot loops in 16-byte vectors of the compiler's own, which it maps to the SIMD of
// any CPU it builds for (SSE2, NEON, ...) or to plain bytes; built with no special flags.
#include <cstring>

// A CPU without vector registers (32-bit x86 without SSE) passes these vectors otherwise than
// one with them; every function here has internal linkage, so no such call crosses a file.
#pragma GCC diagnostic ignored "-Wpsabi"

#include "search/smycky/smycky_cesty.h"
#include "search/smycky/smycky_sablona.h"

namespace {

typedef uint64_t Osmy __attribute__((vector_size(16)));

struct Obecna {
    typedef unsigned char V __attribute__((vector_size(16)));
    static const int W = 16;
    static V nacti(const unsigned char *p)
    {
        V v;
        memcpy(&v, p, W);
        return v;
    }
    static V bajty(unsigned char c) { return nula() + c; }
    static V nula() { return V{}; }
    static V a(V x, V y) { return x & y; }
    static V nebo(V x, V y) { return x | y; }
    static V plus(V x, V y) { return x + y; }
    static V minus(V x, V y) { return x - y; }
    static V rovno(V x, V y) { return reinterpret_cast<V>(x == y); }
    // Byte by byte: the order of bytes in memory, whatever the CPU's order within a word.
    static uint64_t maska(V x)
    {
        uint64_t m = 0;
        for (int k = 0; k < W; k++)
            m |= uint64_t{static_cast<unsigned char>(x[k] >> 7)} << k;
        return m;
    }
    // Neighbours added in halving steps: a sum does not depend on the order of the bytes.
    static V osminy(V x)
    {
        Osmy u = reinterpret_cast<Osmy>(x);
        u = (u & 0x00ff00ff00ff00ffULL) + ((u >> 8) & 0x00ff00ff00ff00ffULL);
        u = (u & 0x0000ffff0000ffffULL) + ((u >> 16) & 0x0000ffff0000ffffULL);
        u = (u & 0x00000000ffffffffULL) + (u >> 32);
        return reinterpret_cast<V>(u);
    }
    static void uloz(void *p, V x) { memcpy(p, &x, W); }
};

}  // namespace

SMYCKY_CESTY(Obecna, vynechane_v_rade_obecna, filtruj_behy_obecna)

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

// The top bits of the eight bytes of osm, byte k's as bit k (k in the order of memory): one
// multiplication moves each top bit to bit 56 + k, no two products overlapping.
inline uint64_t horni_bity(uint64_t osm)
{
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    osm = __builtin_bswap64(osm);
#endif
    return ((osm & 0x8080808080808080ULL) * 0x0002040810204081ULL) >> 56;
}

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
    static uint64_t maska(V x)
    {
        const Osmy u = reinterpret_cast<Osmy>(x);
        return horni_bity(u[0]) | horni_bity(u[1]) << 8;
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

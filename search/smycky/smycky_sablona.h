// SPDX-License-Identifier: MIT
// The hot loops of smycky.h written once over a vector width: each smycky_<path>.cpp, built
// for its instruction set, gives the operations of its vectors (S below) and instantiates these.
// Everything here has internal linkage and includes nothing that a file built for a narrower
// CPU shares: no copy of a function built for a wider set can stand in for another one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "search/smycky/smycky.h"

namespace {

// S: V, the vector of S::W bytes; nacti (unaligned load), bajty (every byte c), nula, rovno
// (all ones where equal), a, nebo, plus, minus (bytewise), maska (bit k from byte k's top bit)
// and osminy (each eight bytes summed into a 64-bit lane), uloz (an unaligned store).

// The sum of the bytes of x, as unsigned. Its lanes are added here, for every width alike: a
// path whose own code summed them could drop one unseen on a CPU that cannot run that path.
template <class S>
inline size_t soucet(typename S::V x)
{
    uint64_t osminy[S::W / 8];
    S::uloz(osminy, S::osminy(x));
    size_t celkem = 0;
    for (uint64_t osmina : osminy)
        celkem += osmina;
    return celkem;
}

// All ones at each byte of v that the joined text leaves out, dalsi being v one byte on.
template <class S>
inline typename S::V vynechane_v(typename S::V v, typename S::V dalsi)
{
    const typename S::V lf = S::bajty('\n'), cr = S::bajty('\r');
    return S::nebo(S::rovno(v, lf), S::a(S::rovno(v, cr), S::rovno(dalsi, lf)));
}

// A byte counter takes 1 at most per vector: it is summed before 255 vectors.
const size_t VEKTORU_DO_SOUCTU = 255;

inline size_t vynechany_bajt(const unsigned char *b, size_t i)
{
    return (b[i] == '\n') | ((b[i] == '\r') & (b[i + 1] == '\n'));
}

template <class S>
size_t vynechane_v_rade_s(const unsigned char *b, size_t n)
{
    size_t celkem = 0, i = 0;
    while (i + S::W <= n) {
        const size_t vektoru = (n - i) / S::W;
        const size_t davka = vektoru < VEKTORU_DO_SOUCTU ? vektoru : VEKTORU_DO_SOUCTU;
        typename S::V citac = S::nula();
        for (size_t k = 0; k < davka; k++, i += S::W)
            citac = S::minus(citac, vynechane_v<S>(S::nacti(b + i), S::nacti(b + i + 1)));
        celkem += soucet<S>(citac);
    }
    for (; i < n; i++)
        celkem += vynechany_bajt(b, i);
    return celkem;
}

// The filter's places among the W at c, as the byte masks of smycky.h's Filtr say.
template <class S>
struct FiltrV {
    typename S::V znak[3], maska[3];
    explicit FiltrV(const Filtr &f)
    {
        for (int i = 0; i < 3; i++) {
            znak[i] = S::bajty(f.znak[i]);
            maska[i] = S::bajty(f.maska[i]);
        }
    }
};

template <class S>
inline typename S::V konec_radku_v(typename S::V x)
{
    return S::rovno(S::nebo(x, S::bajty(7)), S::bajty(15));
}

// The first two characters' part of the filter: what the first pass over a run looks at.
template <class S>
inline typename S::V prvni_dva_v(const FiltrV<S> &f, typename S::V x0, typename S::V x1)
{
    return S::a(S::rovno(x0, f.znak[0]),
                S::nebo(S::rovno(S::a(x1, f.maska[1]), f.znak[1]), konec_radku_v<S>(x1)));
}

// The whole filter over the run of 64 at c, as bits: only for runs the first pass let through.
template <class S>
uint64_t kandidati_behu(const FiltrV<S> &f, const unsigned char *c)
{
    uint64_t kandidati = 0;
    for (int k = 0; k < 64 / S::W; k++) {
        const unsigned char *x = c + k * S::W;
        const typename S::V x1 = S::nacti(x + 1), x2 = S::nacti(x + 2);
        const typename S::V treti = S::nebo(S::rovno(S::a(x2, f.maska[2]), f.znak[2]),
                                            konec_radku_v<S>(x2));
        const typename S::V m = S::a(prvni_dva_v<S>(f, S::nacti(x), x1),
                                     S::nebo(treti, konec_radku_v<S>(x1)));
        kandidati |= S::maska(m) << (k * S::W);
    }
    return kandidati;
}

template <class S>
size_t filtruj_behy_s(const unsigned char *b, size_t behu, const Filtr &filtr, NaKandidaty na,
                      void *kontext)
{
    const FiltrV<S> f(filtr);
    const size_t behu_do_souctu = VEKTORU_DO_SOUCTU / (64 / S::W);
    size_t celkem = 0, v_citaci = 0;
    typename S::V citac = S::nula();
    for (size_t r = 0; r < behu; r++) {
        const unsigned char *c = b + 64 * r;
        // First the count and the first two characters, which few runs pass; the third is
        // looked at only in those, so that a wide filter does not cost every run.
        typename S::V beh = S::nula(), nektera = S::nula();
        for (int k = 0; k < 64 / S::W; k++) {
            const typename S::V x0 = S::nacti(c + k * S::W), x1 = S::nacti(c + k * S::W + 1);
            nektera = S::nebo(nektera, prvni_dva_v<S>(f, x0, x1));
            beh = S::minus(beh, vynechane_v<S>(x0, x1));
        }
        const uint64_t kandidati = S::maska(nektera) != 0 ? kandidati_behu<S>(f, c) : 0;
        if (kandidati != 0) {
            // The places before this run, summed now: candidates are few but for common words.
            celkem += soucet<S>(citac);
            citac = S::nula();
            v_citaci = 0;
            na(kontext, 64 * r, kandidati, celkem);
        }
        citac = S::plus(citac, beh);
        if (++v_citaci == behu_do_souctu) {
            celkem += soucet<S>(citac);
            citac = S::nula();
            v_citaci = 0;
        }
    }
    return celkem + soucet<S>(citac);
}

}  // namespace

// The operations of S that every width names alike: T is the vector type, P the width's
// prefix (empty, 256 or 512) and BITS the vector's bits.
#define SMYCKY_OPERACE(T, P, BITS)                                                             \
    using V = T;                                                                               \
    static const int W = BITS / 8;                                                             \
    static V nacti(const unsigned char *p)                                                     \
    {                                                                                          \
        return _mm##P##_loadu_si##BITS(reinterpret_cast<const V *>(p));                        \
    }                                                                                          \
    static V bajty(unsigned char c) { return _mm##P##_set1_epi8(static_cast<char>(c)); }       \
    static V nula() { return _mm##P##_setzero_si##BITS(); }                                    \
    static V a(V x, V y) { return _mm##P##_and_si##BITS(x, y); }                               \
    static V nebo(V x, V y) { return _mm##P##_or_si##BITS(x, y); }                             \
    static V plus(V x, V y) { return _mm##P##_add_epi8(x, y); }                                \
    static V minus(V x, V y) { return _mm##P##_sub_epi8(x, y); }                              \
    static V osminy(V x) { return _mm##P##_sad_epu8(x, nula()); }                             \
    static void uloz(void *p, V x) { _mm##P##_storeu_si##BITS(reinterpret_cast<V *>(p), x); }

// The compares of the widths whose compares give vectors (SSE2, AVX2).
#define SMYCKY_POROVNANI(P)                                                                    \
    static V rovno(V x, V y) { return _mm##P##_cmpeq_epi8(x, y); }                             \
    static uint64_t maska(V x) { return static_cast<uint32_t>(_mm##P##_movemask_epi8(x)); }

// The two loops of one path under the names smycky.cpp dispatches to.
#define SMYCKY_CESTY(S, vynechane, filtruj)                                                    \
    size_t vynechane(const unsigned char *b, size_t n) { return vynechane_v_rade_s<S>(b, n); } \
    size_t filtruj(const unsigned char *b, size_t behu, const Filtr &f, NaKandidaty na,        \
                   void *kontext)                                                              \
    {                                                                                          \
        return filtruj_behy_s<S>(b, behu, f, na, kontext);                                     \
    }

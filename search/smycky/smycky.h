// SPDX-License-Identifier: MIT
// The search's hot loops over raw bytes, on the instruction set cesta_cpu chooses: the count of
// the bytes the joined text leaves out, and the worker's filter of places where the pattern may
// start. Every path gives the same counts and the same places.
#pragma once

#include <cstddef>
#include <cstdint>

// The filter's test of a place c: c[0] is znak[0], and c[1] either a line end (see below) or,
// under maska[1], znak[1] with c[2] in turn a line end or znak[2] under maska[2]. A line end
// here is any byte from 8 to 15 (LF and CR among them), past which the exact check walks. A
// mask of 0 with a znak of 0 lets anything through, for patterns shorter than three.
struct Filtr {
    unsigned char znak[3];
    unsigned char maska[3];
};

// The filter for the pattern vzor[0..delka), delka at least 1.
Filtr filtr_pro(const char *vzor, size_t delka);

// The places i in [0, n) where b[i] is left out of the joined text given the byte b[i + 1]
// after it (an LF, or a CR before an LF); reads b[0..n], n + 1 bytes.
size_t vynechane_v_rade(const unsigned char *b, size_t n);

// Receives one run of 64 places at b + beh (beh a multiple of 64) with kandidati, bit k set
// where the filter lets place beh + k through, and vynechanych, the places of b[0..beh) that
// vynechane_v_rade counts.
using NaKandidaty = void (*)(void *kontext, size_t beh, uint64_t kandidati, size_t vynechanych);

// Runs the filter over the behu runs of 64 places at b and hands every run with a place let
// through to na, in order; returns the count of vynechane_v_rade over the 64 * behu places.
// Reads b[0..64 * behu + 2), two bytes past the runs.
size_t filtruj_behy(const unsigned char *b, size_t behu, const Filtr &filtr, NaKandidaty na,
                    void *kontext);

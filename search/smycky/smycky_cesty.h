// SPDX-License-Identifier: MIT
// The loops of smycky.h for each instruction set, each built in a file of its own with that
// set switched on; only smycky.cpp calls them, on a CPU that runs them. The generic loops are
// built everywhere, the x86 ones only for x86 with a compiler that takes their sets.
#pragma once

#include "search/smycky/smycky.h"

size_t vynechane_v_rade_obecna(const unsigned char *b, size_t n);
size_t vynechane_v_rade_sse2(const unsigned char *b, size_t n);
size_t vynechane_v_rade_avx2(const unsigned char *b, size_t n);
size_t vynechane_v_rade_avx512(const unsigned char *b, size_t n);

size_t filtruj_behy_obecna(const unsigned char *b, size_t behu, const Filtr &f, NaKandidaty na,
                           void *kontext);
size_t filtruj_behy_sse2(const unsigned char *b, size_t behu, const Filtr &f, NaKandidaty na,
                         void *kontext);
size_t filtruj_behy_avx2(const unsigned char *b, size_t behu, const Filtr &f, NaKandidaty na,
                         void *kontext);
size_t filtruj_behy_avx512(const unsigned char *b, size_t behu, const Filtr &f, NaKandidaty na,
                           void *kontext);

// SPDX-License-Identifier: MIT
// The one choice of instruction set for every hot loop of the project: each loop is compiled
// for each width below and asks here which one to run. All paths give the same bits.
#pragma once

enum CestaCpu {
    CESTA_OBECNA,  // 2 doubles, 16 bytes in the compiler's own vectors: every CPU
    CESTA_SSE2,    // 2 doubles, 16 bytes: every x86-64 CPU
    CESTA_AVX2,    // 4 doubles, 32 bytes
    CESTA_AVX512,  // 8 doubles, 64 bytes (AVX-512 F and BW)
};

// Environment variable that forces a path for a whole program (obecna, sse2, avx2 or avx512), for
// tests and benchmarks of the real programs; a path this CPU cannot run is ignored.
extern const char *const PROMENNA_CESTY_CPU;

// Whether this CPU runs path c.
bool cpu_umi(CestaCpu c);

// The path in use: PROMENNA_CESTY_CPU's if set and possible, else the widest this CPU runs
// (the generic one only where no x86 path runs).
CestaCpu cesta_cpu();

// The path a process starts with, umi telling which paths the CPU runs: the one named jmeno
// (nullptr: none) where it runs, else the widest that does. A named path the CPU lacks would
// die of an illegal instruction at its first loop.
CestaCpu vychozi_cesta(const char *jmeno, bool (*umi)(CestaCpu));

// Makes every loop use c; false, the choice unchanged, where this CPU cannot run it.
bool zvol_cestu_cpu(CestaCpu c);

// Name of a path as PROMENNA_CESTY_CPU takes it ("obecna", "sse2", "avx2", "avx512").
const char *nazev_cesty_cpu(CestaCpu c);

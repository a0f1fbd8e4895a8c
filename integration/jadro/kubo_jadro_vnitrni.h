// SPDX-License-Identifier: MIT
// The kernel's inner parts that its tests, benchmarks and fuzz targets call directly.
#pragma once

#include <cstddef>

#include "integration/jadro/kubo_jadro.h"

// How the fast kernel has done its work, counted from zero by whoever passes it.
struct StatistikaJadra {
    unsigned long long skoky;              // runs of equal terms added in one step
    unsigned long long remizy;             // ties met in those runs, settled by parity
    unsigned long long bloky;              // blocks of varying terms summed as integers
    unsigned long long bloky_znovu;        // of those, first blocks of rows taken from memory
    unsigned long long bloky_po_jednom;    // blocks refused and added one term at a time
    unsigned long long bloky_s_remizou;    // of those, the ones refused for a tie
    unsigned long long scitani_po_jednom;  // terms added one at a time, for any reason
    unsigned long long sirka_vektoru;      // doubles a vector holds in the last slab of blocks
};

// The mass and reports of vypocti, computed cell by cell with one ro call per cell.
double vypocti_primo(const Jednotka &j, double d, int funkce, const HlaseniPostupu &postup);

// How the kernel lays out its work; every choice gives the same bits. Tests and benchmarks
// change them to weigh a choice, or to reach with small boxes what the defaults do with large.
struct VolbyJadra {
    bool pamet_radku = true;            // keep the memory of rows' sums (kubo_soucet.h)
    size_t cela_osa = size_t(1) << 22;  // an axis of at most this many cells is held whole
    size_t usek_osy = size_t(1) << 16;  // a longer one this many midpoints at a time (>= 1)
};

// vypocti laid out as volby says.
double vypocti_s_volbami(const Jednotka &j, double d, int funkce, const VolbyJadra &volby,
                         const HlaseniPostupu &postup, StatistikaJadra *statistika);

// soucet + clen + clen + ... with n additions, each rounded to double in turn: the very bits
// of that loop, in a few steps per binade the sum passes through.
double pricti_stejne(double soucet, double clen, unsigned long long n,
                     StatistikaJadra &statistika);

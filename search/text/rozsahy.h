// SPDX-License-Identifier: MIT
// Range layout of the substring search: which part of the text each worker searches.
#pragma once

#include <cstddef>
#include <vector>

// One worker's part of the text: first and last index, both inclusive.
struct Rozsah {
    int odkud;
    int kam;
};

// Largest sensible worker count for a text of delka_in characters and a pattern of delka_f
// (at least 1); each range must be at least as long as the pattern.
int num_workers_max(int delka_in, int delka_f);

// The num_workers ranges of a text of delka_in characters for a pattern of delka_f (2 or
// more), with 1 <= num_workers <= num_workers_max: consecutive ranges share delka_f - 1
// characters, so every occurrence lies wholly inside exactly one range.
std::vector<Rozsah> rozloz_text(int delka_in, int delka_f, int num_workers);

// How many occurrences of a pattern of delka_f characters rozsah can hold: one for each place
// where one can start and still end inside it (none in a range shorter than the pattern).
size_t vyskytu_nejvys(const Rozsah &rozsah, int delka_f);

// True when each of the n positions is a place where an occurrence of a pattern of delka_f
// characters can start in rozsah: from odkud to kam - delka_f + 1. No range reaches past the
// text, so a position past it is refused too.
bool pozice_v_rozsahu(const Rozsah &rozsah, int delka_f, const int *pozice, size_t n);

// What farmer does with a text of delka_in characters, a pattern of delka_f (2 or more) and
// pozadano workers asked for (1 or more).
struct PlanHledani {
    int num_workers = 0;          // workers to start; 0 when the text is shorter than the
                                  // pattern, which then occurs nowhere and no layout exists
    bool snizeno = false;         // the asked count was lowered to num_workers, with a notice
    std::vector<Rozsah> rozsahy;  // one per worker, in start order
};
PlanHledani planuj_hledani(int delka_in, int delka_f, int pozadano);

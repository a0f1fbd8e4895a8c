// The worker's search: every occurrence of a pattern in one range of a file's joined text.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "hlp.h"

// Appends to pozice, ascending, every index p of fr's joined text (see read_joined) where vzor
// (not empty) starts, overlapping ones included, with odkud <= p and p + vzor.size() - 1 <= kam;
// streams fr in memory of one block. False when the text ends before index kam.
bool hledej_v_rozsahu(FILE *fr, size_t odkud, size_t kam, const std::string &vzor,
                      std::vector<int> &pozice, size_t velikost_bloku = VELIKOST_BLOKU);

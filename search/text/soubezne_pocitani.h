// SPDX-License-Identifier: MIT
// farmer's count of the joined text on every core: the blocks of a file counted by threads at
// once, the length and the points the very ones of one pass (spocti_spojene).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "search/text/konce_radku.h"

// Threads the count runs in: one per core this process may run on.
unsigned vlaken_pocitani();

// As spocti_spojene (cteni.h), with the same length, points and errors, but the blocks of a
// regular file are counted by vlaken threads, each reading the blocks it takes on its own; a
// CR that ends a block is settled by the first byte of the next. What is not a regular file,
// and what a file grew by while it was counted, is counted in one pass.
bool spocti_spojene_soubezne(FILE *fr, size_t nejvic, std::vector<Pocet> *body, size_t rozestup,
                             size_t velikost_bloku, unsigned vlaken, size_t &delka_textu,
                             std::string *err);

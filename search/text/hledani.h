// SPDX-License-Identifier: MIT
// The worker's search: every occurrence of a pattern in one range of a file's joined text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "search/text/cteni.h"

// Appends to pozice, ascending, every index p of fr's joined text (see cti_spojene) where vzor
// (not empty) starts, overlapping ones included, with odkud <= p and p + vzor.size() - 1 <= kam;
// streams fr in memory of one block. cely tells whether the text went on to index kam. False,
// with err, when fr cannot be read.
bool hledej_v_rozsahu(FILE *fr, size_t odkud, size_t kam, const std::string &vzor,
                      size_t velikost_bloku, std::vector<int> &pozice, bool &cely,
                      std::string *err);

// Takes the positions found so far (and empties pozice); false stops the search.
using OdberPozic = std::function<bool(std::vector<int> &pozice)>;

// Where hledej_od starts and where its positions go.
struct Pruchod {
    Pocet zacatek;                 // the count at the raw byte reading starts at (a point of
                                   // spocti_spojene at or before the range; default byte 0)
    size_t kus = SIZE_MAX;         // odber is called whenever this many positions are held
    OdberPozic odber;              // not called when empty
    size_t velikost_bloku = VELIKOST_BLOKU;
};

// As hledej_v_rozsahu, but reads from pruchod.zacatek on and hands the positions to
// pruchod.odber in pieces of pruchod.kus, leaving the rest in pozice. cely is false also when
// odber stops it.
bool hledej_od(FILE *fr, size_t odkud, size_t kam, const std::string &vzor,
               const Pruchod &pruchod, std::vector<int> &pozice, bool &cely, std::string *err);

// SPDX-License-Identifier: MIT
// Store of the positions farmer receives: kept in memory up to a bound, the rest in an
// unlinked temporary file, and read back worker by worker in start order.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Ints kept in memory before the store starts writing to its file: 4 MiB.
const size_t ODKLAD_V_PAMETI = 1 << 20;

// One run of positions of one worker, in memory or in the file.
struct KusOdkladu {
    bool v_souboru;
    size_t od;     // first int of the run, in pamet or in the file
    size_t pocet;  // ints in the run
};

// The store of one run of farmer.
struct Odklad {
    std::vector<std::vector<KusOdkladu>> kusy;  // per worker, in the order received
    std::vector<int> pamet;
    size_t v_pameti = ODKLAD_V_PAMETI;  // bound of pamet; only tests choose another
    int fd = -1;                        // the temporary file, once one is needed
    size_t v_souboru = 0;               // ints written to it
    size_t celkem = 0;                  // ints stored
};

// Makes odklad ready for workeru workers.
void zaloz_odklad(Odklad &odklad, size_t workeru);

// Adds worker's n positions at pozice after those it already has; false, with err, when the
// temporary file cannot be made or written.
bool odloz(Odklad &odklad, size_t worker, const int *pozice, size_t n, std::string *err);

// Forgets every position of worker stored so far, as if none had come: its range is searched
// anew. The room they took is not given back.
void zahod_pozice(Odklad &odklad, size_t worker);

// Receives a run of positions; false stops the reading.
using CtenarOdkladu = std::function<bool(const int *pozice, size_t n)>;

// Hands every position stored to ctenar, worker after worker, each worker's in the order
// added, in runs of at most ODKLAD_V_PAMETI; false, with err, when the file cannot be read.
bool projdi_odklad(const Odklad &odklad, const CtenarOdkladu &ctenar, std::string *err);

// Closes the temporary file (which then goes) and empties odklad.
void zavri_odklad(Odklad &odklad);

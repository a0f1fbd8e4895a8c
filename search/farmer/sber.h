// SPDX-License-Identifier: MIT
// farmer's collection of the workers' replies, piece by piece as they come, into the store;
// a lost worker's range is searched again by a new one.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "search/farmer/odklad.h"
#include "search/text/rozsahy.h"

// How often a range's worker is started in all before its loss ends the run.
const int SPUSTENI_NA_ROZSAH = 3;

// Starts range i's worker anew in place of tid, its lost one, into tid; false, with the
// message, when it cannot be started. spusteni is how often the range's worker has been
// started, this one included.
using NovyWorker = std::function<bool(size_t i, int spusteni, int &tid, std::string *err)>;

// Why the collection stopped at a worker.
struct ZtrataWorkera {
    size_t worker = 0;              // its index in start order
    const char *duvod = nullptr;    // "skoncil bez odpovedi" or "poslal neplatnou odpoved"
    std::string zprava;             // or, when not empty, the whole message: the store or a new
                                    // start failed
};

// The workers wtids (one per range of rozsahy, searching for a pattern of delka_f characters)
// and how to replace one that is lost.
struct WorkeriHledani {
    std::vector<int> &wtids;
    const std::vector<Rozsah> &rozsahy;
    int delka_f;
    NovyWorker novy;
};

// Takes the pieces of all workers in whatever order they arrive into odklad (made ready for
// them), until each has sent its last one. A worker that ends or is lost with its host before
// that loses what it sent, and novy starts another in its place (into w.wtids), up to
// SPUSTENI_NA_ROZSAH starts of a range. False, with ztrata, when a range's last start is lost
// too, a worker sends a reply that does not fit its range (not retried: one that lies would
// lie again), a new start or the store fails.
bool sber_odpovedi(WorkeriHledani &w, Odklad &odklad, ZtrataWorkera &ztrata);

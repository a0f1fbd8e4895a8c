// SPDX-License-Identifier: MIT
// farmer's collection of the workers' replies, piece by piece as they come, into the store.
#pragma once

#include <string>
#include <vector>

#include "odklad.h"
#include "rozsahy.h"

// Why the collection stopped at a worker.
struct ZtrataWorkera {
    size_t worker = 0;              // its index in start order
    const char *duvod = nullptr;    // "skoncil bez odpovedi" or "poslal neplatnou odpoved"
    std::string chyba_odkladu;      // or, when not empty, why the store failed
};

// Takes the pieces of all workers wtids (ranges rozsahy) in whatever order they arrive into
// odklad (made ready for them), until each has sent its last one. False, with ztrata, when a
// worker ends or is lost with its host before that, sends a reply that does not fit its
// range, or the store fails.
bool sber_odpovedi(const std::vector<int> &wtids, const std::vector<Rozsah> &rozsahy,
                   Odklad &odklad, ZtrataWorkera &ztrata);

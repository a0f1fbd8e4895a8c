// SPDX-License-Identifier: MIT
// farmer's workers on PVM: started one per range, watched, replaced when lost, their replies
// gathered, killed at an interrupt or a failure.
#pragma once

#include <string>
#include <vector>

#include "search/text/konce_radku.h"
#include "search/farmer/odklad.h"
#include "search/text/rozsahy.h"

// Joins PVM, runs one worker per range of the file at the absolute path cesta searching for
// f_str, each told the last point of body before its range, and gathers all positions in
// range order into odklad; a lost worker's range is searched by a new one, said on standard
// error. Leaves PVM. False, with the message (its lines, for standard error), when the search
// could not be done whole; the workers of a collection that failed are killed. Signals wait
// while PVM is in use; an interrupt kills the workers, leaves PVM and then ends the process.
bool hledej_na_pvm(const std::vector<Rozsah> &rozsahy, const std::vector<Pocet> &body,
                   const std::string &cesta, const std::string &f_str, Odklad &odklad,
                   std::string *err);

// SPDX-License-Identifier: MIT
// farmer's workers on PVM: started one per range, watched, a lost one started again, and
// killed at an interrupt or a failure.
#pragma once

#include <string>

#include "search/farmer/beh_farmera.h"

// How often a range's worker is started in all before its loss ends the run.
const int SPUSTENI_NA_ROZSAH = 3;

// Starts one worker per range of b (b.cesta searched for b.zadani.f_str, each told the last
// point of b.body before its range) into b.wtids, each watched by PVM so that its end or its
// host's loss cannot go unnoticed. False, with the message, when one cannot be started or
// watched, or without one at an interrupt; those already started go on.
bool spust_workery(BehFarmera &b, std::string *err);

// Starts range i's worker anew in place of its lost one, b.wtids[i], into b.wtids[i], and
// says so on standard error (the report on standard output stays that of an undisturbed run);
// spusteni is how often the range's worker has been started, this one included. False, with
// the message, as spust_workery.
bool spust_znovu(BehFarmera &b, size_t i, int spusteni, std::string *err);

// Kills every worker of b.wtids, all of them even when a kill fails.
void zabij_workery(BehFarmera &b);

// A worker as farmer's messages name it: "Worker t40003 (rozsah 9-19)".
std::string popis_workera(int tid, const Rozsah &rozsah);

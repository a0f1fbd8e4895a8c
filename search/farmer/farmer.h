// SPDX-License-Identifier: MIT
// farmer: parallel substring search master; one PVM worker task per range of the text.
#pragma once

#include <string>

#include "common/pvm_spojeni.h"
#include "search/farmer/beh_farmera.h"

// Runs farmer with its command line (file name, worker count), reading the pattern from
// standard input and talking to PVM through pvm; returns the exit status.
int spust_farmera(Pvm &pvm, int argc, char **argv);

// The part of b's run on PVM: joins it, runs one worker per range of b (spust_workery) and
// gathers all positions in range order into b.odklad (sber_odpovedi), and leaves it. False,
// with the message (its lines, for standard error), when the search could not be done whole;
// the workers of a collection that failed are killed. Signals wait while PVM is in use; an
// interrupt kills the workers, leaves PVM and then ends the process.
bool hledej_na_pvm(BehFarmera &b, std::string *err);

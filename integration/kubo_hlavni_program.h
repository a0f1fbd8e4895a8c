// SPDX-License-Identifier: MIT
// kubo-main as a whole, below its main.
#pragma once

#include "common/pvm_spojeni.h"

// The program with its command line (argc, argv as main has them) through pvm: the log
// emptied, the banner and report, the run, its total. Returns the exit status; an interrupted
// run ends the process by its signal instead.
int zij_jako_hlavni(Pvm &pvm, int argc, char *argv[]);

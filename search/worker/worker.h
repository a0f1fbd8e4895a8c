// SPDX-License-Identifier: MIT
// worker: searches one range of a text file for a pattern and replies to farmer over PVM.
#pragma once

#include "common/pvm_spojeni.h"

// Runs the worker with worker's command line (file, first index, last index, pattern, and from
// farmer where reading may start), talking to farmer through pvm; returns the exit status.
int spust_workera(Pvm &pvm, int argc, char **argv);

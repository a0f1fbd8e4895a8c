// SPDX-License-Identifier: MIT
// worker: searches one range of a text file for a pattern and replies to farmer over PVM.
#pragma once

// Runs the worker with worker's command line (file, first index, last index, pattern);
// returns the exit status.
int spust_workera(int argc, char **argv);

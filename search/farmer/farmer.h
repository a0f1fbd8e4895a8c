// SPDX-License-Identifier: MIT
// farmer: parallel substring search master; one PVM worker task per range of the text.
#pragma once

// Runs farmer with its command line (file name, worker count), reading the pattern from
// standard input; returns the exit status.
int spust_farmera(int argc, char **argv);

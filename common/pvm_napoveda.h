// What to tell the user when the PVM daemon cannot start a program.
#pragma once

#include <cstdio>

// Prints to kam which program the daemon did not find, where a daemon looks for it and what
// to do about it; program is the name given to pvm_spawn. Call it while enrolled in PVM.
void vypis_napovedu_spusteni(FILE *kam, const char *program);

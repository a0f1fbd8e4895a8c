// SPDX-License-Identifier: MIT
// kubo-main: the mass of a cuboid by the midpoint rule, cut into slabs along x and computed
// by kubo-worker tasks of a PVM virtual machine, each given its next slab as soon as it
// returns the last one.
#include "integration/kubo_hlavni_program.h"

int main(int argc, char *argv[]) { return zij_jako_hlavni(pvm_demona(), argc, argv); }

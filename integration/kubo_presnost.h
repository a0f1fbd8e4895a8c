// SPDX-License-Identifier: MIT
// What the master can tell of a run's total from its parameters and slab plan alone, without
// its workers: the mass of the very cells the slabs' loops visit, summed accurately, and how
// far those cells reach past the cuboid. No PVM here.
#pragma once

#include <string>
#include <vector>

#include "integration/kubo_prace.h"

// Two figures of a run.
struct PresnostBehu {
    double presna_hmotnost = 0;  // the cells' mass, each ro(midpoint) x cell volume, summed
                                 // accurately rather than one addition after another
    double presah = 0;           // the cells' volume beyond the cuboid's, as a share of it
                                 // (0.5: half as much again); 0 for a cuboid of no volume
};

// The figures of the run p over the slabs of its plan; false when some slab's loop would never
// end (the run would not either).
bool posud_beh(const ParametryBehu &p, PresnostBehu &presnost);

// The warnings on the total celkem of the run p, one line each without its line end: when
// celkem is off the accurate mass by more than a millionth of it, and when cells of some mass
// reach past the cuboid by more than 1 % of its volume. None when all is well.
std::vector<std::string> varovani_behu(const ParametryBehu &p, double celkem);

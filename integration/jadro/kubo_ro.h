// SPDX-License-Identifier: MIT
// The density functions of the cuboid, and what the kernel may ask about each of them.
#pragma once

// Density number funkce at (x, y, z): 1 gives 1, 2 gives x, 3 gives (x + y) + z, any other 0.
double ro(double x, double y, double z, int funkce);

// How a density varies over the cells of one slab at a fixed x; the kernel sums a slab in
// the way its shape allows.
enum TvarHustoty {
    HUSTOTA_PODLE_X,           // does not vary with y or z: one value for the whole slab
    HUSTOTA_SOUCET_SOURADNIC,  // (x + y) + z, added in that order
};

// The shape of density number funkce.
TvarHustoty tvar_hustoty(int funkce);

// SPDX-License-Identifier: MIT
// The density functions of the cuboid.
#include "integration/jadro/kubo_ro.h"

double ro(double x, double y, double z, int funkce)
{
    switch (funkce) {
    case 1:
        return 1.0;
    case 2:
        return x;
    case 3:
        return x + y + z;
    default:
        return 0.0;
    }
}

TvarHustoty tvar_hustoty(int funkce)
{
    return funkce == 3 ? HUSTOTA_SOUCET_SOURADNIC : HUSTOTA_PODLE_X;
}

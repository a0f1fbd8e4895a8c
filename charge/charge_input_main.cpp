// SPDX-License-Identifier: MIT
// charge-input: asks for the parameters of a point charge above a plate.
#include "charge/naboj.h"

#include <cstdio>

#include "common/standardni_proudy.h"

int main()
{
    hlidej_standardni_proudy();
    zadej_parametry();
    if (!vystup_zapsan()) {
        fprintf(stderr, "Vyzvy nelze zapsat na standardni vystup.\n");
        return 1;
    }
    return 0;
}

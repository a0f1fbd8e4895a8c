// SPDX-License-Identifier: MIT
// matrix-power: squares the matrix in "matice.txt" and multiplies its last row by it.
#include <cstdio>
#include <new>

#include "matrix/mocnina.h"
#include "common/standardni_proudy.h"

static int spust()
{
    try {
        return spust_mocninu_matice();
    } catch (const std::bad_alloc &) {
        fflush(stdout);
        fprintf(stderr, "Nedostatek pameti pro matici o rozmeru %d!\n", N);
        return 1;
    }
}

int main()
{
    hlidej_standardni_proudy();
    int status = spust();
    if (!vystup_zapsan()) {
        fprintf(stderr, "Vypis matice nelze zapsat na standardni vystup.\n");
        return 1;
    }
    return status;
}

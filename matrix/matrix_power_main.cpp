// matrix-power: squares the matrix in "matice.txt" and multiplies its last row by it.
#include <cstdio>
#include <new>

#include "mocnina.h"

int main()
{
    try {
        return spust_mocninu_matice();
    } catch (const std::bad_alloc &) {
        fflush(stdout);
        fprintf(stderr, "Nedostatek pameti pro matici o rozmeru %d!\n", N);
        return 1;
    }
}

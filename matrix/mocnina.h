// SPDX-License-Identifier: MIT
// Matrix square and row-vector product for matrix-power.
#pragma once

#include <cstdio>

#include "matrix/matice.h"

// One step of a dot product: the exact product of two floats plus the running sum,
// rounded once to float.
inline float pricti_soucin(float a, float b, float pomocna)
{
    return (float)((double)a * (double)b + (double)pomocna);
}

// The whole program: loads "matice.txt" from the working directory, prints every step and
// returns the exit status (0 done, 1 the file could not be opened or is malformed).
int spust_mocninu_matice();

// The same from an open stream, which it closes.
int umocni_ze_souboru(FILE *fr);

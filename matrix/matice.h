// SPDX-License-Identifier: MIT
// Matrix file loading and printing for matrix-power.
#pragma once

#include <cstdio>
#include <vector>

// A square matrix of floats: one separately held row per index, N of them.
using Matice = std::vector<std::vector<float>>;

// Dimension of every matrix in the program; set once by nacti_matici.
extern int N;

// Opens soubor for reading; prints the failure line and returns nullptr when it cannot.
FILE *otevri_soubor(const char *soubor);

// Loads an N x N matrix from fr (values in row-major order, any white space between them),
// sets N and always closes fr. On a malformed file prints the error line and returns false.
bool nacti_matici(FILE *fr, Matice &matice);

// A new N x N matrix; prints its allocation line. Throws std::bad_alloc when memory runs out.
Matice alokuj_matici();

// Prints matice row by row; returns 1, always.
int vypis_matice(const Matice &matice);

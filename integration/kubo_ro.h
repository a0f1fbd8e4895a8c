// SPDX-License-Identifier: MIT
// Density functions and midpoint integration of one box of the cuboid.
#pragma once

// Own PVM task identifier of the running program, named in its progress lines.
extern int mytid;

// Density number funkce at (x, y, z): 1 gives 1, 2 gives x, 3 gives (x + y) + z, any other 0.
double ro(double x, double y, double z, int funkce);

// Mass of the box [xod, xdo) x [yod, ydo) x [zod, zdo) by the midpoint rule with step d, the
// grid starting at the lower corner; prints a progress line whenever the whole percentage
// of the x edge done changes. Bit for bit the result of vypocti_primo, only faster.
double vypocti(double xod, double yod, double zod, double xdo, double ydo, double zdo, double d,
               int funkce);

// The same mass and progress lines, computed cell by cell with one ro call per cell.
double vypocti_primo(double xod, double yod, double zod, double xdo, double ydo, double zdo,
                     double d, int funkce);

// soucet + clen + clen + ... with n additions, each rounded to double in turn: the very bits
// of that loop, in a few steps per binade the sum passes through.
double pricti_stejne(double soucet, double clen, unsigned long long n);

// How the fast kernel has done its work since the counts were last zeroed.
struct StatistikaJadra {
    unsigned long long skoky;              // runs of equal terms added in one step
    unsigned long long remizy;             // ties met in those runs, settled by parity
    unsigned long long bloky;              // blocks of varying terms summed as integers
    unsigned long long bloky_po_jednom;    // blocks refused and added one term at a time
    unsigned long long bloky_s_remizou;    // of those, the ones refused for a tie
    unsigned long long scitani_po_jednom;  // terms added one at a time, for any reason
};
extern StatistikaJadra statistika_jadra;

// Instruction sets the block summation of density 3 can run with.
enum CestaJadra { CESTA_ZAKLADNI, CESTA_AVX2 };

// The path in use; at start the widest one this CPU runs.
CestaJadra cesta_jadra();

// Makes the kernel use cesta; false, with the choice unchanged, where this CPU cannot run it.
bool zvol_cestu_jadra(CestaJadra cesta);

// Short name of a path and its vector width, for reports.
const char *nazev_cesty_jadra(CestaJadra cesta);

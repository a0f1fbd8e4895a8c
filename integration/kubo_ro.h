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

// SPDX-License-Identifier: MIT
// Prompts for the parameters of a point charge above a plate.
#include "naboj.h"

#include <cstdio>

// The prompts carry no line end, so they are flushed by hand: a user at a terminal must
// see each one before the program waits for the answer.
static void zeptej_se(const char *otazka, const char *format, void *hodnota)
{
    printf("%s", otazka);
    fflush(stdout);
    if (scanf(format, hodnota) != 1)
        return;  // a failed read leaves the value as it was; the sequence goes on
}

ParametryNaboje zadej_parametry()
{
    ParametryNaboje p;
    zeptej_se("Zadejte z-ovou souradnici naboje: ", "%d", &p.z_naboje);
    zeptej_se("Zadejte hodnotu naboje: ", "%lf", &p.hodnota_naboje);
    zeptej_se("Zadejte x-ovou velikost plochy: ", "%d", &p.x_plochy);
    zeptej_se("Zadejte y-ovou velikost plochy: ", "%d", &p.y_plochy);
    zeptej_se("Zadejte relativni permeabilitu: ", "%lf", &p.permeabilita);
    zeptej_se("Pocet procesu: ", "%d", &p.pocet_procesu);
    return p;
}

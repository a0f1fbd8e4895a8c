// SPDX-License-Identifier: MIT
// Prompts for the parameters of a point charge above a plate.
#include "charge/naboj.h"

#include <cstdio>

// The prompts carry no line end, so they are flushed by hand: a user at a terminal must
// see each one before the program waits for the answer.
static void vyzvi(const char *otazka)
{
    printf("%s", otazka);
    fflush(stdout);
}

// An answer that is missing or does not convert leaves the value as it was; the sequence
// goes on.
static void zeptej_se(const char *otazka, int *hodnota)
{
    vyzvi(otazka);
    int odpoved;
    if (scanf("%d", &odpoved) == 1)
        *hodnota = odpoved;
}

static void zeptej_se(const char *otazka, double *hodnota)
{
    vyzvi(otazka);
    double odpoved;
    if (scanf("%lf", &odpoved) == 1)
        *hodnota = odpoved;
}

ParametryNaboje zadej_parametry()
{
    ParametryNaboje p;
    zeptej_se("Zadejte z-ovou souradnici naboje: ", &p.z_naboje);
    zeptej_se("Zadejte hodnotu naboje: ", &p.hodnota_naboje);
    zeptej_se("Zadejte x-ovou velikost plochy: ", &p.x_plochy);
    zeptej_se("Zadejte y-ovou velikost plochy: ", &p.y_plochy);
    zeptej_se("Zadejte relativni permeabilitu: ", &p.permeabilita);
    zeptej_se("Pocet procesu: ", &p.pocet_procesu);
    return p;
}

// SPDX-License-Identifier: MIT
// The integration master's plan: its arguments and the slabs it hands out, without PVM.
#pragma once

#include <string>
#include <vector>

#include "common/text.h"

// Largest number of workers one run may start.
const int MAX_DELNIKU = 256;

struct Kvadr {
    double x = 0, y = 0, z = 0;
};

// One work unit: the box [xod, xdo] x [yod, ydo] x [zod, zdo] to integrate.
struct Jednotka {
    double xod = 0, yod = 0, zod = 0, xdo = 0, ydo = 0, zdo = 0;
};

// Everything the command line decides.
struct ParametryBehu {
    Kvadr kvadr;
    double d = 0;
    int druh_funkce = 0;
    int pocet_delniku = 0;
    int velikost_prace = 0;
};

// Reads the seven arguments (x, y, z, step, density number, workers, unit size) into p.
// Returns false with a one-line Czech message in chyba when an argument is not wholly a
// number (the message names it), or when a value would make the run impossible or endless.
bool nacti_parametry(const char *const argumenty[7], ParametryBehu &p, std::string &chyba);

// The unit that starts zadana_prace percent into the x edge, and in zadana_prace the share
// handed out once it is sent: inner slabs of velikost_prace percent, the last one reaching
// the full edge.
Jednotka dalsi_jednotka(const Kvadr &kvadr, int &zadana_prace, int velikost_prace);

// All units of a run in the order they are handed out.
std::vector<Jednotka> plan_jednotek(const Kvadr &kvadr, int velikost_prace);


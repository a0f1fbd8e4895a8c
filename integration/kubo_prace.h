// SPDX-License-Identifier: MIT
// The integration master's plan: its arguments and the slabs it hands out, without PVM.
#pragma once

#include <string>
#include <vector>

#include "integration/jadro/kubo_jadro.h"

// Largest number of workers one run may start.
const int MAX_DELNIKU = 256;

struct Kvadr {
    double x = 0, y = 0, z = 0;
};

// One slab of a run's plan: the unit a worker integrates, and the share of the x edge, in
// percent, handed out before it.
struct Vrstva {
    Jednotka box;
    int od_procent = 0;
};

// Everything the command line decides, and the slabs that makes.
struct ParametryBehu {
    Kvadr kvadr;
    double d = 0;
    int druh_funkce = 0;
    int pocet_delniku = 0;
    int velikost_prace = 0;
    std::vector<Vrstva> plan;  // the run's slabs in x order, each handed out by its index
};

// Reads the seven arguments (x, y, z, step, density number, workers, unit size) into p, the
// plan of its slabs included. Returns false with a one-line Czech message in chyba when an
// argument is not wholly a number (the message names it), or when a value would make the run
// impossible or endless.
bool nacti_parametry(const char *const argumenty[7], ParametryBehu &p, std::string &chyba);

// The slabs of kvadr in the order they are handed out: inner slabs of velikost_prace percent
// of the x edge, the last one reaching the full edge.
std::vector<Vrstva> plan_vrstev(const Kvadr &kvadr, int velikost_prace);


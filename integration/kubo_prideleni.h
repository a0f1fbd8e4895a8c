// SPDX-License-Identifier: MIT
// The master's book of workers and work units: who holds which slab, which results have
// been counted, and which slabs of lost workers wait to be handed out again. No PVM here.
#pragma once

#include <cstddef>
#include <deque>
#include <vector>


enum StavDelnika {
    SPUSTEN,    // spawned, not yet reported ready
    PRIPRAVEN,  // ready and holding no unit
    PRACUJE,    // holding a unit
    ZASTAVEN,   // answered the stop
    ZTRACEN,    // exited or lost with its host before the end
};

struct Delnik {
    int tid = 0;
    int hostitel = 0;   // PVM identifier of the host it runs on
    StavDelnika stav = SPUSTEN;
    int jednotka = -1;  // number of the unit it holds or last held
};

// What the master knows of one unit of the plan.
struct StavJednotky {
    bool zapocteno = false;
    double hmotnost = 0.0;  // its partial mass, once counted
};

// Units are numbered as in the run's plan (ParametryBehu::plan); a lost worker's unit keeps
// its number when it is handed out again.
struct Prideleni {
    int vydano = 0;               // units handed out for the first time: the plan's first ones
    int pracujicich_workeru = 0;  // workers holding a unit
    std::vector<Delnik> delnici;
    std::vector<StavJednotky> jednotky;  // one a unit of the plan
    std::deque<int> vracene;             // units of lost workers, to be handed out again
};

// The book of a run whose plan has jednotek units, with no worker yet.
Prideleni prideleni_planu(size_t jednotek);

// Index of the worker with that task identifier, or -1.
int najdi_delnika(const Prideleni &p, int tid);

// Gives worker i its next unit: one of a lost worker first, else the plan's next one. Returns
// the unit's number, or -1 when nothing is left to hand out.
int vydej_jednotku(Prideleni &p, int i);

// Takes the partial mass dilci of worker i for the unit it holds. Returns false when that
// unit's result was already counted (a lost worker's late result and its rerun can both
// arrive).
bool prijmi_vysledek(Prideleni &p, int i, double dilci);

// The total mass: the counted partial masses added in unit order, from 0.0. Whatever order
// the results came in and however many workers computed them, the sum is the one a single
// worker's run adds, bit for bit.
double celkova_hmotnost(const Prideleni &p);

// Marks worker i lost. Returns the number of the unit it held, now waiting to be handed out
// again, or -1 when it held none.
int ztrat_delnika(Prideleni &p, int i);

// True while some unit is still out or not yet handed out.
bool prace_zbyva(const Prideleni &p);

// Workers not lost, whatever they are doing.
int zivych_delniku(const Prideleni &p);

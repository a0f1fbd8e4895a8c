// SPDX-License-Identifier: MIT
// kubo-main's run over PVM: its workers spawned, the slabs handed out and their results
// gathered, the workers stopped. Every line of the run's course is printed as it happens;
// what ends a run early comes back in *chyba, for kubo-main to print with its prefix.
#pragma once

#include <chrono>
#include <csignal>
#include <string>

#include "common/pvm_spojeni.h"
#include "integration/kubo_prace.h"
#include "integration/kubo_prideleni.h"
#include "integration/kubo_prubeh.h"

// One run of the master: the PVM it talks through, the command line's parameters (the
// cuboid, d, druh_funkce, pocet_delniku, velikost_prace and the plan of slabs), the book of
// workers and slabs (pracujicich_workeru and the partial masses the total is added from), its
// own mytid, the signal flag it looks at while it waits (nonzero: the run was interrupted),
// and the progress line shown while it waits (prubeh.kam: the terminal, or null for none).
struct BehHlavniho {
    explicit BehHlavniho(Pvm &pvm) : pvm(pvm) {}
    Pvm &pvm;
    ParametryBehu parametry;
    Prideleni prideleni;
    int mytid = 0;
    const volatile sig_atomic_t *prerusen = nullptr;
    RadekPrubehu prubeh;
    std::chrono::steady_clock::time_point zacatek;  // when the run started its workers
};

// From the first spawn to the last stopped reply, beh.mytid having joined PVM, the book made
// from the plan of beh.parametry. False when
// the run was given up, with why in *chyba, or interrupted, or when its lines could no
// longer be written to standard output, *chyba then left empty.
bool probehni(BehHlavniho &beh, std::string *chyba);

// Kills the workers of the run that may still be computing: a worker reads no stop while it
// computes its slab.
bool zabij_pracujici(const BehHlavniho &beh, std::string *chyba);

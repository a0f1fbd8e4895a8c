// SPDX-License-Identifier: MIT
// One run of farmer in one object: what the user asked, the plan of the text, the workers and
// what they sent, and the PVM the run talks through. Each step of the run takes it whole.
#pragma once

#include <string>
#include <vector>

#include "common/pvm_spojeni.h"
#include "search/farmer/odklad.h"
#include "search/farmer/soubor_zpravy.h"
#include "search/text/konce_radku.h"
#include "search/text/rozsahy.h"

// What the user asks for.
struct ZadaniFarmera {
    const char *soubor = nullptr;  // the text file, as named on the command line
    int num_workers = 0;           // workers asked for
    std::string f_str;             // the pattern
};

struct BehFarmera {
    explicit BehFarmera(Pvm &pvm_behu) : pvm(pvm_behu) {}

    Pvm &pvm;  // the daemon's, or a scripted one in tests
    ZadaniFarmera zadani;
    // The text: its absolute path, as the workers open it, the points of the count where a
    // worker may start reading, and one range per worker in start order.
    std::string cesta;
    std::vector<Pocet> body;
    std::vector<Rozsah> rozsahy;
    // On PVM: farmer's task, the current worker of each range and the host it was started on
    // (a lost host cannot be asked afterwards), and the arguments of the last worker started
    // (all but the range's are the same for every worker).
    int mytid = 0;
    std::vector<int> wtids;
    std::vector<int> hostitele;
    std::vector<std::string> argumenty;
    // What the run keeps: the positions received, and the report file being written.
    Odklad odklad;
    SouborZpravy zprava;
};

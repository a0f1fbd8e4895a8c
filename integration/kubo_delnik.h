// SPDX-License-Identifier: MIT
// kubo-worker's life below its main: joining PVM, the master's announcement, the partial mass
// of every slab it is sent, the stop; its lines go to the log all workers of a run share.
#pragma once

#include <string>

#include "common/pvm_spojeni.h"
#include "integration/kubo_log.h"

// One worker's run: the PVM it talks through, the log it writes, its own identifier, its
// master's, and whether a log that cannot be written has been reported.
struct BehDelnika {
    explicit BehDelnika(Pvm &pvm) : pvm(pvm) {}
    Pvm &pvm;
    std::string log = LOG_DELNIKU;
    int mytid = 0;
    int chief_tid = 0;
    bool log_hlasen = false;
};

// The worker's whole life through beh.pvm, from joining PVM to leaving it; returns the exit
// status: 0 once stopped by its master, 1 otherwise. A failure before joining is told on
// standard error, any later one in the log, with the worker's prefix.
int zij_jako_delnik(BehDelnika &beh);

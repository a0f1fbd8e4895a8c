// SPDX-License-Identifier: MIT
// kubo-worker: a task spawned by kubo-main; computes the partial mass of every slab it is
// sent and logs its life in "delnik.out", which all workers of a run share.
#include "common/standardni_proudy.h"
#include "integration/kubo_delnik.h"
#include "integration/kubo_zpravy.h"

int main()
{
    hlidej_standardni_proudy();
    // Where the master emptied the log; on a host without that folder, where the daemon
    // started this task.
    prejdi_do_slozky_logu();
    BehDelnika beh(pvm_demona());
    return zij_jako_delnik(beh);
}

// SPDX-License-Identifier: MIT
// worker: the search task that farmer spawns for one range of the text.
#include "common/standardni_proudy.h"
#include "search/worker/worker.h"

int main(int argc, char **argv)
{
    hlidej_standardni_proudy();
    return spust_workera(pvm_demona(), argc, argv);
}

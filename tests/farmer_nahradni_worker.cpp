// SPDX-License-Identifier: MIT
// Test-only stand-in for worker: for a pattern that names a fault, answers late for the first
// range and fails (or waits) as the pattern says for the others; for any other pattern it is
// the real worker, but that the first one to find the mark file dies half way.
#include <pvm3.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "search/zpravy/hledani_zpravy.h"

// Sends farmer one piece of the reply: nalezl, then the positions (none when pozice is null).
static void odpovez(int nalezl, const int *pozice = nullptr, int pozic = 0)
{
    pvm_initsend(PvmDataDefault);
    pvm_pkint(&nalezl, 1, 1);
    if (pozic > 0)
        pvm_pkint(const_cast<int *>(pozice), pozic, 1);
    pvm_send(pvm_parent(), ZNACKA_ODPOVED);
}

// The fault the pattern names, acted out by the worker of a range other than the first.
static int porucha(const char *vzor)
{
    if (strcmp(vzor, "umri") == 0)
        return 3;  // ends before it ever joins PVM
    if (strcmp(vzor, "zmatek") == 0) {
        odpovez(3);  // announces positions it never sends
    } else if (strcmp(vzor, "prilis") == 0) {
        odpovez(1000000);  // more positions than its range has characters
    } else if (strcmp(vzor, "zaporna") == 0 || strcmp(vzor, "daleko") == 0) {
        // One position before any text, or far past this one.
        const int pozice = vzor[0] == 'z' ? -7 : 2000000000;
        odpovez(1, &pozice, 1);
    } else if (strcmp(vzor, "cekej") == 0) {
        // Busy until the test lets it go by making the file, as a worker on a huge text is.
        while (access("pokracuj", F_OK) != 0)
            usleep(10 * 1000);
    }
    // "odejdi" and "cekej" at last: join PVM and leave it without a reply
    pvm_parent();
    pvm_exit();
    return 0;
}

static bool je_porucha(const char *vzor)
{
    for (const char *nazev : {"umri", "odejdi", "zmatek", "prilis", "zaporna", "daleko", "cekej"})
        if (strcmp(vzor, nazev) == 0)
            return true;
    return false;
}

int main(int argc, char **argv)
{
    // farmer's fifth argument, where reading may start, is of no use here.
    if (argc != 5 && argc != 6)
        return 2;
    if (!je_porucha(argv[4])) {
        // The one worker that takes the mark sends a piece holding the first place of its
        // range and dies: whatever farmer reports must not hold it.
        if (unlink("umri-po-kusu") == 0) {
            const int pozice = atoi(argv[2]);
            odpovez(-1, &pozice, 1);
            pvm_exit();
            return 3;
        }
        execv(KVS_SKUTECNY_WORKER, argv);
        return 4;
    }
    if (strcmp(argv[2], "0") == 0) {
        // Late, so that the other workers' ends are announced while farmer waits here.
        usleep(500 * 1000);
        odpovez(0);
        pvm_exit();
        return 0;
    }
    return porucha(argv[4]);
}

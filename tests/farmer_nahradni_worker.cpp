// SPDX-License-Identifier: MIT
// Test-only stand-in for worker: answers late for the first range, then fails (or waits) as
// the pattern says.
#include <pvm3.h>
#include <unistd.h>

#include <cstring>

#include "hledani_zpravy.h"

// Sends farmer a reply that announces nalezl positions and carries none.
static void odpovez(int nalezl)
{
    pvm_initsend(PvmDataDefault);
    pvm_pkint(&nalezl, 1, 1);
    pvm_send(pvm_parent(), ZNACKA_ODPOVED);
}

int main(int argc, char **argv)
{
    // farmer's fifth argument, where reading may start, is of no use here.
    if (argc != 5 && argc != 6)
        return 2;
    const char *vzor = argv[4];
    if (strcmp(argv[2], "0") == 0) {
        // Late, so that the other workers' ends are announced while farmer waits here.
        usleep(500 * 1000);
        odpovez(0);
    } else if (strcmp(vzor, "umri") == 0) {
        return 3;  // ends before it ever joins PVM
    } else if (strcmp(vzor, "zmatek") == 0) {
        odpovez(3);  // announces positions it never sends
    } else if (strcmp(vzor, "prilis") == 0) {
        odpovez(1000000);  // more positions than its range has characters
    } else if (strcmp(vzor, "cekej") == 0) {
        // Busy until the test lets it go by making the file, as a worker on a huge text is.
        while (access("pokracuj", F_OK) != 0)
            usleep(10 * 1000);
    }
    // "odejdi" and the rest: join PVM and leave it without a reply
    pvm_parent();
    pvm_exit();
    return 0;
}

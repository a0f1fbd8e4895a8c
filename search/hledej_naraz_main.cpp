// SPDX-License-Identifier: MIT
// hledej_naraz: both passes of the search in one process, farmer's count and then one
// worker's search of the whole text; the benchmark's yardstick for what PVM adds.
#include <cstdio>
#include <string>
#include <vector>

#include "hledani.h"
#include "hlp.h"

int main(int argc, char **argv)
{
    if (argc != 3 || argv[2][0] == '\0') {
        fprintf(stderr, "pouziti: hledej_naraz <jmeno_souboru> <retezec>\n");
        return 1;
    }
    FILE *fr = open_f(argv[1], "r");
    size_t delka = joined_length(fr);
    close_f(fr);
    std::vector<int> pozice;
    fr = open_f(argv[1], "r");
    if (delka > 0)
        hledej_v_rozsahu(fr, 0, delka - 1, argv[2], pozice);
    close_f(fr);
    printf("%zu\n", pozice.size());
    return 0;
}

// SPDX-License-Identifier: MIT
// hledej_naraz: both passes of the search in one process, farmer's count and then one
// worker's search of the whole text; the benchmark's yardstick for what PVM adds.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cteni.h"
#include "hledani.h"

int main(int argc, char **argv)
{
    if (argc != 3 || argv[2][0] == '\0') {
        fprintf(stderr, "pouziti: hledej_naraz <jmeno_souboru> <retezec>\n");
        return 1;
    }
    size_t delka = 0;
    std::vector<int> pozice;
    bool cely = false;
    std::string chyba;
    bool precteno = cti_soubor(argv[1], [&](FILE *fr, std::string *err) {
        return spocti_spojene(fr, SIZE_MAX, nullptr, ROZESTUP_BODU, VELIKOST_BLOKU, delka, err);
    }, &chyba) && (delka == 0 || cti_soubor(argv[1], [&](FILE *fr, std::string *err) {
        return hledej_v_rozsahu(fr, 0, delka - 1, argv[2], VELIKOST_BLOKU, pozice, cely, err);
    }, &chyba));
    if (!precteno) {
        fprintf(stderr, "%s\n", chyba.c_str());
        return 1;
    }
    printf("%zu\n", pozice.size());
    return 0;
}

// worker: searches one range of a text file for a pattern and replies to farmer over PVM.
#include "worker.h"

#include <pvm3.h>

#include <cstdio>
#include <new>
#include <vector>

#include "hledani.h"
#include "hlp.h"
#include "protokol.h"
#include "vstup.h"

namespace {

// Reads the arguments; prints why on stderr and returns false when they are not usable.
bool cti_argumenty(int argc, char **argv, int &odkud, int &kam)
{
    if (argc != 5) {
        fprintf(stderr, "Spatne zadane vstupni parametry!\n"
                        " pouziti: worker <jmeno_souboru> <od> <do> <retezec>\n");
        return false;
    }
    if (!cti_cislo(argv[2], odkud) || !cti_cislo(argv[3], kam) || odkud < 0 || kam < odkud) {
        fprintf(stderr, "worker: neplatny rozsah \"%s\" az \"%s\"!\n", argv[2], argv[3]);
        return false;
    }
    if (argv[4][0] == '\0') {
        fprintf(stderr, "worker: prazdny hledany retezec!\n");
        return false;
    }
    return true;
}

// The search itself, before PVM is joined, so every failure here may simply end the process.
int hledej(int argc, char **argv, std::vector<int> &pozice)
{
    int odkud = 0, kam = 0;
    if (!cti_argumenty(argc, argv, odkud, kam))
        return 1;
    FILE *fr = open_f(argv[1], "r");
    bool cely = hledej_v_rozsahu(fr, odkud, kam, argv[4], pozice);
    close_f(fr);
    if (!cely) {
        fprintf(stderr, "worker: text souboru %s konci pred indexem %d!\n", argv[1], kam);
        return 1;
    }
    return 0;
}

}  // namespace

int spust_workera(int argc, char **argv)
{
    std::vector<int> pozice;
    try {
        if (hledej(argc, argv, pozice) != 0)
            return 1;
    } catch (const std::bad_alloc &) {
        fprintf(stderr, "worker: Malo pameti!\n");
        return 1;
    }
    int rodic = pvm_parent();
    if (rodic < 0) {
        fprintf(stderr, "worker: neni spusten farmerem (pvm_parent: %d)!\n", rodic);
        pvm_exit();
        return 1;
    }
    posli_odpoved(rodic, pozice);
    pvm_exit();
    return 0;
}

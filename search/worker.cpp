// SPDX-License-Identifier: MIT
// worker: searches one range of a text file for a pattern and replies to farmer over PVM.
#include "worker.h"

#include <pvm3.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "hledani.h"
#include "hlp.h"
#include "hledani_zpravy.h"
#include "vstup.h"

namespace {

// Reads the arguments; prints why on stderr and returns false when they are not usable. The
// fifth, from farmer, says where in the file reading may start; without it the worker counts
// line ends from the file's start.
bool cti_argumenty(int argc, char **argv, int &odkud, int &kam, Pocet &zacatek)
{
    if (argc != 5 && argc != 6) {
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
    if (argc == 6 &&
        (!cti_pocet(argv[5], zacatek) || delka_spojeni(zacatek) > static_cast<size_t>(odkud))) {
        fprintf(stderr, "worker: neplatny zacatek cteni \"%s\"!\n", argv[5]);
        return false;
    }
    return true;
}

// The worker's side of the reply: farmer, once known, and the pieces it has not yet stored.
struct Odesilani {
    int rodic = 0;  // 0 until the first piece is to go
    int na_ceste = 0;
    bool dobre = true;
};

// farmer's task identifier, asked for (and farmer's end watched) once a piece is to go; false,
// with the message, when the worker was not started by farmer.
bool najdi_rodice(Odesilani &o)
{
    if (o.rodic == 0) {
        o.rodic = pvm_parent();
        if (o.rodic < 0) {
            fprintf(stderr, "worker: neni spusten farmerem (pvm_parent: %d)!\n", o.rodic);
            return false;
        }
        if (!hlidej_farmera(o.rodic)) {
            fprintf(stderr, "worker: konec farmera nelze hlidat!\n");
            return false;
        }
    }
    return o.rodic > 0;
}

// Sends one piece, after farmer has stored enough of those before; false, with the message,
// when it cannot go. A farmer that has ended is no fault of the worker's to tell.
bool posli(Odesilani &o, std::vector<int> &pozice, bool posledni)
{
    if (!najdi_rodice(o))
        return false;
    for (; o.na_ceste >= KUSU_NA_CESTE; o.na_ceste--)
        if (!cekej_na_potvrzeni(o.rodic))
            return false;
    if (!posli_kus(o.rodic, pozice, posledni)) {
        fprintf(stderr, "worker: odpoved farmerovi nelze poslat!\n");
        return false;
    }
    o.na_ceste++;
    return true;
}

// The window the worker maps its file in: about as much as its part and the way to it, so that
// it does not fault in megabytes it never looks at, which with a thousand workers on one text
// would be most of their cost; a longer way comes in more windows.
size_t okno_pro(const Pocet &zacatek, int kam)
{
    const size_t konec = static_cast<size_t>(kam) + 1;
    const size_t potreba = konec - std::min(konec, zacatek.surovych - zacatek.vynechanych);
    return std::clamp(potreba + potreba / 8 + 4096, size_t{64} << 10, VELIKOST_BLOKU);
}

// The search, sending farmer each piece of positions as it fills and the last piece after a
// whole search; returns the exit status. A worker whose range is cut short sends no last piece,
// so farmer never takes its positions for a whole reply.
int hledej(int argc, char **argv)
{
    int odkud = 0, kam = 0;
    Pruchod pruchod;
    if (!cti_argumenty(argc, argv, odkud, kam, pruchod.zacatek))
        return 1;
    Odesilani o;
    pruchod.velikost_bloku = okno_pro(pruchod.zacatek, kam);
    pruchod.kus = kus_pozic();
    pruchod.odber = [&o](std::vector<int> &pozice) {
        o.dobre = posli(o, pozice, false);
        pozice.clear();
        return o.dobre;
    };
    std::vector<int> pozice;
    pozice.reserve(std::min<size_t>(pruchod.kus, static_cast<size_t>(kam - odkud) + 1));
    FILE *fr = open_f(argv[1], "r");
    bool cely = hledej_od(fr, odkud, kam, argv[4], pozice, pruchod);
    close_f(fr);
    if (o.dobre && !cely) {
        fprintf(stderr, "worker: text souboru %s konci pred indexem %d!\n", argv[1], kam);
        return 1;
    }
    return o.dobre && posli(o, pozice, true) ? 0 : 1;
}

}  // namespace

int spust_workera(int argc, char **argv)
{
    int status;
    try {
        status = hledej(argc, argv);
    } catch (const std::bad_alloc &) {
        fprintf(stderr, "worker: Malo pameti!\n");
        status = 1;
    }
    pvm_exit();
    return status;
}

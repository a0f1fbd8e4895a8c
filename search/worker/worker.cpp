// SPDX-License-Identifier: MIT
// worker: searches one range of a text file for a pattern and replies to farmer over PVM. Only
// spust_workera prints why it failed and picks the exit status.
#include "search/worker/worker.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "search/text/cteni.h"
#include "search/text/hledani.h"
#include "search/text/vstup.h"
#include "search/zpravy/hledani_zpravy.h"

namespace {

// What farmer asks of the worker.
struct Zadani {
    const char *soubor = nullptr;
    int odkud = 0, kam = 0;
    const char *vzor = nullptr;
    Pocet zacatek;  // where reading may start; byte 0 when farmer did not say
};

// Reads the arguments into zadani; false, with err, when they are not usable. The fifth, from
// farmer, says where in the file reading may start; without it the worker counts line ends
// from the file's start.
bool cti_argumenty(int argc, char **argv, Zadani &zadani, std::string *err)
{
    if (argc != 5 && argc != 6) {
        *err = "Spatne zadane vstupni parametry!\n"
               " pouziti: worker <jmeno_souboru> <od> <do> <retezec>";
        return false;
    }
    zadani.soubor = argv[1];
    zadani.vzor = argv[4];
    if (!cti_cislo(argv[2], zadani.odkud) || !cti_cislo(argv[3], zadani.kam) ||
        zadani.odkud < 0 || zadani.kam < zadani.odkud) {
        *err = std::string("worker: neplatny rozsah \"") + argv[2] + "\" az \"" + argv[3] + "\"!";
        return false;
    }
    if (argv[4][0] == '\0') {
        *err = "worker: prazdny hledany retezec!";
        return false;
    }
    if (argc == 6 && (!cti_pocet(argv[5], zadani.zacatek) ||
                      delka_spojeni(zadani.zacatek) > static_cast<size_t>(zadani.odkud))) {
        *err = std::string("worker: neplatny zacatek cteni \"") + argv[5] + "\"!";
        return false;
    }
    return true;
}

// The worker's side of the reply: the PVM it goes through, farmer, once known, how the
// positions are packed, and the pieces farmer has not yet stored.
struct Odesilani {
    Pvm &pvm;
    int rodic = 0;  // 0 until the first piece is to go
    int kodovani = 0;
    int na_ceste = 0;
};

// Joins PVM and finds farmer (and has its end watched) once a piece is to go; false, with the
// message, when the worker was not started by farmer.
bool najdi_rodice(Odesilani &o, std::string *err)
{
    if (o.rodic != 0)
        return true;
    const int mytid = prihlas_do_pvm(o.pvm);
    o.rodic = mytid < 0 ? mytid : rodic_ulohy(o.pvm);
    if (o.rodic < 0) {
        *err = "worker: neni spusten farmerem (pvm_parent: " + std::to_string(o.rodic) + ")!";
        return false;
    }
    if (!hlidej_konec_uloh(o.pvm, {o.rodic}, nullptr)) {
        *err = "worker: konec farmera nelze hlidat!";
        return false;
    }
    o.kodovani = kodovani_pozic(o.pvm);
    return true;
}

// Sends one piece, after farmer has stored enough of those before; false, with the message,
// when it cannot go. A farmer that has ended is no fault of the worker's to tell: false, err
// empty.
bool odesli_kus(Odesilani &o, std::vector<int> &pozice, bool posledni, std::string *err)
{
    if (!najdi_rodice(o, err))
        return false;
    for (; o.na_ceste >= KUSU_NA_CESTE; o.na_ceste--)
        if (!prijmi_potvrzeni(o.pvm, o.rodic))
            return false;
    if (!posli_kus(o.pvm, o.rodic, o.kodovani, pozice, posledni, nullptr)) {
        *err = "worker: odpoved farmerovi nelze poslat!";
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

// Searches the range of zadani, sending farmer each piece of positions as it fills and the
// last piece after a whole search. A worker whose range is cut short sends no last piece, so
// farmer never takes its positions for a whole reply. False, with err (empty when farmer has
// ended), when the reply could not be sent whole.
bool hledej(Pvm &pvm, const Zadani &zadani, std::string *err)
{
    Odesilani o{pvm};
    bool odeslano = true;
    Pruchod pruchod;
    pruchod.zacatek = zadani.zacatek;
    pruchod.velikost_bloku = okno_pro(zadani.zacatek, zadani.kam);
    pruchod.kus = kus_pozic();
    pruchod.odber = [&](std::vector<int> &pozice) {
        odeslano = odesli_kus(o, pozice, false, err);
        pozice.clear();
        return odeslano;
    };
    std::vector<int> pozice;
    const size_t rozsah = static_cast<size_t>(zadani.kam - zadani.odkud) + 1;
    pozice.reserve(std::min(pruchod.kus, rozsah));
    bool cely = false;
    if (!cti_soubor(zadani.soubor, [&](FILE *fr, std::string *chyba) {
            return hledej_od(fr, zadani.odkud, zadani.kam, zadani.vzor, pruchod, pozice, cely,
                             chyba);
        }, err))
        return false;
    if (!odeslano)
        return false;
    if (!cely) {
        *err = std::string("worker: text souboru ") + zadani.soubor + " konci pred indexem " +
               std::to_string(zadani.kam) + "!";
        return false;
    }
    return odesli_kus(o, pozice, true, err);
}

// The whole run; false, with err (empty when there is nothing to tell), when it failed.
bool spust(Pvm &pvm, int argc, char **argv, std::string *err)
{
    Zadani zadani;
    return cti_argumenty(argc, argv, zadani, err) && hledej(pvm, zadani, err);
}

}  // namespace

int spust_workera(Pvm &pvm, int argc, char **argv)
{
    std::string chyba;
    bool hotovo;
    try {
        hotovo = spust(pvm, argc, argv, &chyba);
    } catch (const std::bad_alloc &) {
        chyba = "worker: Malo pameti!";
        hotovo = false;
    }
    if (!chyba.empty())
        fprintf(stderr, "%s\n", chyba.c_str());
    odhlas_z_pvm(pvm);
    return hotovo ? 0 : 1;
}

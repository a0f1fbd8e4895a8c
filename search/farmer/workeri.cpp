// SPDX-License-Identifier: MIT
// farmer's workers on PVM: started, watched, started again, killed.
#include "search/farmer/workeri.h"


#include <cstdio>

#include "common/pvm_napoveda.h"
#include "search/farmer/preruseni.h"
#include "search/zpravy/hledani_zpravy.h"

namespace {

// More workers than this take seconds to start; farmer then says how far it is.
const size_t HLASIT_OD_WORKERU = 100;

// Where the arguments of a worker sit: the file, the range, the pattern, where to start
// reading (zapis_pocet).
enum ArgumentWorkera { SOUBOR, ODKUD, KAM, VZOR, ZACATEK_CTENI };

// A task identifier as PVM's tools show it: "t40001".
std::string jmeno_ulohy(int tid)
{
    char jmeno[16];
    snprintf(jmeno, sizeof jmeno, "t%x", static_cast<unsigned>(tid));
    return jmeno;
}

// The arguments of range i's worker, told where in the file its range starts (the last
// point of the count before it), so that it need not count line ends from the file's start.
void nastav_rozsah(BehFarmera &b, size_t i)
{
    const Rozsah &rozsah = b.rozsahy[i];
    b.argumenty[ODKUD] = std::to_string(rozsah.odkud);
    b.argumenty[KAM] = std::to_string(rozsah.kam);
    b.argumenty[ZACATEK_CTENI] = zapis_pocet(bod_pred(b.body, rozsah.odkud));
}

// Why a worker could not be started: the daemon's error code, and when it did not find the
// program, where a default daemon looks for it and what to do.
std::string chyba_spusteni(BehFarmera &b, int kod)
{
    std::string chyba = "pvm_spawn: Task nebyl vytvoren!";
    if (program_nenalezen(kod))
        for (const std::string &radek : napoveda_k_programu(b.pvm, b.mytid, "worker"))
            chyba += "\n" + radek;
    return chyba;
}

// Starts range i's worker, watched by PVM so that its end or its host's loss cannot go
// unnoticed, into tid (PVM's code when none was started) and the host it runs on.
bool spust_workera(BehFarmera &b, size_t i, int &tid, int &hostitel, std::string *err)
{
    nastav_rozsah(b, i);
    tid = spust_ulohu(b.pvm, "worker", b.argumenty);
    if (tid < 0) {
        *err = chyba_spusteni(b, tid);
        return false;
    }
    if (zjisti_hostitele(b.pvm, tid, &hostitel, nullptr) &&
        hlidej_konec_uloh(b.pvm, {tid}, nullptr) && hlidej_hostitele_uloh(b.pvm, {tid}, nullptr))
        return true;
    *err = "pvm_notify: Konec workera " + jmeno_ulohy(tid) + " nelze hlidat!";
    return false;
}

}  // namespace

bool spust_workery(BehFarmera &b, std::string *err)
{
    // The file goes by its absolute path, as the workers may start in another folder.
    b.argumenty = {b.cesta, "", "", b.zadani.f_str, ""};
    const bool hlasit = b.rozsahy.size() > HLASIT_OD_WORKERU;
    double hlaseno = sekundy();
    for (size_t i = 0; i < b.rozsahy.size(); i++) {
        if (preruseni_ceka())
            return false;
        int tid = 0, hostitel = 0;
        if (!spust_workera(b, i, tid, hostitel, err))
            return false;
        b.wtids.push_back(tid);
        b.hostitele.push_back(hostitel);
        if (hlasit && sekundy() - hlaseno >= 1) {
            fprintf(stderr, "Spusteno %zu z %zu workeru...\n", b.wtids.size(), b.rozsahy.size());
            hlaseno = sekundy();
        }
    }
    return true;
}

bool spust_znovu(BehFarmera &b, size_t i, int spusteni, std::string *err)
{
    const int ztraceny = b.wtids[i];
    if (!spust_workera(b, i, b.wtids[i], b.hostitele[i], err))
        return false;
    fprintf(stderr, "%s skoncil bez odpovedi, rozsah prohleda znovu worker %s (pokus %d ze %d).\n",
            popis_workera(ztraceny, b.rozsahy[i]).c_str(), jmeno_ulohy(b.wtids[i]).c_str(),
            spusteni, SPUSTENI_NA_ROZSAH);
    return true;
}

void zabij_workery(BehFarmera &b)
{
    // Killed rather than told: a worker reads no message while it searches. One that has
    // ended already is simply not found, and that is all a failed kill can mean here.
    zabij_ulohy(b.pvm, b.wtids, nullptr);
}

std::string popis_workera(int tid, const Rozsah &rozsah)
{
    return "Worker " + jmeno_ulohy(tid) + " (rozsah " + std::to_string(rozsah.odkud) + "-" +
           std::to_string(rozsah.kam) + ")";
}

// SPDX-License-Identifier: MIT
// farmer's workers on PVM: started, watched, replaced, gathered, killed.
#include "search/farmer/workeri.h"

#include <pvm3.h>

#include <cstdio>

#include "search/zpravy/hledani_zpravy.h"
#include "search/farmer/preruseni.h"
#include "common/pvm_napoveda.h"
#include "common/pvm_spojeni.h"
#include "search/farmer/sber.h"

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

// The workers' arguments but those of the range: the file goes by its absolute path, as the
// workers may start in another folder than farmer.
std::vector<std::string> argumenty_workeru(const std::string &cesta, const std::string &f_str)
{
    return {cesta, "", "", f_str, ""};
}

// The arguments of the range's worker, told where in the file its range starts (the last
// point of body before it), so that it need not count line ends from the file's start.
void nastav_rozsah(std::vector<std::string> &argumenty, const Rozsah &rozsah,
                   const std::vector<Pocet> &body)
{
    argumenty[ODKUD] = std::to_string(rozsah.odkud);
    argumenty[KAM] = std::to_string(rozsah.kam);
    argumenty[ZACATEK_CTENI] = zapis_pocet(bod_pred(body, rozsah.odkud));
}

// A worker as farmer's messages name it: "Worker t40003 (rozsah 9-19)".
std::string popis_workera(int tid, const Rozsah &rozsah)
{
    return "Worker " + jmeno_ulohy(tid) + " (rozsah " + std::to_string(rozsah.odkud) + "-" +
           std::to_string(rozsah.kam) + ")";
}

// Why a worker could not be started: the daemon's error code, and when it did not find the
// program, where a default daemon looks for it and what to do.
std::string chyba_spusteni(int kod, int mytid)
{
    std::string chyba = "pvm_spawn: Task nebyl vytvoren!";
    if (kod == PvmNoFile)
        for (const std::string &radek :
             napoveda_nenalezeneho_programu("worker", architektura_hostitele(mytid)))
            chyba += "\n" + radek;
    return chyba;
}

// Starts one worker, watched by PVM so that its end or its host's loss cannot go unnoticed,
// into tid.
bool spust_workera(const std::vector<std::string> &argumenty, int mytid, int &tid,
                   std::string *err)
{
    tid = spust_ulohu("worker", argumenty);
    if (tid < 0) {
        *err = chyba_spusteni(tid, mytid);
        return false;
    }
    std::string chyba;
    if (hlidej_konec_uloh({tid}, &chyba) && hlidej_hostitele_uloh({tid}, &chyba))
        return true;
    *err = "pvm_notify: Konec workera " + jmeno_ulohy(tid) + " nelze hlidat!";
    return false;
}

// Starts one worker per range into wtids; false, with the message, when one cannot be
// started, or without one at an interrupt. Starting many takes a while: that is said on stderr.
bool spust_workery(const std::vector<Rozsah> &rozsahy, const std::vector<Pocet> &body,
                   std::vector<std::string> &argumenty, int mytid, std::vector<int> &wtids,
                   std::string *err)
{
    const bool hlasit = rozsahy.size() > HLASIT_OD_WORKERU;
    double hlaseno = sekundy();
    for (const Rozsah &rozsah : rozsahy) {
        if (preruseni_ceka())
            return false;
        nastav_rozsah(argumenty, rozsah, body);
        int tid = 0;
        if (!spust_workera(argumenty, mytid, tid, err))
            return false;
        wtids.push_back(tid);
        if (hlasit && sekundy() - hlaseno >= 1) {
            fprintf(stderr, "Spusteno %zu z %zu workeru...\n", wtids.size(), rozsahy.size());
            hlaseno = sekundy();
        }
    }
    return true;
}

// What farmer needs to start a range's worker again.
struct NovyStart {
    const std::vector<Rozsah> &rozsahy;
    const std::vector<Pocet> &body;
    std::vector<std::string> &argumenty;
    int mytid;
};

// Starts range i's worker anew in place of tid, the lost one, into tid, and says so on
// standard error: the report on standard output stays that of an undisturbed run.
bool spust_znovu(const NovyStart &n, size_t i, int spusteni, int &tid, std::string *err)
{
    const int ztraceny = tid;
    nastav_rozsah(n.argumenty, n.rozsahy[i], n.body);
    if (!spust_workera(n.argumenty, n.mytid, tid, err))
        return false;
    fprintf(stderr, "%s skoncil bez odpovedi, rozsah prohleda znovu worker %s (pokus %d ze %d).\n",
            popis_workera(ztraceny, n.rozsahy[i]).c_str(), jmeno_ulohy(tid).c_str(), spusteni,
            SPUSTENI_NA_ROZSAH);
    return true;
}

// Gathers the replies into odklad, in start order, a lost worker replaced by a new one;
// false, with the message naming the worker, when a range cannot be searched whole; false
// without a message at an interrupt.
bool sber(const NovyStart &n, std::vector<int> &wtids, Odklad &odklad, std::string *err)
{
    WorkeriHledani w{wtids, n.rozsahy, static_cast<int>(n.argumenty[VZOR].size()),
                     [&n](size_t i, int spusteni, int &tid, std::string *chyba) {
                         return spust_znovu(n, i, spusteni, tid, chyba);
                     }};
    ZtrataWorkera ztrata;
    if (sber_odpovedi(w, odklad, ztrata))
        return true;
    if (preruseni_ceka())
        return false;
    const size_t i = ztrata.worker;
    if (ztrata.duvod == nullptr)
        *err = ztrata.zprava;
    else
        *err = popis_workera(wtids[i], n.rozsahy[i]) + " " + ztrata.duvod + "!";
    return false;
}

// Killed rather than told: a worker reads no message while it searches. One that has ended
// already is simply not found, and that is all a failed kill can mean here.
void zabij_workery(const std::vector<int> &wtids)
{
    std::string chyba;
    zabij_ulohy(wtids, &chyba);
}

}  // namespace

bool hledej_na_pvm(const std::vector<Rozsah> &rozsahy, const std::vector<Pocet> &body,
                   const std::string &cesta, const std::string &f_str, Odklad &odklad,
                   std::string *err)
{
    odloz_preruseni();
    int mytid = prihlas_do_pvm();
    if (mytid < 0) {
        *err = "Nelze se spojit s PVM (pvm_mytid: " + std::to_string(mytid) +
               "), bezi demon pvmd?";
        povol_preruseni();
        return false;
    }
    std::vector<std::string> argumenty = argumenty_workeru(cesta, f_str);
    std::vector<int> wtids;
    zaloz_odklad(odklad, rozsahy.size());
    const bool spusteni = spust_workery(rozsahy, body, argumenty, mytid, wtids, err);
    const bool hotovo = spusteni && sber({rozsahy, body, argumenty, mytid}, wtids, odklad, err);
    // The workers of a search that failed part way would search on for nothing.
    if (preruseni_ceka() || (spusteni && !hotovo))
        zabij_workery(wtids);
    odhlas_z_pvm();
    povol_preruseni();
    return hotovo;
}

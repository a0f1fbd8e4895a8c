// SPDX-License-Identifier: MIT
// farmer's collection of the workers' replies: one receive of any message at a time, so that
// pieces of every worker are stored as they come and none waits in farmer's memory.
#include "search/farmer/sber.h"

#include <algorithm>
#include <unordered_map>

#include "search/zpravy/hledani_zpravy.h"
#include "search/farmer/preruseni.h"
#include "common/pvm_spojeni.h"

namespace {

// How long the last pieces of workers that have ended are waited for, in seconds.
const double CEKANI_NA_ZBYTEK_S = 1;

struct Sber {
    WorkeriHledani &w;
    Odklad &odklad;
    ZtrataWorkera &ztrata;
    std::unordered_map<int, size_t> poradi;  // task identifier of a range's worker to the range
    std::vector<size_t> prijato;             // positions received per range from its worker
    std::vector<bool> hotov;                 // its last piece is in
    std::vector<int> spusteni;               // how often its worker has been started
    size_t zbyva;                            // ranges without their last piece
    std::vector<int> blok;                   // where a piece is unpacked, a part at a time
};

// What became of a piece.
enum class Kus { ULOZEN, ZTRACEN, KONEC };

bool selhal(Sber &s, size_t i, const char *duvod)
{
    s.ztrata.worker = i;
    s.ztrata.duvod = duvod;
    return false;
}

Kus spatny(Sber &s, size_t i)
{
    selhal(s, i, "poslal neplatnou odpoved");
    return Kus::KONEC;
}

// The piece of range i's worker just received, into the store: its positions must be places
// where an occurrence can start in the range, and no more than the range can hold.
Kus uloz_kus(Sber &s, size_t i)
{
    size_t pocet = 0;
    bool posledni = false;
    const Rozsah &rozsah = s.w.rozsahy[i];
    if (!rozbal_hlavicku(pocet, posledni) ||
        pocet > vyskytu_nejvys(rozsah, s.w.delka_f) - s.prijato[i])
        return spatny(s, i);
    for (size_t hotovo = 0; hotovo < pocet;) {
        size_t n = std::min(KUS_POZIC, pocet - hotovo);
        s.blok.resize(std::max(s.blok.size(), n));
        if (!rozbal_pozice(s.blok.data(), n) ||
            !pozice_v_rozsahu(rozsah, s.w.delka_f, s.blok.data(), n))
            return spatny(s, i);
        std::string chyba;
        if (!odloz(s.odklad, i, s.blok.data(), n, &chyba)) {
            s.ztrata.worker = i;
            s.ztrata.zprava = "Nalezene pozice nelze odlozit do docasneho souboru (" + chyba + ")!";
            return Kus::KONEC;
        }
        hotovo += n;
    }
    s.prijato[i] += pocet;
    std::string chyba;  // a worker that cannot be told has ended, whatever PVM says
    if (!posledni && !posli_potvrzeni(s.w.wtids[i], &chyba))
        return Kus::ZTRACEN;
    if (posledni) {
        s.hotov[i] = true;
        s.zbyva--;
    }
    return Kus::ULOZEN;
}

// Range i's worker is lost: what it sent goes, and a new one searches the range from its
// start, unless the range has had all its starts. Pieces of the lost one that come late are
// no longer taken, as its identifier is forgotten.
bool nahrad(Sber &s, size_t i)
{
    if (s.spusteni[i] >= SPUSTENI_NA_ROZSAH)
        return selhal(s, i, "skoncil bez odpovedi");
    zahod_pozice(s.odklad, i);
    s.prijato[i] = 0;
    s.poradi.erase(s.w.wtids[i]);
    if (!s.w.novy(i, ++s.spusteni[i], s.w.wtids[i], &s.ztrata.zprava)) {
        s.ztrata.worker = i;
        return false;
    }
    s.poradi[s.w.wtids[i]] = i;
    return true;
}

// The piece zprava of range i's worker, just received, stored and freed; a worker that can
// no longer be told is replaced. False when the run cannot go on.
bool zpracuj_kus(Sber &s, size_t i, int zprava)
{
    Kus kus = uloz_kus(s, i);
    zahod_zpravu(zprava);
    return kus == Kus::ULOZEN || (kus == Kus::ZTRACEN && nahrad(s, i));
}

// Range i's worker has ended or lost its host: its last pieces may still be on their way, as
// they travel another route than the notice, and are waited for until konec. Without them
// the worker is lost.
bool dober(Sber &s, size_t i, double konec)
{
    const int tid = s.w.wtids[i];
    while (!s.hotov[i] && s.w.wtids[i] == tid) {
        int zprava = prijmi_kus_do(tid, konec);
        if (zprava <= 0)
            return nahrad(s, i);
        if (!zpracuj_kus(s, i, zprava))
            return false;
    }
    return true;
}

// A notice of an ended task or host: the unfinished workers it concerns are waited for, all
// of them for one moment together, as a host may take hundreds with it. A notice without its
// identifier, or about a worker already replaced, concerns none of them.
bool oznameni(Sber &s, int tag)
{
    int kdo = 0;
    std::string chyba;
    if (!rozbal(&kdo, 1, &chyba))
        return true;
    const double konec = sekundy() + CEKANI_NA_ZBYTEK_S;
    for (size_t i = 0; i < s.w.wtids.size(); i++) {
        int hostitel = 0;
        bool tyka_se = tag == ZNACKA_KONEC_ULOHY ? s.w.wtids[i] == kdo
                                                 : zjisti_hostitele(s.w.wtids[i], &hostitel,
                                                                    nullptr) &&
                                                       hostitel == kdo;
        if (tyka_se && !s.hotov[i] && !dober(s, i, konec))
            return false;
    }
    return true;
}

// The next message of any kind, handled. False when the run cannot go on.
bool dalsi_zprava(Sber &s)
{
    int tag = 0, odesilatel = 0;
    int zprava = prijmi_do_preruseni(tag, odesilatel);
    if (zprava == 0)
        return false;  // a held-back signal waits: the caller ends the run
    if (zprava < 0) {
        // PVM itself is lost: the first range still awaited is named.
        size_t i = std::find(s.hotov.begin(), s.hotov.end(), false) - s.hotov.begin();
        return selhal(s, i, "skoncil bez odpovedi");
    }
    if (tag == ZNACKA_KONEC_ULOHY || tag == ZNACKA_KONEC_HOSTITELE)
        return oznameni(s, tag);
    auto worker = s.poradi.find(odesilatel);
    if (tag != ZNACKA_ODPOVED || worker == s.poradi.end() || s.hotov[worker->second]) {
        zahod_zpravu(zprava);
        return true;
    }
    return zpracuj_kus(s, worker->second, zprava);
}

}  // namespace

bool sber_odpovedi(WorkeriHledani &w, Odklad &odklad, ZtrataWorkera &ztrata)
{
    const size_t rozsahu = w.wtids.size();
    Sber s{w, odklad, ztrata, {}, std::vector<size_t>(rozsahu), std::vector<bool>(rozsahu),
           std::vector<int>(rozsahu, 1), rozsahu, {}};
    for (size_t i = 0; i < rozsahu; i++)
        s.poradi[w.wtids[i]] = i;
    while (s.zbyva > 0)
        if (!dalsi_zprava(s))
            return false;
    return true;
}

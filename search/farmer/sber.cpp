// SPDX-License-Identifier: MIT
// farmer's collection of the workers' replies: one receive of any message at a time, so that
// pieces of every worker are stored as they come and none waits in farmer's memory.
#include "search/farmer/sber.h"

#include <algorithm>
#include <unordered_map>

#include "search/farmer/preruseni.h"
#include "search/farmer/workeri.h"
#include "search/zpravy/hledani_zpravy.h"

namespace {

// How long the last pieces of workers that have ended are waited for, in seconds.
const double CEKANI_NA_ZBYTEK_S = 1;

// The collection's book-keeping, per range.
struct Sber {
    BehFarmera &b;
    std::string *err;
    std::unordered_map<int, size_t> poradi;  // task identifier of a range's worker to the range
    std::vector<size_t> prijato;             // positions received from its worker
    std::vector<bool> hotov;                 // its last piece is in
    std::vector<int> spusteni;               // how often its worker has been started
    size_t zbyva;                            // ranges without their last piece
    std::vector<int> blok;                   // where a piece is unpacked, a part at a time
};

// What became of a piece.
enum class Kus { ULOZEN, ZTRACEN, KONEC };

// The run fails at range i's worker for duvod.
bool selhal(Sber &s, size_t i, const char *duvod)
{
    *s.err = popis_workera(s.b.wtids[i], s.b.rozsahy[i]) + " " + duvod + "!";
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
    const Rozsah &rozsah = s.b.rozsahy[i];
    const int delka_f = static_cast<int>(s.b.zadani.f_str.size());
    if (!rozbal_hlavicku(s.b.pvm, pocet, posledni) ||
        pocet > vyskytu_nejvys(rozsah, delka_f) - s.prijato[i])
        return spatny(s, i);
    for (size_t hotovo = 0; hotovo < pocet;) {
        size_t n = std::min(KUS_POZIC, pocet - hotovo);
        s.blok.resize(std::max(s.blok.size(), n));
        if (!rozbal_pozice(s.b.pvm, s.blok.data(), n) ||
            !pozice_v_rozsahu(rozsah, delka_f, s.blok.data(), n))
            return spatny(s, i);
        std::string chyba;
        if (!odloz(s.b.odklad, i, s.blok.data(), n, &chyba)) {
            *s.err = "Nalezene pozice nelze odlozit do docasneho souboru (" + chyba + ")!";
            return Kus::KONEC;
        }
        hotovo += n;
    }
    s.prijato[i] += pocet;
    // A worker that cannot be told has ended, whatever PVM says.
    if (!posledni && !posli_potvrzeni(s.b.pvm, s.b.wtids[i], nullptr))
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
    zahod_pozice(s.b.odklad, i);
    s.prijato[i] = 0;
    s.poradi.erase(s.b.wtids[i]);
    if (!spust_znovu(s.b, i, ++s.spusteni[i], s.err))
        return false;
    s.poradi[s.b.wtids[i]] = i;
    return true;
}

// The piece zprava of range i's worker, just received, stored and freed; a worker that can
// no longer be told is replaced. False when the run cannot go on.
bool zpracuj_kus(Sber &s, size_t i, int zprava)
{
    Kus kus = uloz_kus(s, i);
    zahod_zpravu(s.b.pvm, zprava);
    return kus == Kus::ULOZEN || (kus == Kus::ZTRACEN && nahrad(s, i));
}

// Range i's worker has ended or lost its host: its last pieces may still be on their way, as
// they travel another route than the notice, and are waited for until konec. Without them
// the worker is lost.
bool dober(Sber &s, size_t i, double konec)
{
    const int tid = s.b.wtids[i];
    while (!s.hotov[i] && s.b.wtids[i] == tid) {
        int zprava = prijmi_kus_do(s.b.pvm, tid, konec);
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
    if (!rozbal_oznameni(s.b.pvm, tag, &kdo))
        return true;
    const double konec = sekundy() + CEKANI_NA_ZBYTEK_S;
    for (size_t i = 0; i < s.b.wtids.size(); i++)
        if (!s.hotov[i] && oznameni_se_tyka(tag, kdo, s.b.wtids[i], s.b.hostitele[i]) &&
            !dober(s, i, konec))
            return false;
    return true;
}

// The next message of any kind, handled. False when the run cannot go on.
bool dalsi_zprava(Sber &s)
{
    int tag = 0, odesilatel = 0;
    int zprava = prijmi_do_preruseni(s.b.pvm, tag, odesilatel);
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
        zahod_zpravu(s.b.pvm, zprava);
        return true;
    }
    return zpracuj_kus(s, worker->second, zprava);
}

}  // namespace

bool sber_odpovedi(BehFarmera &b, std::string *err)
{
    const size_t rozsahu = b.wtids.size();
    Sber s{b, err, {}, std::vector<size_t>(rozsahu), std::vector<bool>(rozsahu),
           std::vector<int>(rozsahu, 1), rozsahu, {}};
    for (size_t i = 0; i < rozsahu; i++)
        s.poradi[b.wtids[i]] = i;
    while (s.zbyva > 0)
        if (!dalsi_zprava(s))
            return false;
    return true;
}

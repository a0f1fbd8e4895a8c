// SPDX-License-Identifier: MIT
// farmer's collection of the workers' replies: one receive of any message at a time, so that
// pieces of every worker are stored as they come and none waits in farmer's memory.
#include "sber.h"


#include <algorithm>
#include <unordered_map>

#include "hledani_zpravy.h"
#include "preruseni.h"
#include "pvm_spojeni.h"

namespace {

struct Sber {
    const std::vector<int> &wtids;
    const std::vector<Rozsah> &rozsahy;
    Odklad &odklad;
    ZtrataWorkera &ztrata;
    std::unordered_map<int, size_t> poradi;  // task identifier to index
    std::vector<size_t> prijato;             // positions received per worker
    std::vector<bool> hotov;                 // its last piece is in
    size_t zbyva;                            // workers without their last piece
    std::vector<int> blok;                   // where a piece is unpacked, a part at a time
};

bool selhal(Sber &s, size_t i, const char *duvod)
{
    s.ztrata.worker = i;
    s.ztrata.duvod = duvod;
    return false;
}

// The piece of worker i just received, into the store.
bool uloz_kus(Sber &s, size_t i)
{
    size_t pocet = 0;
    bool posledni = false;
    const size_t rozsah = static_cast<size_t>(s.rozsahy[i].kam - s.rozsahy[i].odkud + 1);
    if (!rozbal_hlavicku(pocet, posledni) || pocet > rozsah - s.prijato[i])
        return selhal(s, i, "poslal neplatnou odpoved");
    for (size_t hotovo = 0; hotovo < pocet;) {
        size_t n = std::min(KUS_POZIC, pocet - hotovo);
        s.blok.resize(std::max(s.blok.size(), n));
        if (!rozbal_pozice(s.blok.data(), n))
            return selhal(s, i, "poslal neplatnou odpoved");
        if (!odloz(s.odklad, i, s.blok.data(), n, &s.ztrata.chyba_odkladu))
            return selhal(s, i, nullptr);
        hotovo += n;
    }
    s.prijato[i] += pocet;
    std::string chyba;  // a worker that cannot be told has ended, whatever PVM says
    if (!posledni && !posli_potvrzeni(s.wtids[i], &chyba))
        return selhal(s, i, "skoncil bez odpovedi");
    if (posledni) {
        s.hotov[i] = true;
        s.zbyva--;
    }
    return true;
}

// Worker i has ended or lost its host: its last pieces may still be on their way, as they
// travel another route than the notice; each gets a moment.
bool dober(Sber &s, size_t i)
{
    while (!s.hotov[i]) {
        int zprava = prijmi_kus(s.wtids[i], 1);
        if (zprava <= 0)
            return selhal(s, i, "skoncil bez odpovedi");
        bool dobre = uloz_kus(s, i);
        zahod_zpravu(zprava);
        if (!dobre)
            return false;
    }
    return true;
}

// A notice of an ended task or host: the unfinished workers it concerns are waited for.
// A notice without its identifier concerns none of them.
bool oznameni(Sber &s, int tag)
{
    int kdo = 0;
    std::string chyba;
    if (!rozbal(&kdo, 1, &chyba))
        return true;
    for (size_t i = 0; i < s.wtids.size(); i++) {
        int hostitel = 0;
        bool tyka_se = tag == ZNACKA_KONEC_ULOHY
                           ? s.wtids[i] == kdo
                           : zjisti_hostitele(s.wtids[i], &hostitel, nullptr) && hostitel == kdo;
        if (tyka_se && !s.hotov[i] && !dober(s, i))
            return false;
    }
    return true;
}

}  // namespace

bool sber_odpovedi(const std::vector<int> &wtids, const std::vector<Rozsah> &rozsahy,
                   Odklad &odklad, ZtrataWorkera &ztrata)
{
    Sber s{wtids, rozsahy, odklad, ztrata, {}, std::vector<size_t>(wtids.size()),
           std::vector<bool>(wtids.size()), wtids.size(), {}};
    for (size_t i = 0; i < wtids.size(); i++)
        s.poradi[wtids[i]] = i;
    while (s.zbyva > 0) {
        int tag = 0, odesilatel = 0;
        int zprava = prijmi_do_preruseni(tag, odesilatel);
        if (zprava == 0)
            return false;  // a held-back signal waits: the caller ends the run
        if (zprava < 0) {
            // PVM itself is lost: the first worker still awaited is named.
            size_t i = std::find(s.hotov.begin(), s.hotov.end(), false) - s.hotov.begin();
            return selhal(s, i, "skoncil bez odpovedi");
        }
        if (tag == ZNACKA_KONEC_ULOHY || tag == ZNACKA_KONEC_HOSTITELE) {
            if (!oznameni(s, tag))
                return false;
            continue;
        }
        auto worker = s.poradi.find(odesilatel);
        bool dobre = tag != ZNACKA_ODPOVED || worker == s.poradi.end() ||
                     s.hotov[worker->second] || uloz_kus(s, worker->second);
        zahod_zpravu(zprava);
        if (!dobre)
            return false;
    }
    return true;
}

// SPDX-License-Identifier: MIT
// kubo-main's run over PVM, its workers given their next slab as soon as they return the last.
#include "integration/kubo_hlavni.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <vector>

#include "common/pvm_napoveda.h"
#include "common/standardni_proudy.h"
#include "common/text.h"
#include "integration/kubo_zpravy.h"

// Failed starts of one worker slot before the run is given up.
static const int POKUSU_NA_DELNIKA = 5;


// Whether the run must end now: interrupted, or its lines no longer reach standard output
// (a closed pipe, a full disk), so that nobody would learn its total. A failed line is
// noticed at the next wait, not at the end of a long run.
static bool beh_skoncil(const BehHlavniho &beh) { return *beh.prerusen || !vystup_zapsan(); }

// The identifiers of the workers in none of the states given.
static std::vector<int> delnici_krome(const Prideleni &p, std::initializer_list<StavDelnika> stavy)
{
    std::vector<int> tidy;
    for (const Delnik &delnik : p.delnici)
        if (std::find(stavy.begin(), stavy.end(), delnik.stav) == stavy.end())
            tidy.push_back(delnik.tid);
    return tidy;
}

// Why a worker could not be found and what to do, each line with the master's prefix.
static void poradit_pri_nenalezenem_delnikovi(const BehHlavniho &beh)
{
    for (const std::string &radek : napoveda_k_programu(beh.pvm, beh.mytid, PROGRAM_DELNIKA))
        fprintf(stderr, "Hlavni %d: %s\n", beh.mytid, radek.c_str());
}

// Starts the next worker into the book, retrying a failed start a few times. The advice on
// a program not found is given once a run, in poradeno.
static bool vytvor_delnika(BehHlavniho &beh, bool &poradeno, std::string *chyba)
{
    for (int pokus = 0; pokus < POKUSU_NA_DELNIKA; pokus++) {
        if (beh_skoncil(beh))
            return false;
        int tid = spust_delnika(beh.pvm);
        if (tid >= 0) {
            printf("Hlavni %d: Vytvoren delnik %d.\n", beh.mytid, tid);
            beh.prideleni.delnici.push_back(Delnik());
            beh.prideleni.delnici.back().tid = tid;
            return zjisti_hostitele(beh.pvm, tid, &beh.prideleni.delnici.back().hostitel, chyba);
        }
        printf("Hlavni %d: Chyba pri vytvareni delnika. Cislo chyby %d\n", beh.mytid, tid);
        if (program_nenalezen(tid) && !poradeno) {
            poradit_pri_nenalezenem_delnikovi(beh);
            poradeno = true;
        }
    }
    *chyba = naformatuj("Delnika se nepodarilo vytvorit ani na %d pokusu, koncim.",
                        POKUSU_NA_DELNIKA);
    return false;
}

// Workers already started are killed, and count as lost, when a later one cannot be
// started; the run's end is then told by why that one could not, and a kill that failed
// besides is left untold.
static bool spust_delniky(BehHlavniho &beh, std::string *chyba)
{
    // Workers of a daemon started elsewhere (its own folder, a hostfile's wd=) would log into
    // a delnik.out that no run ever empties; without the folder they still run.
    predej_slozku_logu(beh.pvm);
    bool poradeno = false;
    for (int i = 0; i < beh.parametry.pocet_delniku; i++)
        if (!vytvor_delnika(beh, poradeno, chyba)) {
            std::string chyba_zabiti;
            zabij_ulohy(beh.pvm, delnici_krome(beh.prideleni, {}), &chyba_zabiti);
            for (Delnik &delnik : beh.prideleni.delnici)
                delnik.stav = ZTRACEN;
            return false;
        }
    return true;
}

static bool pridel_praci(BehHlavniho &beh, int tid, std::string *chyba)
{
    Prideleni &p = beh.prideleni;
    int vydano = p.vydano;
    int cislo = vydej_jednotku(p, najdi_delnika(p, tid));
    if (cislo < 0)
        return true;
    const Vrstva &v = beh.parametry.plan[cislo];
    if (p.vydano != vydano)
        printf("Hlavni %d: Prideluji praci delnikovi %d, prideleno %d%%\n", beh.mytid, tid,
               v.od_procent);
    else
        printf("Hlavni %d: Prideluji znovu praci delnikovi %d, od %d%%\n", beh.mytid, tid,
               v.od_procent);
    return posli_jednotku(beh.pvm, tid, v.box, beh.parametry.d, beh.parametry.druh_funkce,
                          chyba);
}

// Hands a unit to each worker that sits idle, while there are units to hand out: at the
// start, and when lost workers' units come back, as idle workers ask for nothing more.
static bool pridel_necinnym(BehHlavniho &beh, std::string *chyba)
{
    for (const Delnik &delnik : beh.prideleni.delnici)
        if (delnik.stav == PRIPRAVEN && !pridel_praci(beh, delnik.tid, chyba))
            return false;
    return true;
}

// Shows on the terminal how far the run is: units whose result is counted, of all.
static void ukaz_jak_daleko(BehHlavniho &beh)
{
    if (beh.prubeh.kam == nullptr)
        return;
    int hotovo = 0;
    for (const StavJednotky &j : beh.prideleni.jednotky)
        hotovo += j.zapocteno;
    std::chrono::duration<double> uplynulo = std::chrono::steady_clock::now() - beh.zacatek;
    ukaz_prubeh(beh.prubeh,
                text_prubehu(hotovo, (int)beh.prideleni.jednotky.size(), uplynulo.count()));
}

// Waits for the next message from anyone and gives its tag, its items left to unpack.
// Returns false when the run must end, or when the local daemon is gone and no message can
// ever come. The progress line is shown only while nothing has come, and is gone whenever
// this returns, before the master prints anything.
static bool cekej_na_zpravu(BehHlavniho &beh, int &znacka, std::string *chyba)
{
    int odesilatel;
    bool prvni = true;
    // Before each slice of the wait but the first, a mere look, the line is brought up to date.
    auto skoncit = [&beh, &prvni] {
        if (!prvni)
            ukaz_jak_daleko(beh);
        prvni = false;
        return beh_skoncil(beh);
    };
    int zprava = prijmi_zpravu_dokud(beh.pvm, skoncit, znacka, odesilatel);
    skryj_prubeh(beh.prubeh);
    if (zprava < 0)
        *chyba = naformatuj("Spojeni s PVM ztraceno (cislo chyby %d), koncim", zprava);
    return zprava > 0;
}

static void ztrat(BehHlavniho &beh, int i)
{
    int tid = beh.prideleni.delnici[i].tid;
    int cislo = ztrat_delnika(beh.prideleni, i);
    if (cislo >= 0)
        printf("Hlavni %d: Delnik %d ztracen, jeho praci od %d%% pridelim znovu\n", beh.mytid,
               tid, beh.parametry.plan[cislo].od_procent);
    else
        printf("Hlavni %d: Delnik %d ztracen\n", beh.mytid, tid);
}

// A notice of a task's exit or a host's loss marks the workers concerned lost; a message
// with any other tag, or one without an identifier, is none of this phase's business and is
// dropped.
static bool zpracuj_ztratu(BehHlavniho &beh, int znacka, std::string *chyba)
{
    int kdo;
    if (!rozbal_oznameni(beh.pvm, znacka, &kdo))
        return true;
    for (size_t i = 0; i < beh.prideleni.delnici.size(); i++) {
        const Delnik &delnik = beh.prideleni.delnici[i];
        if (oznameni_se_tyka(znacka, kdo, delnik.tid, delnik.hostitel) &&
            delnik.stav != ZTRACEN && delnik.stav != ZASTAVEN)
            ztrat(beh, (int)i);
    }
    return beh.prideleni.vracene.empty() || pridel_necinnym(beh, chyba);
}

static bool nekdo_je(const Prideleni &p, StavDelnika stav)
{
    for (const Delnik &delnik : p.delnici)
        if (delnik.stav == stav)
            return true;
    return false;
}

// Waits until no worker is left in state cekajici. Each message with tag znacka names a
// worker in its first item; "Delnik cislo N" and the words co are printed with it and the
// worker moves to state dalsi. Notices of lost workers are handled on the way; a message
// without an identifier is dropped.
static bool cekej_na_vsechny(BehHlavniho &beh, StavDelnika cekajici, int znacka,
                             StavDelnika dalsi, const char *co, std::string *chyba)
{
    while (nekdo_je(beh.prideleni, cekajici)) {
        int prisla, tid;
        std::string bez_identifikatoru;
        if (!cekej_na_zpravu(beh, prisla, chyba))
            return false;
        if (prisla != znacka) {
            if (!zpracuj_ztratu(beh, prisla, chyba))
                return false;
            continue;
        }
        if (!rozbal_tid(beh.pvm, &tid, &bez_identifikatoru))
            continue;
        printf("Hlavni %d: Delnik cislo %d %s\n", beh.mytid, tid, co);
        int i = najdi_delnika(beh.prideleni, tid);
        if (i >= 0 && beh.prideleni.delnici[i].stav == cekajici)
            beh.prideleni.delnici[i].stav = dalsi;
    }
    return true;
}

// A result that cannot be unpacked is no worker's and is dropped, as one from a stranger.
static bool zpracuj_vysledek(BehHlavniho &beh, std::string *chyba)
{
    int tid;
    double dilci;
    std::string neni_vysledek;
    if (!rozbal_vysledek(beh.pvm, &tid, &dilci, &neni_vysledek))
        return true;
    int i = najdi_delnika(beh.prideleni, tid);
    if (i < 0)
        return true;
    if (!prijmi_vysledek(beh.prideleni, i, dilci))
        printf("Hlavni %d: Vysledek delnika %d uz byl zapocten, nepricitam ho\n", beh.mytid, tid);
    else
        printf("Hlavni %d: Parcialni hmotnost z delnika %d: %6.10f\n", beh.mytid, tid, dilci);
    return beh.prideleni.delnici[i].stav == ZTRACEN || pridel_praci(beh, tid, chyba);
}

// Until every unit's result is in; false when every worker is lost first, or the wait ends.
static bool smycka_zprav(BehHlavniho &beh, std::string *chyba)
{
    while (prace_zbyva(beh.prideleni)) {
        if (zivych_delniku(beh.prideleni) == 0) {
            *chyba = "Vsichni delnici jsou ztraceni, vypocet nelze dokoncit";
            return false;
        }
        int znacka;
        if (!cekej_na_zpravu(beh, znacka, chyba))
            return false;
        bool dal = znacka == ZNACKA_VYSLEDEK ? zpracuj_vysledek(beh, chyba)
                                             : zpracuj_ztratu(beh, znacka, chyba);
        if (!dal)
            return false;
    }
    return true;
}

// Only workers still alive are stopped and waited for.
static bool ukonci_delniky(BehHlavniho &beh, std::string *chyba)
{
    printf("Hlavni %d: Ukoncuji delniky. Cekam na odezvu...\n", beh.mytid);
    return posli_konec(beh.pvm, delnici_krome(beh.prideleni, {ZTRACEN}), chyba) &&
           cekej_na_vsechny(beh, PRIPRAVEN, ZNACKA_KONEC, ZASTAVEN, "ukoncen", chyba);
}

bool zabij_pracujici(const BehHlavniho &beh, std::string *chyba)
{
    return zabij_ulohy(beh.pvm, delnici_krome(beh.prideleni, {ZTRACEN, ZASTAVEN}), chyba);
}

bool probehni(BehHlavniho &beh, std::string *chyba)
{
    beh.zacatek = std::chrono::steady_clock::now();
    beh.prideleni = prideleni_planu(beh.parametry.plan.size());
    if (!spust_delniky(beh, chyba))
        return false;
    std::vector<int> vsichni = delnici_krome(beh.prideleni, {});
    if (!hlidej_delniky(beh.pvm, vsichni, chyba) ||
        !posli_ohlaseni(beh.pvm, beh.mytid, vsichni, chyba) ||
        !cekej_na_vsechny(beh, SPUSTEN, ZNACKA_PRIPRAVEN, PRIPRAVEN, "k praci pripraven",
                          chyba) ||
        !pridel_necinnym(beh, chyba))
        return false;
    printf("Hlavni %d: Spoustim smycku zprav\n", beh.mytid);
    if (!smycka_zprav(beh, chyba))
        return false;
    printf("Hlavni %d: Ukoncuji smycku zprav\n", beh.mytid);
    return ukonci_delniky(beh, chyba);
}

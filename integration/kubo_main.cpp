// SPDX-License-Identifier: MIT
// kubo-main: the mass of a cuboid by the midpoint rule, cut into slabs along x and computed
// by kubo-worker tasks of a PVM virtual machine, each given its next slab as soon as it
// returns the last one.
#include <pvm3.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "kubo_log.h"
#include "kubo_prace.h"
#include "kubo_prideleni.h"
#include "kubo_ro.h"
#include "kubo_zpravy.h"
#include "pvm_napoveda.h"
#include "standardni_proudy.h"

static Kvadr kvadr;
static double d;
static int druh_funkce;
static int velikost_prace;

static int pocet_delniku;
static int delnici[MAX_DELNIKU];

// Who holds which slab; it also keeps zadana_prace and pracujicich_workeru.
static Prideleni prideleni;

// The worker program, by the name the daemon looks for in its program path.
static const char *const PROGRAM_DELNIKA = "kubo-worker.exe";

// Failed starts of one worker slot before the run is given up.
static const int POKUSU_NA_DELNIKA = 5;

// How long a wait for a message lasts before it looks whether the run was interrupted.
static const double LHUTA_PRERUSENI_S = 0.2;

// The signal that interrupted the run, or 0.
static volatile sig_atomic_t prerusen;

static const char *const CARA_DLOUHA =
    "---------------------------------------------------------------\n";
static const char *const CARA_KRATKA = "--------------------------------------------\n";

static bool log_start()
{
    std::string chyba;
    if (!vyprazdni_log(LOG_DELNIKU, &chyba)) {
        fprintf(stderr, "%s\n", chyba.c_str());
        return false;
    }
    return true;
}

static void vypis_hlavicku()
{
    printf("\nIntegralni vypocet hmotnosti kvadru\n");
    printf("===================================\n\n");
    printf("Semestralni prace na KVS\n");
    printf("Projekt KVS: paralelni vypocty nad PVM\n");
    printf("Kontakt: viz README projektu\n\n");
}

static void vypis_pouziti()
{
    printf("Musite zadat celkem 7 argumentu prikazove radky. Musite zadat\n\n");
    printf("kubo-main.exe <x> <y> <z> <d> <c. funkce> <pocet vlaken> <velikost prace>\n");
    printf("   <x> <y> <z>      - rozmery kvadru\n");
    printf("   <d>              - integracni krok pro vsechny osy\n");
    printf("   <c. funkce>      - cislo funkce hustoty 1, 2, nebo 3\n");
    printf("                         1 - ro(x, y, z) = 1\n");
    printf("                         2 - ro(x, y, z) = x\n");
    printf("                         3 - ro(x, y, z) = x+y+z\n");
    printf("   <pocet vlaken>   - pocet vlaken, do kterych rozdelujeme ulohu\n");
    printf("   <velikost prace> - v %% dil pridelovane prace vlaknu\n\n");
    printf("napr.:\n");
    printf("kubo-main.exe 20 10 1 0.005 1 5 5\n\n");
}

static void vypis_zpravu()
{
    printf("%s", CARA_DLOUHA);
    printf("Rozmery kvadry <x, y, z>: %6.2f %6.2f %6.2f\n", kvadr.x, kvadr.y, kvadr.z);
    printf("Integracni krok: %6.8f\n", d);
    printf("Druh funkce: ");
    if (druh_funkce == 1)
        printf("ro(x, y, z) = 1\n");
    else if (druh_funkce == 2)
        printf("ro(x, y, z) = x\n");
    else if (druh_funkce == 3)
        printf("ro(x, y, z) = x + y + z\n");
    printf("Pocet delniku: %d\n", pocet_delniku);
    printf("Rozsah pridelovane prace: %d%%\n", velikost_prace);
    printf("%s", CARA_DLOUHA);
}

// Why a worker could not be found and what to do, each line with the master's prefix.
static void poradit_pri_nenalezenem_delnikovi()
{
    for (const std::string &radek :
         napoveda_nenalezeneho_programu(PROGRAM_DELNIKA, architektura_hostitele(mytid)))
        fprintf(stderr, "Hlavni %d: %s\n", mytid, radek.c_str());
}

// Starts one worker into slot i, retrying a failed start a few times. The advice on a
// program not found is given once a run, in poradeno.
static bool spust_delnika(int i, bool &poradeno)
{
    for (int pokus = 0; pokus < POKUSU_NA_DELNIKA; pokus++) {
        if (prerusen)
            return false;
        int spusteno = pvm_spawn(const_cast<char *>(PROGRAM_DELNIKA), nullptr, PvmTaskDefault, (char *)"",
                                 1, &delnici[i]);
        if (spusteno == 1) {
            printf("Hlavni %d: Vytvoren delnik %d.\n", mytid, delnici[i]);
            Delnik delnik;
            delnik.tid = delnici[i];
            delnik.hostitel = pvm_tidtohost(delnici[i]);
            prideleni.delnici.push_back(delnik);
            return true;
        }
        int kod = spusteno < 0 ? spusteno : delnici[i];
        printf("Hlavni %d: Chyba pri vytvareni delnika. Cislo chyby %d\n", mytid, kod);
        if (kod == PvmNoFile && !poradeno) {
            poradit_pri_nenalezenem_delnikovi();
            poradeno = true;
        }
    }
    printf("Hlavni %d: Delnika se nepodarilo vytvorit ani na %d pokusu, koncim.\n", mytid,
           POKUSU_NA_DELNIKA);
    return false;
}

// Workers already started are killed when a later one cannot be.
static bool spust_delniky()
{
    // Workers of a daemon started elsewhere (its own folder, a hostfile's wd=) would log into
    // a delnik.out that no run ever empties; without the folder they still run.
    predej_slozku_logu();
    bool poradeno = false;
    for (int i = 0; i < pocet_delniku; i++)
        if (!spust_delnika(i, poradeno)) {
            for (int j = 0; j < i; j++)
                pvm_kill(delnici[j]);
            return false;
        }
    return true;
}

static void pridel_praci(int tid)
{
    int i = najdi_delnika(prideleni, tid);
    int predtim = prideleni.zadana_prace;
    int cislo = vydej_jednotku(prideleni, i);
    if (cislo < 0)
        return;
    const VydanaJednotka &j = prideleni.jednotky[cislo];
    if (prideleni.zadana_prace != predtim)
        printf("Hlavni %d: Prideluji praci delnikovi %d, prideleno %d%%\n", mytid, tid, predtim);
    else
        printf("Hlavni %d: Prideluji znovu praci delnikovi %d, od %d%%\n", mytid, tid,
               j.od_procent);
    posli_jednotku(tid, j.box, d, druh_funkce);
}

// Hands the units of lost workers to workers that sit idle: those ask for nothing more.
static void pridel_vracene_necinnym()
{
    for (const Delnik &delnik : prideleni.delnici)
        if (delnik.stav == PRIPRAVEN && !prideleni.vracene.empty())
            pridel_praci(delnik.tid);
}

// Asks the daemons to report any worker that exits and any host of a worker that is lost,
// so that no wait below lasts for ever.
static void hlidej_delniky()
{
    pvm_notify(PvmTaskExit, ZNACKA_KONEC_ULOHY, pocet_delniku, delnici);
    std::vector<int> hostitele;
    for (const Delnik &delnik : prideleni.delnici)
        if (std::find(hostitele.begin(), hostitele.end(), delnik.hostitel) == hostitele.end())
            hostitele.push_back(delnik.hostitel);
    pvm_notify(PvmHostDelete, ZNACKA_KONEC_HOSTITELE, (int)hostitele.size(), hostitele.data());
}

// Waits for the next message from anyone and gives its tag, its items left to unpack.
// Returns false when the run was interrupted, or when the local daemon is gone and no
// message can ever come.
static bool cekej_na_zpravu(int &znacka)
{
    int odesilatel;
    for (;;) {
        if (prerusen)
            return false;
        int zprava = prijmi_zpravu(LHUTA_PRERUSENI_S, znacka, odesilatel);
        if (zprava > 0)
            return true;
        if (zprava < 0) {
            printf("Hlavni %d: Spojeni s PVM ztraceno (cislo chyby %d), koncim\n", mytid, zprava);
            return false;
        }
    }
}

static void ztrat(int i)
{
    int tid = prideleni.delnici[i].tid;
    int cislo = ztrat_delnika(prideleni, i);
    if (cislo >= 0)
        printf("Hlavni %d: Delnik %d ztracen, jeho praci od %d%% pridelim znovu\n", mytid, tid,
               prideleni.jednotky[cislo].od_procent);
    else
        printf("Hlavni %d: Delnik %d ztracen\n", mytid, tid);
}

// A notice of a task's exit or a host's loss marks the workers concerned lost; a message
// with any other tag is none of this phase's business and is dropped.
static void zpracuj_ztratu(int znacka)
{
    if (znacka != ZNACKA_KONEC_ULOHY && znacka != ZNACKA_KONEC_HOSTITELE)
        return;
    int kdo = rozbal_tid();
    for (size_t i = 0; i < prideleni.delnici.size(); i++) {
        const Delnik &delnik = prideleni.delnici[i];
        bool zasazen = znacka == ZNACKA_KONEC_ULOHY ? delnik.tid == kdo : delnik.hostitel == kdo;
        if (zasazen && delnik.stav != ZTRACEN && delnik.stav != ZASTAVEN)
            ztrat((int)i);
    }
    pridel_vracene_necinnym();
}

static bool nekdo_je(StavDelnika stav)
{
    for (const Delnik &delnik : prideleni.delnici)
        if (delnik.stav == stav)
            return true;
    return false;
}

// Waits until no worker is left in state cekajici. Each message with tag znacka names a
// worker in its first item; the line hlaseni is printed with it and the worker moves to
// state dalsi. Notices of lost workers are handled on the way. False when the wait ended
// without a message (see cekej_na_zpravu).
static bool cekej_na_vsechny(StavDelnika cekajici, int znacka, StavDelnika dalsi,
                             const char *hlaseni)
{
    while (nekdo_je(cekajici)) {
        int prisla;
        if (!cekej_na_zpravu(prisla))
            return false;
        if (prisla != znacka) {
            zpracuj_ztratu(prisla);
            continue;
        }
        int tid = rozbal_tid();
        printf(hlaseni, mytid, tid);
        int i = najdi_delnika(prideleni, tid);
        if (i >= 0 && prideleni.delnici[i].stav == cekajici)
            prideleni.delnici[i].stav = dalsi;
    }
    return true;
}

static void zpracuj_vysledek()
{
    int tid;
    double dilci;
    rozbal_vysledek(tid, dilci);
    int i = najdi_delnika(prideleni, tid);
    if (i < 0)
        return;
    if (!prijmi_vysledek(prideleni, i, dilci))
        printf("Hlavni %d: Vysledek delnika %d uz byl zapocten, nepricitam ho\n", mytid, tid);
    else
        printf("Hlavni %d: Parcialni hmotnost z delnika %d: %6.10f\n", mytid, tid, dilci);
    if (prideleni.delnici[i].stav != ZTRACEN)
        pridel_praci(tid);
}

// Returns false when every worker is lost before the work is done, or the wait ends.
static bool smycka_zprav()
{
    while (prace_zbyva(prideleni)) {
        if (zivych_delniku(prideleni) == 0) {
            printf("Hlavni %d: Vsichni delnici jsou ztraceni, vypocet nelze dokoncit\n", mytid);
            return false;
        }
        int znacka;
        if (!cekej_na_zpravu(znacka))
            return false;
        if (znacka == ZNACKA_VYSLEDEK)
            zpracuj_vysledek();
        else
            zpracuj_ztratu(znacka);
    }
    return true;
}

// Only workers still alive are stopped and waited for.
static bool ukonci_delniky()
{
    printf("Hlavni %d: Ukoncuji delniky. Cekam na odezvu...\n", mytid);
    std::vector<int> zivi;
    for (const Delnik &delnik : prideleni.delnici)
        if (delnik.stav != ZTRACEN)
            zivi.push_back(delnik.tid);
    posli_konec(zivi.data(), (int)zivi.size());
    return cekej_na_vsechny(PRIPRAVEN, ZNACKA_KONEC, ZASTAVEN,
                            "Hlavni %d: Delnik cislo %d ukoncen\n");
}

static void prevezmi_parametry(const ParametryBehu &p)
{
    kvadr = p.kvadr;
    d = p.d;
    druh_funkce = p.druh_funkce;
    pocet_delniku = p.pocet_delniku;
    velikost_prace = p.velikost_prace;
    prideleni.kvadr = kvadr;
    prideleni.velikost_prace = velikost_prace;
}

static void pri_preruseni(int signal) { prerusen = signal; }

// An interrupt is taken at the next wait, so that the workers can be stopped with the run.
static void zachytavej_preruseni()
{
    struct sigaction akce = {};
    akce.sa_handler = pri_preruseni;
    sigemptyset(&akce.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &akce, nullptr);
}

// Killed rather than stopped: a worker reads no stop while it computes its slab.
static void zabij_delniky()
{
    printf("Hlavni %d: Prerusen signalem %d, ukoncuji delniky\n", mytid, (int)prerusen);
    for (const Delnik &delnik : prideleni.delnici)
        if (delnik.stav != ZTRACEN && delnik.stav != ZASTAVEN)
            pvm_kill(delnik.tid);
}

// From the first spawn to the last stopped reply; false when the run had to be given up.
static bool probehni()
{
    if (!spust_delniky())
        return false;
    hlidej_delniky();
    posli_ohlaseni(delnici, pocet_delniku);
    if (!cekej_na_vsechny(SPUSTEN, ZNACKA_PRIPRAVEN, PRIPRAVEN,
                          "Hlavni %d: Delnik cislo %d k praci pripraven\n"))
        return false;
    for (const Delnik &delnik : prideleni.delnici)
        if (delnik.stav == PRIPRAVEN)
            pridel_praci(delnik.tid);
    printf("Hlavni %d: Spoustim smycku zprav\n", mytid);
    if (!smycka_zprav())
        return false;
    printf("Hlavni %d: Ukoncuji smycku zprav\n", mytid);
    return ukonci_delniky();
}

static int spocitej()
{
    if (!prihlas_se("Hlavni"))
        return 1;
    printf("Hlavni %d: Prihlasen do PVM\n", mytid);
    bool hotovo = probehni();
    if (prerusen)
        zabij_delniky();
    pvm_exit();
    if (!hotovo)
        return 1;
    printf("Hlavni %d: Koncim s behem\n", mytid);
    printf("%s", CARA_KRATKA);
    printf("Hmotnost kvadru: %6.10f\n", celkova_hmotnost(prideleni));
    printf("%s", CARA_KRATKA);
    return 0;
}

// The whole program after the log is emptied; returns its exit status.
static int spust(int argc, char *argv[])
{
    if (argc != 8) {
        vypis_hlavicku();
        vypis_pouziti();
        return 1;
    }
    ParametryBehu p;
    std::string chyba;
    if (!nacti_parametry(argv + 1, p, chyba)) {
        fprintf(stderr, "%s\n", chyba.c_str());
        return 1;
    }
    prevezmi_parametry(p);
    vypis_hlavicku();
    vypis_zpravu();
    zachytavej_preruseni();
    return spocitej();
}

// An interrupted run ends as the signal would have ended it.
static void skonci_signalem()
{
    fflush(stdout);
    signal(prerusen, SIG_DFL);
    raise(prerusen);
}

int main(int argc, char *argv[])
{
    hlidej_standardni_proudy();
    // Progress lines are meant to be seen as they happen, also through a pipe or in a file.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    if (!log_start())
        return 1;
    int status = spust(argc, argv);
    if (prerusen)
        skonci_signalem();
    if (!vystup_zapsan()) {
        fprintf(stderr, "Hlavni: Zpravu o behu nelze zapsat na standardni vystup.\n");
        return 1;
    }
    return status;
}

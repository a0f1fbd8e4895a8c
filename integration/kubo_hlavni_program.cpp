// SPDX-License-Identifier: MIT
// kubo-main below its main: the banner, the report of the parameters, joining PVM, the run,
// its last lines, and the end an interrupt or a lost standard output gives it.
#include "integration/kubo_hlavni_program.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "common/standardni_proudy.h"
#include "integration/kubo_hlavni.h"
#include "integration/kubo_log.h"
#include "integration/kubo_prace.h"
#include "integration/kubo_presnost.h"
#include "integration/kubo_zpravy.h"

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

static void vypis_zpravu(const ParametryBehu &p)
{
    printf("%s", CARA_DLOUHA);
    printf("Rozmery kvadry <x, y, z>: %6.2f %6.2f %6.2f\n", p.kvadr.x, p.kvadr.y, p.kvadr.z);
    printf("Integracni krok: %6.8f\n", p.d);
    printf("Druh funkce: ");
    if (p.druh_funkce == 1)
        printf("ro(x, y, z) = 1\n");
    else if (p.druh_funkce == 2)
        printf("ro(x, y, z) = x\n");
    else if (p.druh_funkce == 3)
        printf("ro(x, y, z) = x + y + z\n");
    printf("Pocet delniku: %d\n", p.pocet_delniku);
    printf("Rozsah pridelovane prace: %d%%\n", p.velikost_prace);
    printf("%s", CARA_DLOUHA);
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

// Kills the workers that may still be computing, as they read no stop while they compute a
// slab; a kill that fails is told on kam.
static void zabij_delniky(const BehHlavniho &beh, FILE *kam)
{
    std::string chyba;
    if (!zabij_pracujici(beh, &chyba))
        fprintf(kam, "Hlavni %d: %s\n", beh.mytid, chyba.c_str());
}

// An interrupted run's workers are killed.
static void zabij_pri_preruseni(const BehHlavniho &beh)
{
    printf("Hlavni %d: Prerusen signalem %d, ukoncuji delniky\n", beh.mytid, (int)prerusen);
    zabij_delniky(beh, stdout);
}

// Joins PVM, runs and leaves it; the report's last lines and the exit status. A run given
// up is told on standard output, in the run's own lines.
static int spocitej(BehHlavniho &beh)
{
    std::string chyba;
    if (!prihlas_se(beh.pvm, &beh.mytid, &chyba)) {
        fprintf(stderr, "Hlavni: %s\n", chyba.c_str());
        return 1;
    }
    printf("Hlavni %d: Prihlasen do PVM\n", beh.mytid);
    bool hotovo = probehni(beh, &chyba);
    if (!chyba.empty())
        printf("Hlavni %d: %s\n", beh.mytid, chyba.c_str());
    if (prerusen)
        zabij_pri_preruseni(beh);
    else if (!hotovo && !vystup_zapsan())
        zabij_delniky(beh, stderr);  // nobody could read their total
    odhlas_z_pvm(beh.pvm);
    if (!hotovo)
        return 1;
    printf("Hlavni %d: Koncim s behem\n", beh.mytid);
    printf("%s", CARA_KRATKA);
    printf("Hmotnost kvadru: %6.10f\n", celkova_hmotnost(beh.prideleni));
    printf("%s", CARA_KRATKA);
    // What the report's total cannot show: a warning after it, the digits left as they are.
    for (const std::string &varovani :
         varovani_behu(beh.parametry, celkova_hmotnost(beh.prideleni)))
        fprintf(stderr, "%s\n", varovani.c_str());
    return 0;
}

// The whole program after the log is emptied; returns its exit status.
static int spust(Pvm &pvm, int argc, char *argv[])
{
    if (argc != 8) {
        vypis_hlavicku();
        vypis_pouziti();
        return 1;
    }
    BehHlavniho beh(pvm);
    beh.prerusen = &prerusen;
    // How far the run is, for a user who watches; standard output stays the report alone.
    beh.prubeh.kam = isatty(STDERR_FILENO) ? stderr : nullptr;
    std::string chyba;
    if (!nacti_parametry(argv + 1, beh.parametry, chyba)) {
        fprintf(stderr, "%s\n", chyba.c_str());
        return 1;
    }
    vypis_hlavicku();
    vypis_zpravu(beh.parametry);
    zachytavej_preruseni();
    return spocitej(beh);
}

// An interrupted run ends as the signal would have ended it.
static void skonci_signalem()
{
    fflush(stdout);
    signal(prerusen, SIG_DFL);
    raise(prerusen);
}

int zij_jako_hlavni(Pvm &pvm, int argc, char *argv[])
{
    hlidej_standardni_proudy();
    // Progress lines are meant to be seen as they happen, also through a pipe or in a file.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    if (!log_start())
        return 1;
    int status = spust(pvm, argc, argv);
    if (prerusen)
        skonci_signalem();
    if (!vystup_zapsan()) {
        fprintf(stderr, "Hlavni: Zpravu o behu nelze zapsat na standardni vystup.\n");
        return 1;
    }
    return status;
}

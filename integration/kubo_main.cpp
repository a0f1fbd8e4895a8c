// kubo-main: the mass of a cuboid by the midpoint rule, cut into slabs along x and computed
// by kubo-worker tasks of a PVM virtual machine, each given its next slab as soon as it
// returns the last one.
#include <pvm3.h>

#include <cstdio>
#include <string>

#include "kubo_prace.h"
#include "kubo_ro.h"

static Kvadr kvadr;
static double d;
static int druh_funkce;
static int velikost_prace;
static int zadana_prace;
static int pracujicich_workeru;

static int pocet_delniku;
static int delnici[MAX_DELNIKU];
static double hmotnost;

// Failed starts of one worker slot before the run is given up.
static const int POKUSU_NA_DELNIKA = 5;

static const char *const CARA_DLOUHA =
    "---------------------------------------------------------------\n";
static const char *const CARA_KRATKA = "--------------------------------------------\n";

static bool log_start()
{
    FILE *f = fopen("delnik.out", "w");
    if (f == nullptr || fclose(f) != 0) {
        fprintf(stderr, "Soubor 'delnik.out' pro zaznamy delniku nelze vytvorit.\n");
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

// Starts one worker into slot i, retrying a failed start a few times.
static bool spust_delnika(int i)
{
    for (int pokus = 0; pokus < POKUSU_NA_DELNIKA; pokus++) {
        int spusteno = pvm_spawn((char *)"kubo-worker.exe", nullptr, PvmTaskDefault, (char *)"",
                                 1, &delnici[i]);
        if (spusteno == 1) {
            printf("Hlavni %d: Vytvoren delnik %d.\n", mytid, delnici[i]);
            return true;
        }
        printf("Hlavni %d: Chyba pri vytvareni delnika. Cislo chyby %d\n", mytid,
               spusteno < 0 ? spusteno : delnici[i]);
    }
    printf("Hlavni %d: Delnika se nepodarilo vytvorit ani na %d pokusu, koncim.\n", mytid,
           POKUSU_NA_DELNIKA);
    return false;
}

static bool spust_delniky()
{
    for (int i = 0; i < pocet_delniku; i++)
        if (!spust_delnika(i)) {
            for (int j = 0; j < i; j++)
                pvm_kill(delnici[j]);
            return false;
        }
    return true;
}

static void posli_jednotku(int tid, const Jednotka &j)
{
    pvm_initsend(PvmDataDefault);
    for (double hodnota : {j.xod, j.yod, j.zod, j.xdo, j.ydo, j.zdo, d})
        pvm_pkdouble(&hodnota, 1, 1);
    pvm_pkint(&druh_funkce, 1, 1);
    pvm_send(tid, ZNACKA_PRACE);
}

static void pridel_praci(int tid)
{
    if (zadana_prace >= 100)
        return;
    printf("Hlavni %d: Prideluji praci delnikovi %d, prideleno %d%%\n", mytid, tid, zadana_prace);
    posli_jednotku(tid, dalsi_jednotka(kvadr, zadana_prace, velikost_prace));
    pracujicich_workeru++;
}

static void ohlas_se()
{
    pvm_initsend(PvmDataDefault);
    pvm_pkint(&mytid, 1, 1);
    pvm_mcast(delnici, pocet_delniku, ZNACKA_HLAVNI);
}

static void cekej_na_pripravenost()
{
    for (int i = 0; i < pocet_delniku; i++) {
        int tid;
        pvm_recv(-1, ZNACKA_PRIPRAVEN);
        pvm_upkint(&tid, 1, 1);
        printf("Hlavni %d: Delnik cislo %d k praci pripraven\n", mytid, tid);
    }
}

static void smycka_zprav()
{
    while (pracujicich_workeru > 0 || zadana_prace <= 99) {
        int tid;
        double dilci;
        pvm_recv(-1, ZNACKA_VYSLEDEK);
        pvm_upkint(&tid, 1, 1);
        pvm_upkdouble(&dilci, 1, 1);
        printf("Hlavni %d: Parcialni hmotnost z delnika %d: %6.10f\n", mytid, tid, dilci);
        hmotnost += dilci;
        pracujicich_workeru--;
        pridel_praci(tid);
    }
}

// The stop carries whatever the send buffer holds (the last unit): workers read nothing of it.
static void ukonci_delniky()
{
    printf("Hlavni %d: Ukoncuji delniky. Cekam na odezvu...\n", mytid);
    pvm_mcast(delnici, pocet_delniku, ZNACKA_KONEC);
    for (int i = 0; i < pocet_delniku; i++) {
        int tid;
        pvm_recv(-1, ZNACKA_KONEC);
        pvm_upkint(&tid, 1, 1);
        printf("Hlavni %d: Delnik cislo %d ukoncen\n", mytid, tid);
    }
}

static void prevezmi_parametry(const ParametryBehu &p)
{
    kvadr = p.kvadr;
    d = p.d;
    druh_funkce = p.druh_funkce;
    pocet_delniku = p.pocet_delniku;
    velikost_prace = p.velikost_prace;
}

static bool prihlas_se()
{
    // libpvm would print its own English complaint; ours says what to do.
    pvm_setopt(PvmAutoErr, 0);
    mytid = pvm_mytid();
    if (mytid < 0) {
        fprintf(stderr, "Hlavni: Nelze se spojit s PVM (bezi demon pvmd?), cislo chyby %d\n",
                mytid);
        return false;
    }
    printf("Hlavni %d: Prihlasen do PVM\n", mytid);
    return true;
}

static int spocitej()
{
    if (!prihlas_se())
        return 1;
    if (!spust_delniky()) {
        pvm_exit();
        return 1;
    }
    ohlas_se();
    cekej_na_pripravenost();
    for (int i = 0; i < pocet_delniku; i++)
        pridel_praci(delnici[i]);
    printf("Hlavni %d: Spoustim smycku zprav\n", mytid);
    smycka_zprav();
    printf("Hlavni %d: Ukoncuji smycku zprav\n", mytid);
    ukonci_delniky();
    pvm_exit();
    printf("Hlavni %d: Koncim s behem\n", mytid);
    printf("%s", CARA_KRATKA);
    printf("Hmotnost kvadru: %6.10f\n", hmotnost);
    printf("%s", CARA_KRATKA);
    return 0;
}

int main(int argc, char *argv[])
{
    if (!log_start())
        return 1;
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
    fflush(stdout);
    return spocitej();
}

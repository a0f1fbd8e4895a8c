// SPDX-License-Identifier: MIT
// The messages between kubo-main and its kubo-worker tasks, packed and unpacked, and the
// pair's other PVM calls.
#include "integration/kubo_zpravy.h"

#include <pvm3.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "integration/kubo_prace.h"

bool prihlas_se(Pvm &pvm, int *mytid, std::string *chyba)
{
    *mytid = prihlas_do_pvm(pvm);
    if (*mytid >= 0)
        return true;
    *chyba = text_neprihlaseni(*mytid);
    return false;
}

const char *const PROGRAM_DELNIKA = "kubo-worker.exe";

const char *const PROMENNA_SLOZKY_LOGU = "KUBO_SLOZKA_LOGU";

bool predej_slozku_logu(Pvm &pvm)
{
    char slozka[PATH_MAX];
    if (getcwd(slozka, sizeof slozka) == nullptr || setenv(PROMENNA_SLOZKY_LOGU, slozka, 1) != 0)
        return false;
    return pvm.exportuj(PROMENNA_SLOZKY_LOGU) >= 0;
}

bool prejdi_do_slozky_logu()
{
    const char *slozka = getenv(PROMENNA_SLOZKY_LOGU);
    return slozka != nullptr && slozka[0] == '/' && chdir(slozka) == 0;
}

int spust_delnika(Pvm &pvm) { return spust_ulohu(pvm, PROGRAM_DELNIKA, {}); }

bool hlidej_delniky(Pvm &pvm, const std::vector<int> &delnici, std::string *chyba)
{
    return hlidej_konec_uloh(pvm, delnici, chyba) && hlidej_hostitele_uloh(pvm, delnici, chyba);
}

bool posli_ohlaseni(Pvm &pvm, int hlavni, const std::vector<int> &delnici, std::string *chyba)
{
    return zacni_zpravu(pvm, chyba) && zabal(pvm, &hlavni, 1, chyba) &&
           rozesli(pvm, delnici, ZNACKA_HLAVNI, chyba);
}

bool posli_jednotku(Pvm &pvm, int tid, const Jednotka &j, double d, int druh_funkce,
                    std::string *chyba)
{
    const double hodnoty[] = {j.xod, j.yod, j.zod, j.xdo, j.ydo, j.zdo, d};
    return zacni_zpravu(pvm, chyba) && zabal(pvm, hodnoty, 7, chyba) &&
           zabal(pvm, &druh_funkce, 1, chyba) && posli(pvm, tid, ZNACKA_PRACE, chyba);
}

bool posli_konec(Pvm &pvm, const std::vector<int> &delnici, std::string *chyba)
{
    return zacni_zpravu(pvm, chyba) && rozesli(pvm, delnici, ZNACKA_KONEC, chyba);
}

bool prijmi_ohlaseni(Pvm &pvm, int *hlavni, std::string *chyba)
{
    int znacka, odesilatel;
    int zprava = pvm.prijmi(-1, ZNACKA_HLAVNI, -1, &znacka, &odesilatel);
    if (zprava < 0) {
        *chyba = chyba_volani("pvm_recv", zprava);
        return false;
    }
    return rozbal(pvm, hlavni, 1, chyba);
}

bool hlidej_hlavniho(Pvm &pvm, int hlavni, std::string *chyba)
{
    return hlidej_konec_uloh(pvm, {hlavni}, chyba);
}

int prijmi_konec_hlavniho(Pvm &pvm)
{
    int znacka, odesilatel;
    return pvm.prijmi(-1, ZNACKA_KONEC_ULOHY, 0, &znacka, &odesilatel);
}

bool posli_pripraven(Pvm &pvm, int hlavni, int mytid, std::string *chyba)
{
    return zacni_zpravu(pvm, chyba) && zabal(pvm, &mytid, 1, chyba) &&
           posli(pvm, hlavni, ZNACKA_PRIPRAVEN, chyba);
}

bool posli_vysledek(Pvm &pvm, int hlavni, int mytid, double dilci, std::string *chyba)
{
    return zacni_zpravu(pvm, chyba) && zabal(pvm, &mytid, 1, chyba) &&
           zabal(pvm, &dilci, 1, chyba) && posli(pvm, hlavni, ZNACKA_VYSLEDEK, chyba);
}

bool posli_zastaven(Pvm &pvm, int hlavni, int mytid, std::string *chyba)
{
    // No new buffer: the current one already begins with this worker's identifier (its last
    // result or its ready message), and the master reads only that first item.
    return zabal(pvm, &mytid, 1, chyba) && posli(pvm, hlavni, ZNACKA_KONEC, chyba);
}

bool rozbal_tid(Pvm &pvm, int *tid, std::string *chyba) { return rozbal(pvm, tid, 1, chyba); }

bool rozbal_jednotku(Pvm &pvm, Jednotka *j, double *d, int *druh_funkce, std::string *chyba)
{
    double hodnoty[7];
    if (!rozbal(pvm, hodnoty, 7, chyba) || !rozbal(pvm, druh_funkce, 1, chyba))
        return false;
    *j = Jednotka{hodnoty[0], hodnoty[1], hodnoty[2], hodnoty[3], hodnoty[4], hodnoty[5]};
    *d = hodnoty[6];
    return true;
}

bool rozbal_vysledek(Pvm &pvm, int *tid, double *dilci, std::string *chyba)
{
    return rozbal_tid(pvm, tid, chyba) && rozbal(pvm, dilci, 1, chyba);
}

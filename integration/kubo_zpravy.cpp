// SPDX-License-Identifier: MIT
// The messages between kubo-main and its kubo-worker tasks, packed and unpacked, and the
// pair's other PVM calls.
#include "kubo_zpravy.h"

#include <pvm3.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "pvm_napoveda.h"

bool prihlas_se(int *mytid, std::string *chyba)
{
    *mytid = prihlas_do_pvm();
    if (*mytid >= 0)
        return true;
    *chyba = naformatuj("Nelze se spojit s PVM (bezi demon pvmd?), cislo chyby %d", *mytid);
    return false;
}

const char *const PROGRAM_DELNIKA = "kubo-worker.exe";

const char *const PROMENNA_SLOZKY_LOGU = "KUBO_SLOZKA_LOGU";

bool predej_slozku_logu()
{
    char slozka[PATH_MAX];
    if (getcwd(slozka, sizeof slozka) == nullptr || setenv(PROMENNA_SLOZKY_LOGU, slozka, 1) != 0)
        return false;
    return pvm_export(const_cast<char *>(PROMENNA_SLOZKY_LOGU)) >= 0;
}

bool prejdi_do_slozky_logu()
{
    const char *slozka = getenv(PROMENNA_SLOZKY_LOGU);
    return slozka != nullptr && slozka[0] == '/' && chdir(slozka) == 0;
}

int spust_delnika() { return spust_ulohu(PROGRAM_DELNIKA, {}); }

bool delnik_nenalezen(int kod) { return kod == PvmNoFile; }

std::vector<std::string> napoveda_k_delnikovi(int mytid)
{
    return napoveda_nenalezeneho_programu(PROGRAM_DELNIKA, architektura_hostitele(mytid));
}

bool hlidej_delniky(const std::vector<int> &delnici, std::string *chyba)
{
    return hlidej_konec_uloh(delnici, chyba) && hlidej_hostitele_uloh(delnici, chyba);
}

bool posli_ohlaseni(int hlavni, const std::vector<int> &delnici, std::string *chyba)
{
    return zacni_zpravu(chyba) && zabal(&hlavni, 1, chyba) &&
           rozesli(delnici, ZNACKA_HLAVNI, chyba);
}

bool posli_jednotku(int tid, const Jednotka &j, double d, int druh_funkce, std::string *chyba)
{
    const double hodnoty[] = {j.xod, j.yod, j.zod, j.xdo, j.ydo, j.zdo, d};
    return zacni_zpravu(chyba) && zabal(hodnoty, 7, chyba) && zabal(&druh_funkce, 1, chyba) &&
           posli(tid, ZNACKA_PRACE, chyba);
}

bool posli_konec(const std::vector<int> &delnici, std::string *chyba)
{
    return zacni_zpravu(chyba) && rozesli(delnici, ZNACKA_KONEC, chyba);
}

bool prijmi_ohlaseni(int *hlavni, std::string *chyba)
{
    int zprava = pvm_recv(-1, ZNACKA_HLAVNI);
    if (zprava < 0) {
        *chyba = chyba_volani("pvm_recv", zprava);
        return false;
    }
    return rozbal(hlavni, 1, chyba);
}

bool hlidej_hlavniho(int hlavni, std::string *chyba) { return hlidej_konec_uloh({hlavni}, chyba); }

// A failed probe means no daemon to probe: the master is as good as gone.
bool hlavni_skoncil() { return pvm_probe(-1, ZNACKA_KONEC_ULOHY) != 0; }

bool posli_pripraven(int hlavni, int mytid, std::string *chyba)
{
    return zacni_zpravu(chyba) && zabal(&mytid, 1, chyba) &&
           posli(hlavni, ZNACKA_PRIPRAVEN, chyba);
}

bool posli_vysledek(int hlavni, int mytid, double dilci, std::string *chyba)
{
    return zacni_zpravu(chyba) && zabal(&mytid, 1, chyba) && zabal(&dilci, 1, chyba) &&
           posli(hlavni, ZNACKA_VYSLEDEK, chyba);
}

bool posli_zastaven(int hlavni, int mytid, std::string *chyba)
{
    // No new buffer: the current one already begins with this worker's identifier (its last
    // result or its ready message), and the master reads only that first item.
    return zabal(&mytid, 1, chyba) && posli(hlavni, ZNACKA_KONEC, chyba);
}

bool rozbal_tid(int *tid, std::string *chyba) { return rozbal(tid, 1, chyba); }

bool rozbal_jednotku(Jednotka *j, double *d, int *druh_funkce, std::string *chyba)
{
    double hodnoty[7];
    if (!rozbal(hodnoty, 7, chyba) || !rozbal(druh_funkce, 1, chyba))
        return false;
    *j = Jednotka{hodnoty[0], hodnoty[1], hodnoty[2], hodnoty[3], hodnoty[4], hodnoty[5]};
    *d = hodnoty[6];
    return true;
}

bool rozbal_vysledek(int *tid, double *dilci, std::string *chyba)
{
    return rozbal_tid(tid, chyba) && rozbal(dilci, 1, chyba);
}

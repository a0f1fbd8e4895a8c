// SPDX-License-Identifier: MIT
// The messages between kubo-main and its kubo-worker tasks, packed and unpacked.
#include "kubo_zpravy.h"

#include <pvm3.h>
#include <sys/time.h>

#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "kubo_ro.h"

bool prihlas_se(const char *role)
{
    // Failures are told by the programs, in Czech, rather than by libpvm's automatic messages.
    pvm_setopt(PvmAutoErr, 0);
    mytid = pvm_mytid();
    if (mytid < 0) {
        fprintf(stderr, "%s: Nelze se spojit s PVM (bezi demon pvmd?), cislo chyby %d\n", role,
                mytid);
        return false;
    }
    return true;
}

int prijmi_zpravu(double lhuta_s, int &znacka, int &odesilatel)
{
    int zprava;
    if (lhuta_s < 0) {
        zprava = pvm_recv(-1, -1);
    } else {
        timeval lhuta;
        lhuta.tv_sec = (time_t)lhuta_s;
        lhuta.tv_usec = (suseconds_t)((lhuta_s - std::floor(lhuta_s)) * 1e6);
        zprava = pvm_trecv(-1, -1, &lhuta);
    }
    if (zprava > 0) {
        int bytes;
        pvm_bufinfo(zprava, &bytes, &znacka, &odesilatel);
    }
    return zprava;
}

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

void posli_ohlaseni(const int *delnici, int pocet)
{
    pvm_initsend(PvmDataDefault);
    pvm_pkint(&mytid, 1, 1);
    pvm_mcast(const_cast<int *>(delnici), pocet, ZNACKA_HLAVNI);
}

void posli_jednotku(int tid, const Jednotka &j, double d, int druh_funkce)
{
    pvm_initsend(PvmDataDefault);
    for (double hodnota : {j.xod, j.yod, j.zod, j.xdo, j.ydo, j.zdo, d})
        pvm_pkdouble(&hodnota, 1, 1);
    pvm_pkint(&druh_funkce, 1, 1);
    pvm_send(tid, ZNACKA_PRACE);
}

void posli_konec(const int *delnici, int pocet)
{
    pvm_initsend(PvmDataDefault);
    pvm_mcast(const_cast<int *>(delnici), pocet, ZNACKA_KONEC);
}

int prijmi_ohlaseni()
{
    pvm_recv(-1, ZNACKA_HLAVNI);
    return rozbal_tid();
}

void posli_pripraven(int chief_tid)
{
    pvm_initsend(PvmDataDefault);
    pvm_pkint(&mytid, 1, 1);
    pvm_send(chief_tid, ZNACKA_PRIPRAVEN);
}

void posli_vysledek(int chief_tid, double dilci)
{
    pvm_initsend(PvmDataDefault);
    pvm_pkint(&mytid, 1, 1);
    pvm_pkdouble(&dilci, 1, 1);
    pvm_send(chief_tid, ZNACKA_VYSLEDEK);
}

void posli_zastaven(int chief_tid)
{
    // No new buffer: the current one already begins with this worker's identifier (its last
    // result or its ready message), and the master reads only that first item.
    pvm_pkint(&mytid, 1, 1);
    pvm_send(chief_tid, ZNACKA_KONEC);
}

int rozbal_tid()
{
    int tid = 0;
    pvm_upkint(&tid, 1, 1);
    return tid;
}

void rozbal_jednotku(Jednotka &j, double &d, int &druh_funkce)
{
    for (double *hodnota : {&j.xod, &j.yod, &j.zod, &j.xdo, &j.ydo, &j.zdo, &d})
        pvm_upkdouble(hodnota, 1, 1);
    pvm_upkint(&druh_funkce, 1, 1);
}

void rozbal_vysledek(int &tid, double &dilci)
{
    tid = rozbal_tid();
    pvm_upkdouble(&dilci, 1, 1);
}

// SPDX-License-Identifier: MIT
// The PVM edge the programs share: join, leave, notices, one spawn, checked sends and packs.
#include "pvm_spojeni.h"

#include <fcntl.h>
#include <pvm3.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string chyba_volani(const char *volani, int kod)
{
    return std::string(volani) + " selhalo (cislo chyby " + std::to_string(kod) + ")";
}

// True for a PVM result that is no error; else the call's text in *chyba.
static bool uspech(int vysledek, const char *volani, std::string *chyba)
{
    if (vysledek >= 0)
        return true;
    if (chyba != nullptr)
        *chyba = chyba_volani(volani, vysledek);
    return false;
}

int odklon_hlaseni_libpvm()
{
    fflush(stderr);
    int nic = open("/dev/null", O_WRONLY | O_CLOEXEC);
    int puvodni = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    bool odkloneno = nic >= 0 && puvodni >= 0 && dup2(nic, STDERR_FILENO) == STDERR_FILENO;
    if (nic >= 0)
        close(nic);
    if (!odkloneno && puvodni >= 0) {
        close(puvodni);
        puvodni = -1;
    }
    return puvodni;
}

// libpvm tells each failed try to reach a daemon on standard error itself (three lines for one
// join), while the programs tell the failure once, in their own words; the call's result
// says all they need.
template <typename Volani> static int bez_hlaseni_libpvm(Volani volani)
{
    int puvodni = odklon_hlaseni_libpvm();
    int vysledek = volani();
    if (puvodni >= 0) {
        dup2(puvodni, STDERR_FILENO);
        close(puvodni);
    }
    return vysledek;
}

int prihlas_do_pvm()
{
    pvm_setopt(PvmAutoErr, 0);
    return bez_hlaseni_libpvm(pvm_mytid);
}

void odhlas_z_pvm() { bez_hlaseni_libpvm(pvm_exit); }

int spust_ulohu(const std::string &program, const std::vector<std::string> &argumenty)
{
    // PVM takes a NULL-terminated array of writable strings, but does not write them.
    std::vector<char *> argv;
    for (const std::string &argument : argumenty)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    int tid = 0;
    int spusteno = pvm_spawn(const_cast<char *>(program.c_str()),
                             argumenty.empty() ? nullptr : argv.data(), PvmTaskDefault,
                             const_cast<char *>(""), 1, &tid);
    if (spusteno == 1)
        return tid;
    // Nothing started: the reason is the call's error, or the code left in the slot.
    return spusteno < 0 ? spusteno : (tid < 0 ? tid : PvmSysErr);
}

int rodic_ulohy() { return pvm_parent(); }

bool zjisti_hostitele(int tid, int *hostitel, std::string *chyba)
{
    *hostitel = pvm_tidtohost(tid);
    return uspech(*hostitel, "pvm_tidtohost", chyba);
}

bool zabij_ulohy(const std::vector<int> &ulohy, std::string *chyba)
{
    bool vsechny = true;
    for (int uloha : ulohy)
        vsechny = uspech(pvm_kill(uloha), "pvm_kill", vsechny ? chyba : nullptr) && vsechny;
    return vsechny;
}

bool hlidej_konec_uloh(const std::vector<int> &ulohy, std::string *chyba)
{
    if (ulohy.empty())
        return true;
    return uspech(pvm_notify(PvmTaskExit, ZNACKA_KONEC_ULOHY, static_cast<int>(ulohy.size()),
                             const_cast<int *>(ulohy.data())),
                  "pvm_notify", chyba);
}

bool hlidej_hostitele_uloh(const std::vector<int> &ulohy, std::string *chyba)
{
    std::vector<int> hostitele;
    for (int uloha : ulohy) {
        int hostitel = 0;
        if (!zjisti_hostitele(uloha, &hostitel, chyba))
            return false;
        if (std::find(hostitele.begin(), hostitele.end(), hostitel) == hostitele.end())
            hostitele.push_back(hostitel);
    }
    if (hostitele.empty())
        return true;
    return uspech(pvm_notify(PvmHostDelete, ZNACKA_KONEC_HOSTITELE,
                             static_cast<int>(hostitele.size()), hostitele.data()),
                  "pvm_notify", chyba);
}

bool zacni_zpravu(std::string *chyba) { return zacni_zpravu(PvmDataDefault, chyba); }

bool zacni_zpravu(int kodovani, std::string *chyba)
{
    return uspech(pvm_initsend(kodovani), "pvm_initsend", chyba);
}

bool zabal(const int *hodnoty, int n, std::string *chyba)
{
    return uspech(pvm_pkint(const_cast<int *>(hodnoty), n, 1), "pvm_pkint", chyba);
}

bool zabal(const double *hodnoty, int n, std::string *chyba)
{
    return uspech(pvm_pkdouble(const_cast<double *>(hodnoty), n, 1), "pvm_pkdouble", chyba);
}

bool posli(int uloha, int znacka, std::string *chyba)
{
    return uspech(pvm_send(uloha, znacka), "pvm_send", chyba);
}

bool rozesli(const std::vector<int> &ulohy, int znacka, std::string *chyba)
{
    if (ulohy.empty())
        return true;
    return uspech(pvm_mcast(const_cast<int *>(ulohy.data()), static_cast<int>(ulohy.size()),
                            znacka),
                  "pvm_mcast", chyba);
}

bool rozbal(int *hodnoty, int n, std::string *chyba)
{
    return uspech(pvm_upkint(hodnoty, n, 1), "pvm_upkint", chyba);
}

bool rozbal(double *hodnoty, int n, std::string *chyba)
{
    return uspech(pvm_upkdouble(hodnoty, n, 1), "pvm_upkdouble", chyba);
}

int prijmi_zpravu(double lhuta_s, int &znacka, int &odesilatel)
{
    int zprava;
    if (lhuta_s < 0) {
        zprava = pvm_recv(-1, -1);
    } else {
        timeval lhuta;
        lhuta.tv_sec = static_cast<time_t>(lhuta_s);
        lhuta.tv_usec = static_cast<suseconds_t>((lhuta_s - std::floor(lhuta_s)) * 1e6);
        zprava = pvm_trecv(-1, -1, &lhuta);
    }
    if (zprava > 0) {
        int delka = 0;
        if (pvm_bufinfo(zprava, &delka, &znacka, &odesilatel) < 0)
            return PvmSysErr;
    }
    return zprava;
}

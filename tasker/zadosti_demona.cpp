// SPDX-License-Identifier: MIT
// The tasker's talk with its PVM daemon: registration, start requests, ends of tasks.
#include "tasker/zadosti_demona.h"

#include <pvm3.h>
#include <pvmproto.h>

#include <cstdio>

#include "common/pvm_spojeni.h"

namespace {

// The last PVM call made and its result, so that a chain of calls can name the one that failed.
struct Volani_pvm {
    const char *jmeno = "";
    int kod = 0;
};

bool proved(Volani_pvm &volani, int kod, const char *jmeno)
{
    volani.jmeno = jmeno;
    volani.kod = kod;
    return kod >= 0;
}

std::string popis(const Volani_pvm &volani, const char *vyznam)
{
    return std::string(volani.jmeno) + ": " + std::to_string(volani.kod) + vyznam;
}

// A string of a message is no longer than the message, so misto, of its length, holds any.
bool vybal_retezec(Volani_pvm &volani, std::vector<char> &misto, std::string &retezec)
{
    if (!proved(volani, pvm_upkstr(misto.data()), "pvm_upkstr"))
        return false;
    retezec = misto.data();
    return true;
}

// A count and then as many strings.
bool vybal_retezce(Volani_pvm &volani, std::vector<char> &misto, std::vector<std::string> &retezce)
{
    int pocet = 0;
    if (!proved(volani, pvm_upkint(&pocet, 1, 1), "pvm_upkint"))
        return false;
    for (int i = 0; i < pocet; i++) {
        retezce.emplace_back();
        if (!vybal_retezec(volani, misto, retezce.back()))
            return false;
    }
    return true;
}

// The request is: tid, flags, path, argc, argv[argc], nenv, env[nenv].
bool vybal_zadost(Volani_pvm &volani, Zadost_o_start &zadost)
{
    int delka = 0, znacka = 0, odesilatel = 0, priznaky = 0;
    if (!proved(volani, pvm_bufinfo(pvm_getrbuf(), &delka, &znacka, &odesilatel), "pvm_bufinfo"))
        return false;
    std::vector<char> misto((size_t)delka + 1);
    return proved(volani, pvm_upkint(&zadost.tid, 1, 1), "pvm_upkint") &&
           proved(volani, pvm_upkint(&priznaky, 1, 1), "pvm_upkint") &&
           vybal_retezec(volani, misto, zadost.cesta) &&
           vybal_retezce(volani, misto, zadost.argumenty) &&
           vybal_retezce(volani, misto, zadost.prostredi);
}

}  // namespace

bool prihlas_jako_tasker(std::string *chyba)
{
    int mytid = prihlas_do_pvm(pvm_demona());
    if (mytid < 0) {
        *chyba = "no PVM daemon (pvm_mytid: " + std::to_string(mytid) + ")";
        return false;
    }
    Volani_pvm volani;
    if (proved(volani, pvm_setopt(PvmResvTids, 1), "pvm_setopt") &&
        proved(volani, pvm_reg_tasker(), "pvm_reg_tasker"))
        return true;
    *chyba = popis(volani, "");
    odhlas_z_pvm(pvm_demona());
    return false;
}

int deskriptor_demona(const Demon &demon)
{
    int *deskriptory = nullptr;
    return demon.bezi && pvm_getfds(&deskriptory) > 0 ? deskriptory[0] : -1;
}

bool je_zadost_o_start(int znacka) { return znacka == SM_STTASK; }

bool vybal_zadost_o_start(Demon &demon, Zadost_o_start &zadost, std::string *chyba)
{
    Volani_pvm volani;
    if (vybal_zadost(volani, zadost))
        return true;
    demon.selhalo = true;
    *chyba = popis(volani, "; a start request of the daemon could not be read");
    return false;
}

bool ohlas_konec_ulohy(Demon &demon, int tid, int status, const rusage &cas, std::string *chyba)
{
    if (!demon.bezi || demon.tid == 0)
        return true;
    int hodnoty[6] = {tid, status, (int)cas.ru_utime.tv_sec, (int)cas.ru_utime.tv_usec,
                      (int)cas.ru_stime.tv_sec, (int)cas.ru_stime.tv_usec};
    Volani_pvm volani;
    if (proved(volani, pvm_initsend(PvmDataDefault), "pvm_initsend") &&
        proved(volani, pvm_pkint(hodnoty, 6, 1), "pvm_pkint") &&
        proved(volani, pvm_send(demon.tid, SM_TASKX), "pvm_send"))
        return true;
    // PVM's word for a daemon it has lost.
    if (volani.kod == PvmSysErr) {
        demon.bezi = false;
        return true;
    }
    demon.selhalo = true;
    char uloha[80];
    snprintf(uloha, sizeof uloha, "; the daemon was not told that task t%x ended", (unsigned)tid);
    *chyba = popis(volani, uloha);
    return false;
}

bool ohlas_nespusteni(Demon &demon, int tid, std::string *chyba)
{
    // The status of a program that could not be run, as a shell reports it.
    const int nespusteno = 127 << 8;
    std::string chyba_ohlaseni;
    if (tid != 0 && !ohlas_konec_ulohy(demon, tid, nespusteno, rusage{}, &chyba_ohlaseni))
        *chyba += "; " + chyba_ohlaseni;
    return false;
}

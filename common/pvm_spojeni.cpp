// SPDX-License-Identifier: MIT
// The PVM edge the programs share: join, leave, notices, one spawn, checked sends and packs,
// each through the back end it is handed.
#include "common/pvm_spojeni.h"

#include <pvm3.h>

#include <algorithm>

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

int prihlas_do_pvm(Pvm &pvm) { return pvm.prihlas(); }

void odhlas_z_pvm(Pvm &pvm) { pvm.odhlas(); }

int spust_ulohu(Pvm &pvm, const std::string &program, const std::vector<std::string> &argumenty)
{
    int tid = 0;
    int spusteno = pvm.spust(program, argumenty, &tid);
    if (spusteno == 1)
        return tid;
    // Nothing started: the reason is the call's error, or the code left in the slot.
    return spusteno < 0 ? spusteno : (tid < 0 ? tid : PvmSysErr);
}

int rodic_ulohy(Pvm &pvm) { return pvm.rodic(); }

bool zjisti_hostitele(Pvm &pvm, int tid, int *hostitel, std::string *chyba)
{
    *hostitel = pvm.hostitel(tid);
    return uspech(*hostitel, "pvm_tidtohost", chyba);
}

bool zabij_ulohy(Pvm &pvm, const std::vector<int> &ulohy, std::string *chyba)
{
    bool vsechny = true;
    for (int uloha : ulohy)
        vsechny = uspech(pvm.zabij(uloha), "pvm_kill", vsechny ? chyba : nullptr) && vsechny;
    return vsechny;
}

bool hlidej_konec_uloh(Pvm &pvm, const std::vector<int> &ulohy, std::string *chyba)
{
    if (ulohy.empty())
        return true;
    return uspech(pvm.hlidej(PvmTaskExit, ZNACKA_KONEC_ULOHY, ulohy), "pvm_notify", chyba);
}

bool hlidej_hostitele_uloh(Pvm &pvm, const std::vector<int> &ulohy, std::string *chyba)
{
    std::vector<int> hostitele;
    for (int uloha : ulohy) {
        int hostitel = 0;
        if (!zjisti_hostitele(pvm, uloha, &hostitel, chyba))
            return false;
        if (std::find(hostitele.begin(), hostitele.end(), hostitel) == hostitele.end())
            hostitele.push_back(hostitel);
    }
    if (hostitele.empty())
        return true;
    return uspech(pvm.hlidej(PvmHostDelete, ZNACKA_KONEC_HOSTITELE, hostitele), "pvm_notify",
                  chyba);
}

bool rozbal_oznameni(Pvm &pvm, int znacka, int *kdo)
{
    if (znacka != ZNACKA_KONEC_ULOHY && znacka != ZNACKA_KONEC_HOSTITELE)
        return false;
    return rozbal(pvm, kdo, 1, nullptr);
}

bool oznameni_se_tyka(int znacka, int kdo, int tid, int hostitel)
{
    return znacka == ZNACKA_KONEC_ULOHY ? tid == kdo : hostitel == kdo;
}

std::string text_neprihlaseni(int kod)
{
    return "Nelze se spojit s PVM (pvm_mytid: " + std::to_string(kod) + "), bezi demon pvmd?";
}

bool program_nenalezen(int kod) { return kod == PvmNoFile; }

bool zacni_zpravu(Pvm &pvm, std::string *chyba) { return zacni_zpravu(pvm, PvmDataDefault, chyba); }

bool zacni_zpravu(Pvm &pvm, int kodovani, std::string *chyba)
{
    return uspech(pvm.zacni_zpravu(kodovani), "pvm_initsend", chyba);
}

bool zabal(Pvm &pvm, const int *hodnoty, int n, std::string *chyba)
{
    return uspech(pvm.zabal(hodnoty, n), "pvm_pkint", chyba);
}

bool zabal(Pvm &pvm, const double *hodnoty, int n, std::string *chyba)
{
    return uspech(pvm.zabal(hodnoty, n), "pvm_pkdouble", chyba);
}

bool posli(Pvm &pvm, int uloha, int znacka, std::string *chyba)
{
    return uspech(pvm.posli(uloha, znacka), "pvm_send", chyba);
}

bool rozesli(Pvm &pvm, const std::vector<int> &ulohy, int znacka, std::string *chyba)
{
    if (ulohy.empty())
        return true;
    return uspech(pvm.rozesli(ulohy, znacka), "pvm_mcast", chyba);
}

bool rozbal(Pvm &pvm, int *hodnoty, int n, std::string *chyba)
{
    return uspech(pvm.rozbal(hodnoty, n), "pvm_upkint", chyba);
}

bool rozbal(Pvm &pvm, double *hodnoty, int n, std::string *chyba)
{
    return uspech(pvm.rozbal(hodnoty, n), "pvm_upkdouble", chyba);
}

int prijmi_zpravu(Pvm &pvm, double lhuta_s, int &znacka, int &odesilatel)
{
    return pvm.prijmi(-1, -1, lhuta_s, &znacka, &odesilatel);
}

int prijmi_zpravu_dokud(Pvm &pvm, const std::function<bool()> &skoncit, int &znacka,
                        int &odesilatel)
{
    for (double lhuta = 0;; lhuta = LHUTA_PRERUSENI_S) {
        if (skoncit())
            return 0;
        int zprava = prijmi_zpravu(pvm, lhuta, znacka, odesilatel);
        if (zprava != 0)
            return zprava;
    }
}

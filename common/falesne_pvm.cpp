// SPDX-License-Identifier: MIT
// The scripted PVM of the unit tests.
#include "common/falesne_pvm.h"

#include <pvm3.h>

#include <utility>

Polozka cele(int i)
{
    Polozka p;
    p.i = i;
    return p;
}

Polozka realne(double d)
{
    Polozka p;
    p.cele = false;
    p.d = d;
    return p;
}

void FalesnePvm::doruc(int od, int znacka, std::vector<Polozka> polozky)
{
    prichozi.push_back(FalesnaZprava{od, mytid, znacka, std::move(polozky)});
}

void FalesnePvm::oznam_konec_ulohy(int tid) { doruc(TID_DEMONA, ZNACKA_KONEC_ULOHY, {cele(tid)}); }

void FalesnePvm::oznam_ztratu_hostitele(int hostitel)
{
    doruc(TID_DEMONA, ZNACKA_KONEC_HOSTITELE, {cele(hostitel)});
}

std::vector<FalesnaZprava> FalesnePvm::odeslane_se_znackou(int znacka) const
{
    std::vector<FalesnaZprava> vybrane;
    for (const FalesnaZprava &z : odeslane)
        if (z.znacka == znacka)
            vybrane.push_back(z);
    return vybrane;
}

int FalesnePvm::prihlas() { return mytid; }

int FalesnePvm::odhlas()
{
    odhlasen = true;
    return 0;
}

int FalesnePvm::rodic() { return rodic_tid; }

int FalesnePvm::hostitel(int tid)
{
    auto it = hostitele_uloh.find(tid);
    return it == hostitele_uloh.end() ? vychozi_hostitel : it->second;
}

std::string FalesnePvm::architektura(int) { return "LINUX64"; }

int FalesnePvm::formatu_dat() { return formatu; }

int FalesnePvm::spust(const std::string &program, const std::vector<std::string> &argumenty,
                      int *tid)
{
    if (!selhani_spusteni.empty()) {
        *tid = selhani_spusteni.front();
        selhani_spusteni.pop_front();
        return 0;
    }
    spustene.emplace_back(program, argumenty);
    *tid = dalsi_tid++;
    return 1;
}

int FalesnePvm::zabij(int tid)
{
    zabite.push_back(tid);
    return nezabitelne.count(tid) ? PvmNoTask : 0;
}

int FalesnePvm::hlidej(int udalost, int, const std::vector<int> &koho)
{
    hlidane.emplace_back(udalost, koho);
    return 0;
}

int FalesnePvm::exportuj(const char *promenna)
{
    exportovane.emplace_back(promenna);
    return 0;
}

int FalesnePvm::zacni_zpravu(int)
{
    posilana_.clear();
    return 1;
}

int FalesnePvm::zabal(const int *hodnoty, int n)
{
    for (int k = 0; k < n; k++)
        posilana_.push_back(cele(hodnoty[k]));
    return 0;
}

int FalesnePvm::zabal(const double *hodnoty, int n)
{
    for (int k = 0; k < n; k++)
        posilana_.push_back(realne(hodnoty[k]));
    return 0;
}

// Records the send buffer as one message to uloha and lets the script answer it.
int FalesnePvm::odesli(int uloha, int znacka)
{
    if (selhani_odeslani != 0)
        return std::exchange(selhani_odeslani, 0);
    FalesnaZprava zprava{mytid, uloha, znacka, posilana_};
    odeslane.push_back(zprava);
    if (pri_odeslani)
        pri_odeslani(*this, zprava);
    return 0;
}

int FalesnePvm::posli(int uloha, int znacka) { return odesli(uloha, znacka); }

int FalesnePvm::rozesli(const std::vector<int> &ulohy, int znacka)
{
    for (int uloha : ulohy) {
        int vysledek = odesli(uloha, znacka);
        if (vysledek < 0)
            return vysledek;
    }
    return 0;
}

// Takes the first queued message that fits into prijata_.
bool FalesnePvm::najdi(int od, int znacka, int *prisla, int *odesilatel)
{
    for (auto it = prichozi.begin(); it != prichozi.end(); ++it) {
        if ((od != -1 && it->od != od) || (znacka != -1 && it->znacka != znacka))
            continue;
        prijata_ = *it;
        prichozi.erase(it);
        cteno_ = 0;
        *prisla = prijata_.znacka;
        *odesilatel = prijata_.od;
        return true;
    }
    return false;
}

int FalesnePvm::prijmi(int od, int znacka, double lhuta_s, int *prisla, int *odesilatel)
{
    if (prazdnych_cekani >= limit_cekani)
        return PvmSysErr;
    if (najdi(od, znacka, prisla, odesilatel))
        return ++cislo_zpravy_;
    prazdnych_cekani++;
    if (pri_cekani)
        pri_cekani(*this);
    if (najdi(od, znacka, prisla, odesilatel))
        return ++cislo_zpravy_;
    return lhuta_s < 0 ? PvmSysErr : 0;
}

int FalesnePvm::rozbal(int *hodnoty, int n)
{
    for (int k = 0; k < n; k++, cteno_++) {
        if (cteno_ >= prijata_.polozky.size() || !prijata_.polozky[cteno_].cele)
            return PvmNoData;
        hodnoty[k] = prijata_.polozky[cteno_].i;
    }
    return 0;
}

int FalesnePvm::rozbal(double *hodnoty, int n)
{
    for (int k = 0; k < n; k++, cteno_++) {
        if (cteno_ >= prijata_.polozky.size() || prijata_.polozky[cteno_].cele)
            return PvmNoData;
        hodnoty[k] = prijata_.polozky[cteno_].d;
    }
    return 0;
}

int FalesnePvm::zahod(int) { return 0; }

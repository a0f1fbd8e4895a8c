// SPDX-License-Identifier: MIT
// The master's book of workers and work units.
#include "integration/kubo_prideleni.h"

#include <algorithm>

Prideleni prideleni_planu(size_t jednotek)
{
    Prideleni p;
    p.jednotky.resize(jednotek);
    return p;
}

int najdi_delnika(const Prideleni &p, int tid)
{
    for (size_t i = 0; i < p.delnici.size(); i++)
        if (p.delnici[i].tid == tid)
            return (int)i;
    return -1;
}

int vydej_jednotku(Prideleni &p, int i)
{
    int cislo;
    if (!p.vracene.empty()) {
        cislo = p.vracene.front();
        p.vracene.pop_front();
    } else if (p.vydano < (int)p.jednotky.size()) {
        cislo = p.vydano++;
    } else {
        return -1;
    }
    p.delnici[i].stav = PRACUJE;
    p.delnici[i].jednotka = cislo;
    p.pracujicich_workeru++;
    return cislo;
}

bool prijmi_vysledek(Prideleni &p, int i, double dilci)
{
    Delnik &d = p.delnici[i];
    if (d.stav == PRACUJE) {
        d.stav = PRIPRAVEN;
        p.pracujicich_workeru--;
    }
    if (d.jednotka < 0 || p.jednotky[d.jednotka].zapocteno)
        return false;
    p.jednotky[d.jednotka].zapocteno = true;
    p.jednotky[d.jednotka].hmotnost = dilci;
    // A lost worker's result that came after all: its unit need not run again.
    p.vracene.erase(std::remove(p.vracene.begin(), p.vracene.end(), d.jednotka), p.vracene.end());
    return true;
}

int ztrat_delnika(Prideleni &p, int i)
{
    Delnik &d = p.delnici[i];
    if (d.stav == ZTRACEN || d.stav == ZASTAVEN)
        return -1;
    bool drzel = d.stav == PRACUJE;
    d.stav = ZTRACEN;
    if (!drzel)
        return -1;
    p.pracujicich_workeru--;
    if (p.jednotky[d.jednotka].zapocteno)
        return -1;
    p.vracene.push_back(d.jednotka);
    return d.jednotka;
}

double celkova_hmotnost(const Prideleni &p)
{
    double soucet = 0.0;
    for (const StavJednotky &j : p.jednotky)
        if (j.zapocteno)
            soucet += j.hmotnost;
    return soucet;
}

bool prace_zbyva(const Prideleni &p)
{
    return p.pracujicich_workeru > 0 || p.vydano < (int)p.jednotky.size() || !p.vracene.empty();
}

int zivych_delniku(const Prideleni &p)
{
    return (int)std::count_if(p.delnici.begin(), p.delnici.end(),
                              [](const Delnik &d) { return d.stav != ZTRACEN; });
}

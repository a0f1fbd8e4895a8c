// SPDX-License-Identifier: MIT
// The integration master's plan: its arguments and the slabs it hands out, without PVM.
#include "kubo_prace.h"

#include <cerrno>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstdlib>

// Reads a leading decimal integer as "%d" does, but refuses values outside int instead of
// wrapping them.
static bool cti_cele_cislo(const char *text, int &hodnota)
{
    char *konec;
    errno = 0;
    long cislo = strtol(text, &konec, 10);
    if (konec == text || errno == ERANGE || cislo < -2147483647L - 1 || cislo > 2147483647L)
        return false;
    hodnota = (int)cislo;
    return true;
}

std::string naformatuj(const char *format, ...)
{
    char radek[256];
    va_list argumenty;
    va_start(argumenty, format);
    vsnprintf(radek, sizeof radek, format, argumenty);
    va_end(argumenty);
    return radek;
}

// An unreadable edge reads as 0 and is allowed; an infinite or NaN edge is not a cuboid.
static bool over_hrany(const Kvadr &kvadr, std::string &chyba)
{
    for (double hrana : {kvadr.x, kvadr.y, kvadr.z})
        if (!std::isfinite(hrana)) {
            chyba = naformatuj("Rozmer kvadru %g neni konecne cislo.", hrana);
            return false;
        }
    return true;
}

// The cell loops advance each coordinate by d up to its edge; where the edge plus d rounds
// back to the edge, some coordinate below it stops moving and the run never ends.
static bool krok_posune_hranu(double hrana, double d)
{
    return !(hrana > 0) || hrana + d > hrana;
}

static bool over_krok(const ParametryBehu &p, std::string &chyba)
{
    if (!std::isfinite(p.d)) {
        chyba = naformatuj("Integracni krok %g neni konecne cislo.", p.d);
        return false;
    }
    if (!(p.d > 0)) {
        chyba = "Integracni krok musi byt kladne cislo.";
        return false;
    }
    for (double hrana : {p.kvadr.x, p.kvadr.y, p.kvadr.z})
        if (!krok_posune_hranu(hrana, p.d)) {
            chyba = naformatuj("Integracni krok %g je vuci hrane kvadru %g prilis maly, vypocet by "
                           "nikdy neskoncil.", p.d, hrana);
            return false;
        }
    if (!std::isfinite(p.d * p.d * p.d)) {
        chyba = naformatuj("Objem bunky %g x %g x %g neni konecne cislo.", p.d, p.d, p.d);
        return false;
    }
    return true;
}

// Along y and z, cells cover at most edge + d from 0 (an edge not above 0 holds none); along
// x each slab's own grid may stick out by up to d, and no cell reaches past x + d. No density
// exceeds its value at that far corner. Twice that bound leaves room for the rounding of the
// sum, so a run that passes cannot end in an infinite total. Density 0 gives 0 whatever the
// size.
static bool over_hmotnost(const ParametryBehu &p, std::string &chyba)
{
    const Kvadr &k = p.kvadr;
    if (!(k.x > 0 && k.y > 0 && k.z > 0))
        return true;
    double slabu = (double)plan_jednotek(k, p.velikost_prace).size();
    double x = k.x + p.d, y = k.y + p.d, z = k.z + p.d;
    double hustota = p.druh_funkce == 1 ? 1.0 : p.druh_funkce == 2 ? x
                     : p.druh_funkce == 3 ? (x + y) + z : 0.0;
    double objem = (k.x + slabu * p.d) * y * z;
    if (hustota != 0.0 && !std::isfinite(2.0 * hustota * objem)) {
        chyba = naformatuj("Hmotnost kvadru %g x %g x %g s krokem %g by nebyla konecne cislo.", k.x,
                           k.y, k.z, p.d);
        return false;
    }
    return true;
}

bool nacti_parametry(const char *const argumenty[7], ParametryBehu &p, std::string &chyba)
{
    p.kvadr.x = atof(argumenty[0]);
    p.kvadr.y = atof(argumenty[1]);
    p.kvadr.z = atof(argumenty[2]);
    p.d = atof(argumenty[3]);
    // An unreadable density number stays 0 and gives density 0, as the usage text allows.
    p.druh_funkce = 0;
    cti_cele_cislo(argumenty[4], p.druh_funkce);
    if (!cti_cele_cislo(argumenty[5], p.pocet_delniku) || p.pocet_delniku < 1 ||
        p.pocet_delniku > MAX_DELNIKU) {
        chyba = naformatuj("Pocet delniku musi byt cele cislo od 1 do %d.", MAX_DELNIKU);
        return false;
    }
    if (!cti_cele_cislo(argumenty[6], p.velikost_prace) || p.velikost_prace < 1) {
        chyba = "Velikost prace musi byt cele cislo, nejmene 1 (procento hrany x).";
        return false;
    }
    return over_hrany(p.kvadr, chyba) && over_krok(p, chyba) && over_hmotnost(p, chyba);
}

Jednotka dalsi_jednotka(const Kvadr &kvadr, int &zadana_prace, int velikost_prace)
{
    Jednotka j;
    j.xod = (kvadr.x / 100.0) * zadana_prace;
    j.ydo = kvadr.y;
    j.zdo = kvadr.z;
    if ((long long)zadana_prace + velikost_prace <= 99) {
        j.xdo = (kvadr.x / 100.0) * (zadana_prace + velikost_prace);
        zadana_prace += velikost_prace;
    } else {
        j.xdo = kvadr.x;
        zadana_prace = 100;
    }
    return j;
}

std::vector<Jednotka> plan_jednotek(const Kvadr &kvadr, int velikost_prace)
{
    std::vector<Jednotka> plan;
    int zadana_prace = 0;
    while (zadana_prace < 100)
        plan.push_back(dalsi_jednotka(kvadr, zadana_prace, velikost_prace));
    return plan;
}

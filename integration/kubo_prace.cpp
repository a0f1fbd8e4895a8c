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
    return over_hrany(p.kvadr, chyba) && over_krok(p, chyba);
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

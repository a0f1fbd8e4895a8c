// SPDX-License-Identifier: MIT
// The integration master's plan: its arguments and the slabs it hands out, without PVM.
#include "integration/kubo_prace.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/text.h"

// The arguments by the names the usage text gives them.
static const char *const NAZVY_ARGUMENTU[7] = {"<x>", "<y>", "<z>", "<d>", "<c. funkce>",
                                               "<pocet vlaken>", "<velikost prace>"};

// Longest part of an argument a message quotes.
static const size_t NEJDELSI_UKAZKA = 40;

// The argument as a message quotes it: printable, and cut short when long, so that the
// message stays one line of a reasonable length.
static std::string ukazka(const char *text)
{
    std::string s;
    for (const char *c = text; *c != '\0' && s.size() < NEJDELSI_UKAZKA; c++)
        s.push_back(isprint((unsigned char)*c) ? *c : '?');
    if (strlen(text) > NEJDELSI_UKAZKA)
        s += "...";
    return s;
}

// Reads argument i, wholly a real number. A comma is the decimal mark a Czech user is used
// to: the message says to use a point, with the number so written where that is one.
static bool cti_realne(int i, const char *text, double &hodnota, std::string &chyba)
{
    if (cti_realne_cislo(text, hodnota))
        return true;
    chyba = naformatuj("Argument %s \"%s\" neni cislo", NAZVY_ARGUMENTU[i], ukazka(text).c_str());
    if (strchr(text, ',') != nullptr) {
        std::string s_teckou = text;
        for (char &znak : s_teckou)
            znak = znak == ',' ? '.' : znak;
        double opraveno;
        chyba += ": desetinnou cast oddelte teckou, ne carkou";
        if (cti_realne_cislo(s_teckou.c_str(), opraveno))
            chyba += " (" + ukazka(s_teckou.c_str()) + ")";
    }
    chyba += ".";
    return false;
}

// Reads argument i, wholly a decimal integer as "%d" reads one, with nothing after it. One
// beyond int is taken as the nearest int, which the checks then treat as the large number
// it is.
static bool cti_cele(int i, const char *text, int &hodnota, std::string &chyba)
{
    long cislo;
    if (!cti_cele_cislo(text, cislo)) {
        chyba = naformatuj("Argument %s \"%s\" neni cele cislo.", NAZVY_ARGUMENTU[i],
                           ukazka(text).c_str());
        return false;
    }
    hodnota = cislo < INT_MIN ? INT_MIN : cislo > INT_MAX ? INT_MAX : (int)cislo;
    return true;
}

// An infinite or NaN edge is not a cuboid.
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
    double slabu = (double)p.plan.size();
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
    double *realne[] = {&p.kvadr.x, &p.kvadr.y, &p.kvadr.z, &p.d};
    int *cele[] = {&p.druh_funkce, &p.pocet_delniku, &p.velikost_prace};
    for (int i = 0; i < 4; i++)
        if (!cti_realne(i, argumenty[i], *realne[i], chyba))
            return false;
    for (int i = 0; i < 3; i++)
        if (!cti_cele(4 + i, argumenty[4 + i], *cele[i], chyba))
            return false;
    if (p.pocet_delniku < 1 || p.pocet_delniku > MAX_DELNIKU) {
        chyba = naformatuj("Pocet delniku musi byt cele cislo od 1 do %d.", MAX_DELNIKU);
        return false;
    }
    if (p.velikost_prace < 1) {
        chyba = "Velikost prace musi byt cele cislo, nejmene 1 (procento hrany x).";
        return false;
    }
    if (!over_hrany(p.kvadr, chyba) || !over_krok(p, chyba))
        return false;
    p.plan = plan_vrstev(p.kvadr, p.velikost_prace);
    return over_hmotnost(p, chyba);
}

// The slab that starts zadana_prace percent into the x edge, and in zadana_prace the share
// handed out once it is.
static Vrstva dalsi_vrstva(const Kvadr &kvadr, int &zadana_prace, int velikost_prace)
{
    Vrstva v;
    Jednotka &j = v.box;
    v.od_procent = zadana_prace;
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
    return v;
}

std::vector<Vrstva> plan_vrstev(const Kvadr &kvadr, int velikost_prace)
{
    std::vector<Vrstva> plan;
    int zadana_prace = 0;
    while (zadana_prace < 100)
        plan.push_back(dalsi_vrstva(kvadr, zadana_prace, velikost_prace));
    return plan;
}

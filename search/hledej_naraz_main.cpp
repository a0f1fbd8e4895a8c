// SPDX-License-Identifier: MIT
// hledej_naraz: both passes of the search in one process, farmer's count (on every core) and
// then one worker's search of the whole text; the benchmark's yardstick for what PVM adds.
// With --cesty it runs both passes on every instruction set path this CPU has, prints each
// path's times and fails when the paths do not find the very same positions.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cesta_cpu.h"
#include "cteni.h"
#include "hledani.h"
#include "soubezne_pocitani.h"

namespace {

// Milliseconds since od.
double ms_od(std::chrono::steady_clock::time_point od)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - od)
        .count();
}

// Both passes over soubor into pozice, and how long each took; false, with err, on a read error.
bool hledej_naraz(const char *soubor, const char *vzor, std::vector<int> &pozice,
                  double ms[2], std::string *err)
{
    size_t delka = 0;
    bool cely = false;
    auto zacatek = std::chrono::steady_clock::now();
    bool precteno = cti_soubor(soubor, [&](FILE *fr, std::string *chyba) {
        return spocti_spojene_soubezne(fr, SIZE_MAX, nullptr, ROZESTUP_BODU, VELIKOST_BLOKU,
                                       vlaken_pocitani(), delka, chyba);
    }, err);
    ms[0] = ms_od(zacatek);
    zacatek = std::chrono::steady_clock::now();
    precteno = precteno && (delka == 0 || cti_soubor(soubor, [&](FILE *fr, std::string *chyba) {
        return hledej_v_rozsahu(fr, 0, delka - 1, vzor, VELIKOST_BLOKU, pozice, cely, chyba);
    }, err));
    ms[1] = ms_od(zacatek);
    return precteno;
}

// Every path this CPU has, each printed as "path positions count-ms search-ms"; 1 when one
// of them finds other positions than the first.
int po_cestach(const char *soubor, const char *vzor)
{
    std::vector<int> prvni;
    bool prvni_cesta = true;
    for (CestaCpu cesta : {CESTA_SSE2, CESTA_AVX2, CESTA_AVX512}) {
        if (!zvol_cestu_cpu(cesta))
            continue;
        std::vector<int> pozice;
        double ms[2];
        std::string chyba;
        if (!hledej_naraz(soubor, vzor, pozice, ms, &chyba)) {
            fprintf(stderr, "%s\n", chyba.c_str());
            return 1;
        }
        printf("%s %zu %.1f %.1f\n", nazev_cesty_cpu(cesta), pozice.size(), ms[0], ms[1]);
        if (prvni_cesta)
            prvni.swap(pozice);
        else if (pozice != prvni) {
            fprintf(stderr, "hledej_naraz: cesta %s nasla jine pozice!\n", nazev_cesty_cpu(cesta));
            return 1;
        }
        prvni_cesta = false;
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    const bool cesty = argc == 4 && strcmp(argv[1], "--cesty") == 0;
    if ((argc != 3 && !cesty) || argv[argc - 1][0] == '\0') {
        fprintf(stderr, "pouziti: hledej_naraz [--cesty] <jmeno_souboru> <retezec>\n");
        return 1;
    }
    if (cesty)
        return po_cestach(argv[2], argv[3]);
    std::vector<int> pozice;
    double ms[2];
    std::string chyba;
    if (!hledej_naraz(argv[1], argv[2], pozice, ms, &chyba)) {
        fprintf(stderr, "%s\n", chyba.c_str());
        return 1;
    }
    printf("%zu\n", pozice.size());
    return 0;
}

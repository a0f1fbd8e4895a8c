// SPDX-License-Identifier: MIT
// hledej_naraz: both passes of the search in one process, farmer's count (on every core) and
// then the search split as farmer splits it among workers, one thread per core instead of one
// task per range; the benchmark's yardstick for what PVM adds.
// With --cesty it runs both passes on every instruction set path this CPU has, prints each
// path's times and fails when the paths do not find the very same positions.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/cesta_cpu.h"
#include "search/text/cteni.h"
#include "search/text/hledani.h"
#include "search/text/rozsahy.h"
#include "search/text/soubezne_pocitani.h"

namespace {

// Milliseconds since od.
double ms_od(std::chrono::steady_clock::time_point od)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - od)
        .count();
}

// Searches the text of delka characters in the ranges farmer would give as many workers as
// there are cores, each range in a thread of its own reading from the count's point before it;
// the ranges' positions joined in order. False, with err, on a read error or a cut text.
bool hledej_po_rozsazich(const char *soubor, const std::string &vzor, size_t delka,
                         const std::vector<Pocet> &body, std::vector<int> &pozice,
                         std::string *err)
{
    const int delka_in = static_cast<int>(delka);
    const int delka_f = static_cast<int>(vzor.size());
    const int casti = delka_f < 2 ? 1 : std::min<int>(vlaken_pocitani(),
                                                      num_workers_max(delka_in, delka_f));
    const std::vector<Rozsah> rozsahy = casti == 1 ? std::vector<Rozsah>{{0, delka_in - 1}}
                                                   : rozloz_text(delka_in, delka_f, casti);
    std::vector<std::vector<int>> nalezeno(rozsahy.size());
    std::vector<std::string> chyby(rozsahy.size());
    std::vector<char> hotovo(rozsahy.size(), 0);
    std::vector<std::thread> vlakna;
    for (size_t i = 0; i < rozsahy.size(); i++)
        vlakna.emplace_back([&, i] {
            Pruchod pruchod;
            pruchod.zacatek = bod_pred(body, rozsahy[i].odkud);
            bool cely = false;
            hotovo[i] = cti_soubor(soubor, [&](FILE *fr, std::string *chyba) {
                return hledej_od(fr, rozsahy[i].odkud, rozsahy[i].kam, vzor, pruchod,
                                 nalezeno[i], cely, chyba);
            }, &chyby[i]) && cely;
        });
    for (std::thread &vlakno : vlakna)
        vlakno.join();
    for (size_t i = 0; i < rozsahy.size(); i++) {
        if (!hotovo[i]) {
            *err = chyby[i].empty() ? std::string("hledej_naraz: text se zkratil!") : chyby[i];
            return false;
        }
        pozice.insert(pozice.end(), nalezeno[i].begin(), nalezeno[i].end());
    }
    return true;
}

// Both passes over soubor into pozice, and how long each took; false, with err, on a read error.
bool hledej_naraz(const char *soubor, const char *vzor, std::vector<int> &pozice,
                  double ms[2], std::string *err)
{
    size_t delka = 0;
    std::vector<Pocet> body;
    auto zacatek = std::chrono::steady_clock::now();
    bool precteno = cti_soubor(soubor, [&](FILE *fr, std::string *chyba) {
        return spocti_spojene_soubezne(fr, INT_MAX, &body, ROZESTUP_BODU, VELIKOST_BLOKU,
                                       vlaken_pocitani(), delka, chyba);
    }, err);
    ms[0] = ms_od(zacatek);
    if (precteno && delka > INT_MAX) {
        *err = "hledej_naraz: text je delsi, nez pozice udrzi!";
        return false;
    }
    zacatek = std::chrono::steady_clock::now();
    precteno = precteno && (delka < strlen(vzor) ||
                            hledej_po_rozsazich(soubor, vzor, delka, body, pozice, err));
    ms[1] = ms_od(zacatek);
    return precteno;
}

// Every path this CPU has, each printed as "path positions count-ms search-ms"; 1 when one
// of them finds other positions than the first.
int po_cestach(const char *soubor, const char *vzor)
{
    std::vector<int> prvni;
    bool prvni_cesta = true;
    for (CestaCpu cesta : {CESTA_OBECNA, CESTA_SSE2, CESTA_AVX2, CESTA_AVX512}) {
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

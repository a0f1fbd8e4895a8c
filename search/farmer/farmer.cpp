// SPDX-License-Identifier: MIT
// farmer: parallel substring search master; one PVM worker task per range of the text. Only
// the run's top, hledej and spust_farmera, prints why it failed and picks the exit status.
#include "search/farmer/farmer.h"

#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <new>
#include <vector>

#include "common/standardni_proudy.h"
#include "search/farmer/preruseni.h"
#include "search/farmer/sber.h"
#include "search/farmer/vypis.h"
#include "search/farmer/workeri.h"
#include "search/text/cteni.h"
#include "search/text/soubezne_pocitani.h"
#include "search/text/vstup.h"

namespace {

const char *const VYSTUP = "find_output.txt";

// Reads the file name and the worker count, asks for the pattern and reads it into zadani;
// false, with err, when they are unusable. err is the text as farmer prints it on standard
// output, line ends included (see lze_hledat).
bool cti_zadani(int argc, char **argv, ZadaniFarmera &zadani, std::string *err)
{
    if (argc != 3) {
        *err = "Spatne zadane vstupni parametry!\n"
               " pouziti: farmer <jmeno_souboru> <pocet_workeru>\n";
        return false;
    }
    zadani.soubor = argv[1];
    if (!cti_cislo(argv[2], zadani.num_workers) || zadani.num_workers < 1) {
        *err = std::string("Spatne zadany pocet workeru \"") + argv[2] +
               "\" (musi byt kladne cele cislo)!\n";
        return false;
    }
    printf("Zadejte hledany retezec: ");
    fflush(stdout);
    if (!cti_slovo(stdin, zadani.f_str)) {
        *err = "Nebyl zadan zadny retezec (vstup skoncil)!\n";
        return false;
    }
    return lze_hledat(zadani.f_str, err);
}

// farmer reads the text once and every worker once more: a pipe or a device would give its
// bytes to the first reader only, and the workers would wait for ever or find nothing. A
// missing file or a folder is left to the reading, which says what is wrong with it.
bool lze_cist_dvakrat(const char *soubor, std::string *err)
{
    struct stat info;
    if (stat(soubor, &info) != 0 || S_ISREG(info.st_mode) || S_ISDIR(info.st_mode))
        return true;
    *err = std::string("Soubor ") + soubor + " neni obycejny soubor, workeri by ho nemohli cist"
                                             " znovu!";
    return false;
}

// Length of the joined text of soubor into delka, and the points of the count where the
// workers may start reading into body. The count stops as soon as the length passes what the
// positions, ints, can hold: delka is then above INT_MAX and not the whole length.
bool spocti_text(const char *soubor, size_t &delka, std::vector<Pocet> &body, std::string *err)
{
    return cti_soubor(soubor, [&](FILE *fr, std::string *chyba) {
        return spocti_spojene_soubezne(fr, INT_MAX, &body, ROZESTUP_BODU, VELIKOST_BLOKU,
                                       vlaken_pocitani(), delka, chyba);
    }, err);
}

// Prints chyba as a line on proud; the run's exit status then.
int selhani(FILE *proud, const std::string &chyba)
{
    fprintf(proud, "%s\n", chyba.c_str());
    return 1;
}

// The search once the report can be written: the text counted, the workers run, the report
// made; returns the exit status.
int hledej_text(BehFarmera &b)
{
    const ZadaniFarmera &zadani = b.zadani;
    std::string chyba;
    size_t delka = 0;
    if (!lze_cist_dvakrat(zadani.soubor, &chyba) ||
        !spocti_text(zadani.soubor, delka, b.body, &chyba))
        return selhani(stderr, chyba);
    if (delka > INT_MAX) {
        printf("Text souboru %s ma vic nez %d znaku, ktere lze oznacit!\n", zadani.soubor,
               INT_MAX);
        return 1;
    }
    // A pattern longer than the text occurs nowhere: no worker is started.
    PlanHledani plan = planuj_hledani(static_cast<int>(delka),
                                      static_cast<int>(zadani.f_str.size()), zadani.num_workers);
    if (plan.snizeno)
        printf("Zadan prilis velky pocet workeru, upravuji pocet na: %d.\n\n", plan.num_workers);
    b.rozsahy = plan.rozsahy;
    bool hotovo = plan.num_workers == 0 ||
                  (absolutni_cesta(zadani.soubor, b.cesta, &chyba) && hledej_na_pvm(b, &chyba));
    hotovo = hotovo && vypis_zpravu(b, &chyba);
    zavri_odklad(b.odklad);
    return hotovo ? 0 : selhani(stderr, chyba);
}

// The whole run into b.zprava, this run's report file; returns the exit status.
int hledej(BehFarmera &b, int argc, char **argv)
{
    std::string chyba;
    if (!cti_zadani(argc, argv, b.zadani, &chyba)) {
        printf("%s", chyba.c_str());
        return 1;
    }
    zachytavej_preruseni(b.zprava);
    // Before any work: a report that cannot be written would lose the whole search. Held
    // against signals, so that the temporary file is never made unseen by the clean-up.
    odloz_preruseni();
    bool lze_zapsat = priprav_zpravu(VYSTUP, b.zprava, &chyba);
    povol_preruseni();
    if (!lze_zapsat)
        return selhani(stderr, chyba);
    return hledej_text(b);
}

// The run with its last words: out of memory, or a report that did not reach standard output.
int vysledek_behu(BehFarmera &b, int argc, char **argv)
{
    int status;
    try {
        status = hledej(b, argc, argv);
    } catch (const std::bad_alloc &) {
        printf("Malo pameti!\n");
        odhlas_z_pvm(b.pvm);
        return 1;
    }
    if (!vystup_zapsan()) {
        fprintf(stderr, "Vypis nelze zapsat na standardni vystup.\n");
        return 1;
    }
    return status;
}

}  // namespace

int spust_farmera(Pvm &pvm, int argc, char **argv)
{
    BehFarmera b(pvm);
    int status = vysledek_behu(b, argc, argv);
    // Until this run's report is in place, an older one in the folder would pass for its
    // result: whatever the end, what is not this run's whole report goes.
    uklid_zpravu(b.zprava);
    prestan_zachytavat_preruseni();
    return status;
}

bool hledej_na_pvm(BehFarmera &b, std::string *err)
{
    odloz_preruseni();
    b.mytid = prihlas_do_pvm(b.pvm);
    if (b.mytid < 0) {
        *err = text_neprihlaseni(b.mytid);
        povol_preruseni();
        return false;
    }
    zaloz_odklad(b.odklad, b.rozsahy.size());
    const bool spusteno = spust_workery(b, err);
    const bool hotovo = spusteno && sber_odpovedi(b, err);
    // The workers of a search that failed part way would search on for nothing.
    if (preruseni_ceka() || (spusteno && !hotovo))
        zabij_workery(b);
    odhlas_z_pvm(b.pvm);
    povol_preruseni();
    return hotovo;
}

// SPDX-License-Identifier: MIT
// farmer: parallel substring search master; one PVM worker task per range of the text.
#include "farmer.h"

#include <pvm3.h>
#include <sys/stat.h>
#include <time.h>

#include <charconv>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "hlp.h"
#include "odklad.h"
#include "preruseni.h"
#include "hledani_zpravy.h"
#include "pvm_napoveda.h"
#include "rozsahy.h"
#include "sber.h"
#include "soubor_zpravy.h"
#include "standardni_proudy.h"
#include "vstup.h"

namespace {

const char *const VYSTUP = "find_output.txt";
// Block size of a range index in the workers' arguments; an int needs 12 at the most.
const int DELKA_CISLA = 20;
// Block size of the worker's fifth argument, where its reading starts (zapis_pocet).
const int DELKA_BODU = 48;
// More workers than this take seconds to start; farmer then says how far it is.
const size_t HLASIT_OD_WORKERU = 100;

// This run's report file. Until the report is in place, an older one in the folder would
// pass for this run's result, so any end of the process cleans up: a failure, an exit from
// within the hlp functions, a signal.
SouborZpravy *uklizena_zprava;

void uklid_pri_konci()
{
    if (uklizena_zprava != nullptr)
        uklid_zpravu(*uklizena_zprava);
}

// Reads the worker count and the pattern; prints why and returns false when unusable.
bool cti_zadani(int argc, char **argv, int &num_workers, std::string &f_str)
{
    if (argc != 3) {
        printf("Spatne zadane vstupni parametry!\n");
        printf(" pouziti: farmer <jmeno_souboru> <pocet_workeru>\n");
        return false;
    }
    if (!cti_cislo(argv[2], num_workers) || num_workers < 1) {
        printf("Spatne zadany pocet workeru \"%s\" (musi byt kladne cele cislo)!\n", argv[2]);
        return false;
    }
    printf("Zadejte hledany retezec: ");
    fflush(stdout);
    if (!cti_slovo(stdin, f_str)) {
        printf("Nebyl zadan zadny retezec (vstup skoncil)!\n");
        return false;
    }
    const std::string chyba = chyba_vzoru(f_str);
    if (!chyba.empty()) {
        printf("%s", chyba.c_str());
        return false;
    }
    return true;
}

// farmer reads the text once and every worker once more: a pipe or a device would give its
// bytes to the first reader only, and the workers would wait for ever or find nothing. A
// missing file or a folder is left to the reading, which says what is wrong with it.
bool lze_cist_dvakrat(const char *soubor)
{
    struct stat info;
    if (stat(soubor, &info) != 0 || S_ISREG(info.st_mode) || S_ISDIR(info.st_mode))
        return true;
    fprintf(stderr, "Soubor %s neni obycejny soubor, workeri by ho nemohli cist znovu!\n",
            soubor);
    return false;
}

// Length of the joined text of soubor into delka_in, and the points of the count where the
// workers may start reading into body; false, with the message, when it is too long for the
// positions, which are ints. The count stops as soon as it is: its length is not known then.
bool delka_textu(const char *soubor, int &delka_in, std::vector<Pocet> &body)
{
    FILE *fr = open_f(soubor, "r");
    size_t delka = count_joined(fr, INT_MAX, &body);
    close_f(fr);
    if (delka > INT_MAX) {
        printf("Text souboru %s ma vic nez %d znaku, ktere lze oznacit!\n", soubor, INT_MAX);
        return false;
    }
    delka_in = static_cast<int>(delka);
    return true;
}

// A heap copy of text in a block sized to fit it.
char *kopie(const std::string &text)
{
    char *blok = aloc_string(static_cast<int>(text.size() + 1));
    memcpy(blok, text.c_str(), text.size() + 1);
    return blok;
}

// Time on a clock that never goes back, in seconds: how often progress is told.
double sekundy()
{
    timespec ted;
    clock_gettime(CLOCK_MONOTONIC, &ted);
    return ted.tv_sec + ted.tv_nsec / 1e9;
}

// Starts one worker per range into wtids, each watched by PVM so that its end cannot go
// unnoticed, each told where in the file its range starts (the last point of body before
// it), so that it need not count line ends from the file's start; false, with the message,
// when one cannot be started, or at an interrupt. Starting many takes a while: that is said
// on stderr.
bool spust_workery(const std::vector<Rozsah> &rozsahy, const std::vector<Pocet> &body,
                   char **w_arg, std::vector<int> &wtids)
{
    const bool hlasit = rozsahy.size() > HLASIT_OD_WORKERU;
    double hlaseno = sekundy();
    for (const Rozsah &rozsah : rozsahy) {
        if (preruseni_ceka())
            return false;
        snprintf(w_arg[1], DELKA_CISLA, "%d", rozsah.odkud);
        snprintf(w_arg[2], DELKA_CISLA, "%d", rozsah.kam);
        snprintf(w_arg[4], DELKA_BODU, "%s", zapis_pocet(bod_pred(body, rozsah.odkud)).c_str());
        int tid = 0;
        if (pvm_spawn(const_cast<char *>("worker"), w_arg, PvmTaskDefault,
                      const_cast<char *>(""), 1, &tid) != 1) {
            fprintf(stderr, "pvm_spawn: Task nebyl vytvoren!\n");
            if (tid == PvmNoFile)
                for (const std::string &radek :
                     napoveda_nenalezeneho_programu("worker", architektura_hostitele(pvm_mytid())))
                    fprintf(stderr, "%s\n", radek.c_str());
            return false;
        }
        if (!hlidej_workera(tid)) {
            fprintf(stderr, "pvm_notify: Konec workera t%x nelze hlidat!\n",
                    static_cast<unsigned>(tid));
            return false;
        }
        wtids.push_back(tid);
        if (hlasit && sekundy() - hlaseno >= 1) {
            fprintf(stderr, "Spusteno %zu z %zu workeru...\n", wtids.size(), rozsahy.size());
            hlaseno = sekundy();
        }
    }
    return true;
}

// Gathers the replies into odklad, in start order; false, with the message naming the
// worker, when one is lost without a usable reply; false without a message at an interrupt.
bool sber(const std::vector<int> &wtids, const std::vector<Rozsah> &rozsahy, Odklad &odklad)
{
    ZtrataWorkera ztrata;
    if (sber_odpovedi(wtids, rozsahy, odklad, ztrata))
        return true;
    if (preruseni_ceka())
        return false;
    const size_t i = ztrata.worker;
    if (ztrata.duvod == nullptr)
        fprintf(stderr, "Nalezene pozice nelze odlozit do docasneho souboru (%s)!\n",
                ztrata.chyba_odkladu.c_str());
    else
        fprintf(stderr, "Worker t%x (rozsah %d-%d) %s!\n", static_cast<unsigned>(wtids[i]),
                rozsahy[i].odkud, rozsahy[i].kam, ztrata.duvod);
    return false;
}

// The workers' arguments: the file, two blocks for the range, the pattern, a block for where
// to start reading. The file goes by its absolute path, as the workers may start in another
// folder than farmer.
std::vector<char *> argumenty_workeru(const char *soubor, const std::string &f_str)
{
    char *cesta = realpath(soubor, nullptr);
    std::vector<char *> w_arg = {cesta != nullptr ? cesta : kopie(soubor),
                                 aloc_string(DELKA_CISLA), aloc_string(DELKA_CISLA),
                                 kopie(f_str), aloc_string(DELKA_BODU), nullptr};
    return w_arg;
}

// Killed rather than told: a worker reads no message while it searches. One that has ended
// already is simply not found.
void zabij_workery(const std::vector<int> &wtids)
{
    for (int tid : wtids)
        pvm_kill(tid);
}

// Joins PVM, runs one worker per range and gathers all positions in range order into
// odklad; leaves PVM. False, with the message, when the search could not be done whole.
// Signals wait while PVM is in use; an interrupt kills the workers, leaves PVM and then ends
// the process.
bool hledej_na_pvm(const std::vector<Rozsah> &rozsahy, const std::vector<Pocet> &body,
                   const char *soubor, const std::string &f_str, Odklad &odklad)
{
    odloz_preruseni();
    pvm_setopt(PvmAutoErr, 0);
    int mytid = pvm_mytid();
    if (mytid < 0) {
        fprintf(stderr, "Nelze se spojit s PVM (pvm_mytid: %d), bezi demon pvmd?\n", mytid);
        povol_preruseni();
        return false;
    }
    std::vector<char *> w_arg = argumenty_workeru(soubor, f_str);
    std::vector<int> wtids;
    zaloz_odklad(odklad, rozsahy.size());
    bool hotovo = spust_workery(rozsahy, body, w_arg.data(), wtids) &&
                  sber(wtids, rozsahy, odklad);
    if (preruseni_ceka())
        zabij_workery(wtids);
    pvm_exit();
    povol_preruseni();
    for (char *blok : w_arg)
        free(blok);
    return hotovo;
}

// Prints format to standard output and to the report file alike.
__attribute__((format(printf, 2, 3))) void obe(FILE *fw, const char *format, ...)
{
    va_list argumenty, kopie_argumentu;
    va_start(argumenty, format);
    va_copy(kopie_argumentu, argumenty);
    vprintf(format, argumenty);
    vfprintf(fw, format, kopie_argumentu);
    va_end(kopie_argumentu);
    va_end(argumenty);
}

// Writes the same bytes to standard output and to the report file.
void zapis_obema(FILE *fw, const char *text, size_t delka)
{
    fwrite(text, 1, delka, stdout);
    fwrite(text, 1, delka, fw);
}

// Writes each position as "%d\n" would, to both places; millions of them are formatted once,
// into a buffer that goes out in large writes. False, with err, when the store cannot be read.
bool vypis_pozice(FILE *fw, const Odklad &odklad, std::string *err)
{
    static char kus[1 << 16];
    const size_t nejdelsi = 12;  // "-2147483648\n"
    size_t plno = 0;
    bool precteno = projdi_odklad(odklad, [&](const int *pozice, size_t n) {
        for (size_t i = 0; i < n; i++) {
            if (plno + nejdelsi > sizeof kus) {
                zapis_obema(fw, kus, plno);
                plno = 0;
            }
            plno = std::to_chars(kus + plno, kus + sizeof kus, pozice[i]).ptr - kus;
            kus[plno++] = '\n';
        }
        return true;
    }, err);
    zapis_obema(fw, kus, plno);
    return precteno;
}

// Prints the report and writes it to find_output.txt; false, with the message, when the file
// could not be written whole (the clean-up then removes it).
bool vypis_zpravu(const std::string &f_str, const char *soubor, const Odklad &odklad,
                  SouborZpravy &zprava)
{
    FILE *fw = zprava.fw;
    const int nalezeno_celkem = static_cast<int>(odklad.celkem);
    std::string chyba;
    if (nalezeno_celkem == 0) {
        obe(fw, "Nebyl nalezen zadny vyskyt podretezce: \"%s\"\n", f_str.c_str());
    } else {
        printf("Pocet nalezenych podretezcu \"%s\"\nv souboru \"%s\" : %d\n\n", f_str.c_str(),
               soubor, nalezeno_celkem);
        fprintf(fw, "Pocet nalezenych podretezcu \"%s\"\nv souboru \"%s\" : %d\n", f_str.c_str(),
                soubor, nalezeno_celkem);
        obe(fw, "Vypis indexu, urcujicich pozice nalezenych podretezcu v retezci:\n");
        if (!vypis_pozice(fw, odklad, &chyba)) {
            fprintf(stderr, "Nalezene pozice nelze precist z docasneho souboru (%s), %s byl"
                            " odstranen!\n", chyba.c_str(), VYSTUP);
            return false;
        }
    }
    // A signal between the rename and the mark would remove the report just put in place.
    odloz_preruseni();
    bool zapsano = dokonci_zpravu(zprava);
    povol_preruseni();
    if (!zapsano) {
        fprintf(stderr, "Soubor %s nelze cely zapsat, byl odstranen!\n", VYSTUP);
        return false;
    }
    return true;
}

// The whole run; returns the exit status. The hlp functions end the process themselves.
int hledej(int argc, char **argv)
{
    int num_workers = 0;
    std::string f_str;
    if (!cti_zadani(argc, argv, num_workers, f_str))
        return 1;
    static SouborZpravy zprava;
    uklizena_zprava = &zprava;
    atexit(uklid_pri_konci);
    zachytavej_preruseni(uklid_pri_konci);
    // Before any work: a report that cannot be written would lose the whole search. Held
    // against signals, so that the temporary file is never made unseen by the clean-up.
    std::string chyba;
    odloz_preruseni();
    bool lze_zapsat = priprav_zpravu(VYSTUP, zprava, &chyba);
    povol_preruseni();
    if (!lze_zapsat) {
        fprintf(stderr, "%s\n", chyba.c_str());
        return 1;
    }
    int delka_in = 0;
    std::vector<Pocet> body;
    if (!lze_cist_dvakrat(argv[1]) || !delka_textu(argv[1], delka_in, body))
        return 1;
    // A pattern longer than the text occurs nowhere: no worker is started.
    PlanHledani plan = planuj_hledani(delka_in, static_cast<int>(f_str.size()), num_workers);
    if (plan.snizeno)
        printf("Zadan prilis velky pocet workeru, upravuji pocet na: %d.\n\n", plan.num_workers);
    Odklad odklad;
    bool hotovo = plan.num_workers == 0 || hledej_na_pvm(plan.rozsahy, body, argv[1], f_str, odklad);
    hotovo = hotovo && vypis_zpravu(f_str, argv[1], odklad, zprava);
    zavri_odklad(odklad);
    return hotovo ? 0 : 1;
}

}  // namespace

int spust_farmera(int argc, char **argv)
{
    int status;
    try {
        status = hledej(argc, argv);
    } catch (const std::bad_alloc &) {
        printf("Malo pameti!\n");
        pvm_exit();
        return 1;
    }
    if (!vystup_zapsan()) {
        fprintf(stderr, "Vypis nelze zapsat na standardni vystup.\n");
        return 1;
    }
    return status;
}

// farmer: parallel substring search master; one PVM worker task per range of the text.
#include "farmer.h"

#include <pvm3.h>
#include <sys/time.h>

#include <charconv>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "hlp.h"
#include "protokol.h"
#include "rozsahy.h"
#include "vstup.h"

namespace {

// Tags of PVM's own notices about lost workers; no worker sends them.
const int TAG_KONEC_WORKERU = 91;
const int TAG_KONEC_HOSTITELE = 92;

const char *const VYSTUP = "find_output.txt";
// Block size of a range index in the workers' arguments; an int needs 12 at the most.
const int DELKA_CISLA = 20;

// Leaves PVM and ends with status 1: the way out of every failure once PVM is joined.
[[noreturn]] void opust_pvm_s_chybou()
{
    fflush(stdout);
    pvm_exit();
    exit(1);
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
    if (f_str.size() < 2) {
        printf("Spatne zadany retezec (velikost min. 2 znaky)!");
        return false;
    }
    // A NUL would cut the pattern short on its way to the workers and in the report.
    if (f_str.find('\0') != std::string::npos) {
        printf("Hledany retezec nesmi obsahovat znak NUL!\n");
        return false;
    }
    return true;
}

// Length of the joined text of soubor; positions are ints, so a longer text ends the run.
int delka_textu(const char *soubor)
{
    FILE *fr = open_f(soubor, "r");
    size_t delka = joined_length(fr);
    close_f(fr);
    if (delka > INT_MAX) {
        printf("Text souboru %s ma %zu znaku, vic nez %d, ktere lze oznacit!\n", soubor, delka,
               INT_MAX);
        exit(1);
    }
    return static_cast<int>(delka);
}

// A heap copy of text in a block sized to fit it.
char *kopie(const std::string &text)
{
    char *blok = aloc_string(static_cast<int>(text.size() + 1));
    memcpy(blok, text.c_str(), text.size() + 1);
    return blok;
}

// Starts one worker per range, each watched by PVM so that its end cannot go unnoticed.
std::vector<int> spust_workery(const std::vector<Rozsah> &rozsahy, char **w_arg)
{
    std::vector<int> wtids;
    for (const Rozsah &rozsah : rozsahy) {
        snprintf(w_arg[1], DELKA_CISLA, "%d", rozsah.odkud);
        snprintf(w_arg[2], DELKA_CISLA, "%d", rozsah.kam);
        int tid = 0;
        if (pvm_spawn(const_cast<char *>("worker"), w_arg, PvmTaskDefault,
                      const_cast<char *>(""), 1, &tid) != 1) {
            fprintf(stderr, "pvm_spawn: Task nebyl vytvoren!\n");
            opust_pvm_s_chybou();
        }
        // A task that has already ended is reported at once, so no end slips through.
        int hostitel = pvm_tidtohost(tid);
        pvm_notify(PvmTaskExit, TAG_KONEC_WORKERU, 1, &tid);
        pvm_notify(PvmHostDelete, TAG_KONEC_HOSTITELE, 1, &hostitel);
        wtids.push_back(tid);
    }
    return wtids;
}

// Message matcher: the awaited reply ranks above any notice of an ended worker or host.
int odpoved_nebo_oznameni(int bufid, int tid, int tag)
{
    pvmminfo info{};
    pvm_getminfo(bufid, &info);
    if (info.src == tid && info.tag == tag)
        return 3;
    return info.tag == TAG_KONEC_WORKERU || info.tag == TAG_KONEC_HOSTITELE ? 2 : 0;
}

// Waits for worker tid's reply, noting in skoncene every ended worker or host PVM announces.
// Returns the reply's buffer, 0 when the worker ended without one, below 0 when PVM fails.
int cekej_na_odpoved(int tid, std::set<int> &skoncene)
{
    for (;;) {
        if (skoncene.count(tid) != 0 || skoncene.count(pvm_tidtohost(tid)) != 0) {
            // The reply and the notice travel different routes; give the reply a moment.
            timeval lhuta = {1, 0};
            return pvm_trecv(tid, TAG_ODPOVED, &lhuta);
        }
        pvm_recvf(odpoved_nebo_oznameni);
        int bufid = pvm_recv(tid, TAG_ODPOVED);
        pvm_recvf(nullptr);  // back to PVM's own matcher, which the grace receive above needs
        int delka = 0, tag = 0, odesilatel = 0;
        if (bufid < 0 || pvm_bufinfo(bufid, &delka, &tag, &odesilatel) < 0 || tag == TAG_ODPOVED)
            return bufid;
        int skonceny = 0;
        pvm_upkint(&skonceny, 1, 1);
        skoncene.insert(skonceny);
    }
}

// All positions received: each reply's in a block of its own, in start order, so that no block
// of millions of them is copied to grow it.
using Vystup = std::vector<std::vector<int>>;

// Adds one reply's positions behind those held; false when it cannot come from its range.
bool rozbal_odpoved(const Rozsah &rozsah, Vystup &vystup)
{
    int nalezl = -1;
    if (pvm_upkint(&nalezl, 1, 1) < 0 || nalezl < 0 || nalezl > rozsah.kam - rozsah.odkud + 1)
        return false;
    if (nalezl == 0)
        return true;
    vystup.emplace_back(nalezl);
    int *p_hlp = vystup.back().data();
    return pvm_upkint(p_hlp, nalezl, 1) >= 0;
}

// Gathers the replies in start order; a worker lost without a usable reply ends the run.
Vystup sber_odpovedi(const std::vector<int> &wtids, const std::vector<Rozsah> &rozsahy)
{
    Vystup vystup;
    std::set<int> skoncene;
    for (size_t i = 0; i < wtids.size(); i++) {
        int bufid = cekej_na_odpoved(wtids[i], skoncene);
        const char *duvod = nullptr;
        if (bufid <= 0)
            duvod = "skoncil bez odpovedi";
        else if (!rozbal_odpoved(rozsahy[i], vystup))
            duvod = "poslal neplatnou odpoved";
        if (duvod != nullptr) {
            fprintf(stderr, "Worker t%x (rozsah %d-%d) %s!\n", static_cast<unsigned>(wtids[i]),
                    rozsahy[i].odkud, rozsahy[i].kam, duvod);
            // An older report left in place would pass for this run's result.
            remove(VYSTUP);
            opust_pvm_s_chybou();
        }
        pvm_freebuf(bufid);  // its positions are copied out
    }
    return vystup;
}

// Joins PVM, runs one worker per range and returns all positions in range order.
Vystup hledej_na_pvm(const std::vector<Rozsah> &rozsahy, char **w_arg)
{
    pvm_setopt(PvmAutoErr, 0);
    int mytid = pvm_mytid();
    if (mytid < 0) {
        fprintf(stderr, "Nelze se spojit s PVM (pvm_mytid: %d), bezi demon pvmd?\n", mytid);
        opust_pvm_s_chybou();
    }
    std::vector<int> wtids = spust_workery(rozsahy, w_arg);
    Vystup vystup = sber_odpovedi(wtids, rozsahy);
    pvm_exit();
    return vystup;
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
// into a buffer that goes out in large writes.
void vypis_pozice(FILE *fw, const Vystup &vystup)
{
    static char kus[1 << 16];
    const size_t nejdelsi = 12;  // "-2147483648\n"
    size_t plno = 0;
    for (const std::vector<int> &odpoved : vystup) {
        for (int pozice : odpoved) {
            if (plno + nejdelsi > sizeof kus) {
                zapis_obema(fw, kus, plno);
                plno = 0;
            }
            plno = std::to_chars(kus + plno, kus + sizeof kus, pozice).ptr - kus;
            kus[plno++] = '\n';
        }
    }
    zapis_obema(fw, kus, plno);
}

// Prints the report and writes it to find_output.txt; a report not written whole is removed.
void vypis_zpravu(const std::string &f_str, const char *soubor, const Vystup &vystup)
{
    FILE *fw = open_f(VYSTUP, "w");
    size_t celkem = 0;
    for (const std::vector<int> &odpoved : vystup)
        celkem += odpoved.size();
    const int nalezeno_celkem = static_cast<int>(celkem);
    if (nalezeno_celkem == 0) {
        obe(fw, "Nebyl nalezen zadny vyskyt podretezce: \"%s\"\n", f_str.c_str());
    } else {
        printf("Pocet nalezenych podretezcu \"%s\"\nv souboru \"%s\" : %d\n\n", f_str.c_str(),
               soubor, nalezeno_celkem);
        fprintf(fw, "Pocet nalezenych podretezcu \"%s\"\nv souboru \"%s\" : %d\n", f_str.c_str(),
                soubor, nalezeno_celkem);
        obe(fw, "Vypis indexu, urcujicich pozice nalezenych podretezcu v retezci:\n");
        vypis_pozice(fw, vystup);
    }
    if (fflush(fw) != 0 || ferror(fw)) {
        fclose(fw);
        remove(VYSTUP);
        fprintf(stderr, "Soubor %s nelze cely zapsat, byl odstranen!\n", VYSTUP);
        exit(1);
    }
    close_f(fw);
}

// The whole run; failures inside end the process with their own messages.
int hledej(int argc, char **argv)
{
    int num_workers = 0;
    std::string f_str;
    if (!cti_zadani(argc, argv, num_workers, f_str))
        return 1;
    const int delka_in = delka_textu(argv[1]);
    // No occurrence fits into a text shorter than the pattern, and no range layout exists.
    if (f_str.size() > static_cast<size_t>(delka_in)) {
        vypis_zpravu(f_str, argv[1], {});
        return 0;
    }
    const int delka_f = static_cast<int>(f_str.size());
    const int num = num_workers_max(delka_in, delka_f);
    if (num_workers > num) {
        num_workers = num;
        printf("Zadan prilis velky pocet workeru, upravuji pocet na: %d.\n\n", num);
    }
    std::vector<Rozsah> rozsahy = rozloz_text(delka_in, delka_f, num_workers);
    char *w_arg[5] = {kopie(argv[1]), aloc_string(DELKA_CISLA), aloc_string(DELKA_CISLA),
                      kopie(f_str), nullptr};
    Vystup vystup = hledej_na_pvm(rozsahy, w_arg);
    for (int i = 0; i < 4; i++)
        free(w_arg[i]);
    vypis_zpravu(f_str, argv[1], vystup);
    return 0;
}

}  // namespace

int spust_farmera(int argc, char **argv)
{
    try {
        return hledej(argc, argv);
    } catch (const std::bad_alloc &) {
        printf("Malo pameti!\n");
        pvm_exit();
        return 1;
    }
}

// kubo-worker: a task spawned by kubo-main; computes the partial mass of every slab it is
// sent and logs its life in "delnik.out", which all workers of a run share.
#include <pvm3.h>

#include <cstdarg>
#include <cstdio>

#include "kubo_prace.h"
#include "kubo_ro.h"

static int chief_tid;
static int ukoncit;

// A log that cannot be written must not stop the computation; it is reported once.
static bool log_hlasen;

static void log(const char *radek)
{
    FILE *f = fopen("delnik.out", "a");
    if (f == nullptr || fprintf(f, "%s", radek) < 0 || fclose(f) != 0) {
        if (!log_hlasen)
            fprintf(stderr, "Delnik %d: Do souboru 'delnik.out' nelze zapisovat.\n", mytid);
        log_hlasen = true;
    }
}

static void loguj(const char *format, ...) __attribute__((format(printf, 1, 2)));

static void loguj(const char *format, ...)
{
    char radek[160];
    va_list argumenty;
    va_start(argumenty, format);
    vsnprintf(radek, sizeof radek, format, argumenty);
    va_end(argumenty);
    log(radek);
}

static void zpracuj_jednotku()
{
    double j[7];
    int funkce;
    for (double &hodnota : j)
        pvm_upkdouble(&hodnota, 1, 1);
    pvm_upkint(&funkce, 1, 1);
    double dilci = vypocti(j[0], j[1], j[2], j[3], j[4], j[5], j[6], funkce);
    loguj("Delnik %d: Dilci hmotnost: %6.10f\n", mytid, dilci);
    pvm_initsend(PvmDataDefault);
    pvm_pkint(&mytid, 1, 1);
    pvm_pkdouble(&dilci, 1, 1);
    pvm_send(chief_tid, ZNACKA_VYSLEDEK);
}

// Waits for the master's messages; work is handled before a stop that came after it, as
// the master sends them in that order. A master that is lost ends the worker too.
static bool smycka_prace()
{
    ukoncit = 0;
    while (ukoncit == 0) {
        int bytes, znacka, odesilatel;
        int zprava = pvm_recv(-1, -1);
        // The daemon of this host is gone: nothing will ever arrive again.
        if (zprava < 0) {
            loguj("Delnik %d: Spojeni s PVM ztraceno (cislo chyby %d), koncim\n", mytid, zprava);
            return false;
        }
        pvm_bufinfo(zprava, &bytes, &znacka, &odesilatel);
        if (znacka == ZNACKA_KONEC_ULOHY) {
            loguj("Delnik %d: Hlavni proces %d skoncil, koncim\n", mytid, chief_tid);
            return false;
        }
        if (odesilatel != chief_tid)
            continue;
        if (znacka == ZNACKA_PRACE)
            zpracuj_jednotku();
        else if (znacka == ZNACKA_KONEC) {
            ukoncit = 1;
            loguj("Delnik %d: Ukoncuji smycku\n", mytid);
        }
    }
    return true;
}

static bool prihlas_se()
{
    pvm_setopt(PvmAutoErr, 0);
    mytid = pvm_mytid();
    if (mytid < 0) {
        fprintf(stderr, "Delnik: Nelze se spojit s PVM (bezi demon pvmd?), cislo chyby %d\n",
                mytid);
        return false;
    }
    // Started by hand rather than by kubo-main, no announcement would ever come.
    if (pvm_parent() < 0) {
        fprintf(stderr, "Delnik %d: Nebyl spusten hlavnim procesem kubo-main, koncim\n", mytid);
        pvm_exit();
        return false;
    }
    return true;
}

// Learns the master from its announcement and reports ready, unless the announcement came
// from someone other than the task that started this worker.
static bool prijmi_hlavniho()
{
    pvm_recv(-1, ZNACKA_HLAVNI);
    pvm_upkint(&chief_tid, 1, 1);
    int rodic = pvm_parent();
    if (rodic != chief_tid) {
        loguj("Delnik %d: Ohlasil se hlavni %d, ale spustil me %d, koncim\n", mytid, chief_tid,
              rodic);
        return false;
    }
    pvm_notify(PvmTaskExit, ZNACKA_KONEC_ULOHY, 1, &chief_tid);
    pvm_initsend(PvmDataDefault);
    pvm_pkint(&mytid, 1, 1);
    pvm_send(chief_tid, ZNACKA_PRIPRAVEN);
    return true;
}

int main()
{
    if (!prihlas_se())
        return 1;
    loguj("Delnik %d: Vytvoren\n", mytid);
    if (!prijmi_hlavniho() || !smycka_prace()) {
        pvm_exit();
        return 1;
    }
    // The leaving line is written before the stopped reply: once the master has every reply
    // it ends the run, and the virtual machine may be halted with it, so a line written
    // later could be lost.
    loguj("Delnik %d: Koncim s behem\n", mytid);
    // The stopped reply goes on the current send buffer, which already begins with this
    // worker's identifier (its last result or its ready message).
    pvm_pkint(&mytid, 1, 1);
    pvm_send(chief_tid, ZNACKA_KONEC);
    pvm_exit();
    return 0;
}

// SPDX-License-Identifier: MIT
// kubo-worker: a task spawned by kubo-main; computes the partial mass of every slab it is
// sent and logs its life in "delnik.out", which all workers of a run share.
#include <pvm3.h>

#include <cstdio>
#include <string>

#include "kubo_log.h"
#include "kubo_prace.h"
#include "kubo_ro.h"
#include "kubo_zpravy.h"
#include "standardni_proudy.h"

static int chief_tid;
static int ukoncit;

// A log that cannot be written, or is not a regular file, must not stop the computation; it
// is reported once.
static bool log_hlasen;

static void log(const std::string &radek)
{
    if (!pripis_do_logu(LOG_DELNIKU, radek)) {
        if (!log_hlasen)
            fprintf(stderr, "Delnik %d: Do souboru 'delnik.out' nelze zapisovat.\n", mytid);
        log_hlasen = true;
    }
}

static void zpracuj_jednotku()
{
    Jednotka j;
    double d;
    int funkce;
    rozbal_jednotku(j, d, funkce);
    double dilci = vypocti(j.xod, j.yod, j.zod, j.xdo, j.ydo, j.zdo, d, funkce);
    log(naformatuj("Delnik %d: Dilci hmotnost: %6.10f\n", mytid, dilci));
    posli_vysledek(chief_tid, dilci);
}

// Waits for the master's messages; work is handled before a stop that came after it, as
// the master sends them in that order. A master that is lost ends the worker too.
static bool smycka_prace()
{
    ukoncit = 0;
    while (ukoncit == 0) {
        int znacka, odesilatel;
        int zprava = prijmi_zpravu(-1, znacka, odesilatel);
        // The daemon of this host is gone: nothing will ever arrive again.
        if (zprava < 0) {
            log(naformatuj("Delnik %d: Spojeni s PVM ztraceno (cislo chyby %d), koncim\n", mytid,
                           zprava));
            return false;
        }
        if (znacka == ZNACKA_KONEC_ULOHY) {
            log(naformatuj("Delnik %d: Hlavni proces %d skoncil, koncim\n", mytid, chief_tid));
            return false;
        }
        if (odesilatel != chief_tid)
            continue;
        if (znacka == ZNACKA_PRACE)
            zpracuj_jednotku();
        else if (znacka == ZNACKA_KONEC) {
            ukoncit = 1;
            log(naformatuj("Delnik %d: Ukoncuji smycku\n", mytid));
        }
    }
    return true;
}

static bool prihlas_delnika()
{
    if (!prihlas_se("Delnik"))
        return false;
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
    chief_tid = prijmi_ohlaseni();
    int rodic = pvm_parent();
    if (rodic != chief_tid) {
        log(naformatuj("Delnik %d: Ohlasil se hlavni %d, ale spustil me %d, koncim\n", mytid,
                       chief_tid, rodic));
        return false;
    }
    pvm_notify(PvmTaskExit, ZNACKA_KONEC_ULOHY, 1, &chief_tid);
    posli_pripraven(chief_tid);
    return true;
}

int main()
{
    hlidej_standardni_proudy();
    // Where the master emptied the log; on a host without that folder, where the daemon
    // started this task.
    prejdi_do_slozky_logu();
    if (!prihlas_delnika())
        return 1;
    log(naformatuj("Delnik %d: Vytvoren\n", mytid));
    if (!prijmi_hlavniho() || !smycka_prace()) {
        pvm_exit();
        return 1;
    }
    // The leaving line is written before the stopped reply: once the master has every reply
    // it ends the run, and the virtual machine may be halted with it, so a line written
    // later could be lost.
    log(naformatuj("Delnik %d: Koncim s behem\n", mytid));
    posli_zastaven(chief_tid);
    pvm_exit();
    return 0;
}

// SPDX-License-Identifier: MIT
// kubo-worker: a task spawned by kubo-main; computes the partial mass of every slab it is
// sent and logs its life in "delnik.out", which all workers of a run share.
#include <cstdio>
#include <string>

#include "kubo_jadro.h"
#include "kubo_log.h"
#include "kubo_prace.h"
#include "kubo_zpravy.h"
#include "standardni_proudy.h"

// One worker's run: its own identifier, its master's, and whether a log that cannot be
// written has been reported.
struct BehDelnika {
    int mytid = 0;
    int chief_tid = 0;
    bool log_hlasen = false;
};

// A log that cannot be written, or is not a regular file, must not stop the computation; it
// is reported once.
static void log(BehDelnika &beh, const std::string &radek)
{
    if (!pripis_do_logu(LOG_DELNIKU, radek)) {
        if (!beh.log_hlasen)
            fprintf(stderr, "Delnik %d: Do souboru 'delnik.out' nelze zapisovat.\n", beh.mytid);
        beh.log_hlasen = true;
    }
}

static bool zpracuj_jednotku(BehDelnika &beh, std::string *chyba)
{
    Jednotka j;
    double d;
    int funkce;
    if (!rozbal_jednotku(&j, &d, &funkce, chyba))
        return false;
    // A master that is gone, killed outright or not, would take no result: the slab is given
    // up at its next percent rather than computed for nobody.
    bool hlavni_pryc = false;
    HlaseniPostupu postup = [&beh, &hlavni_pryc](int procento) {
        printf("%s", radek_postupu(beh.mytid, procento).c_str());
        hlavni_pryc = hlavni_skoncil();
        return !hlavni_pryc;
    };
    double dilci = vypocti(j.xod, j.yod, j.zod, j.xdo, j.ydo, j.zdo, d, funkce, postup);
    // The notice is still waiting: the loop takes it next and ends with its reason.
    if (hlavni_pryc)
        return true;
    log(beh, naformatuj("Delnik %d: Dilci hmotnost: %6.10f\n", beh.mytid, dilci));
    return posli_vysledek(beh.chief_tid, beh.mytid, dilci, chyba);
}

// Waits for the master's messages; work is handled before a stop that came after it, as
// the master sends them in that order. A master that is lost ends the worker too.
static bool smycka_prace(BehDelnika &beh, std::string *chyba)
{
    bool ukoncit = false;
    while (!ukoncit) {
        int znacka, odesilatel;
        int zprava = prijmi_zpravu(-1, znacka, odesilatel);
        // The daemon of this host is gone: nothing will ever arrive again.
        if (zprava < 0) {
            *chyba = naformatuj("Spojeni s PVM ztraceno (cislo chyby %d), koncim", zprava);
            return false;
        }
        if (znacka == ZNACKA_KONEC_ULOHY) {
            *chyba = naformatuj("Hlavni proces %d skoncil, koncim", beh.chief_tid);
            return false;
        }
        if (odesilatel != beh.chief_tid)
            continue;
        if (znacka == ZNACKA_PRACE && !zpracuj_jednotku(beh, chyba))
            return false;
        if (znacka == ZNACKA_KONEC) {
            ukoncit = true;
            log(beh, naformatuj("Delnik %d: Ukoncuji smycku\n", beh.mytid));
        }
    }
    return true;
}

// Joins PVM as a task that kubo-main started; otherwise the whole line for standard error.
static bool prihlas_delnika(BehDelnika &beh, std::string *chyba)
{
    if (!prihlas_se(&beh.mytid, chyba)) {
        *chyba = "Delnik: " + *chyba;
        return false;
    }
    // Started by hand rather than by kubo-main, no announcement would ever come.
    if (rodic_ulohy() < 0) {
        *chyba = naformatuj("Delnik %d: Nebyl spusten hlavnim procesem kubo-main, koncim",
                            beh.mytid);
        odhlas_z_pvm();
        return false;
    }
    return true;
}

// Learns the master from its announcement and reports ready, unless the announcement came
// from someone other than the task that started this worker.
static bool prijmi_hlavniho(BehDelnika &beh, std::string *chyba)
{
    if (!prijmi_ohlaseni(&beh.chief_tid, chyba))
        return false;
    int rodic = rodic_ulohy();
    if (rodic != beh.chief_tid) {
        *chyba = naformatuj("Ohlasil se hlavni %d, ale spustil me %d, koncim", beh.chief_tid,
                            rodic);
        return false;
    }
    return hlidej_hlavniho(beh.chief_tid, chyba) &&
           posli_pripraven(beh.chief_tid, beh.mytid, chyba);
}

// What ends a run after joining goes into the log, with the worker's own prefix.
int main()
{
    hlidej_standardni_proudy();
    // Where the master emptied the log; on a host without that folder, where the daemon
    // started this task.
    prejdi_do_slozky_logu();
    BehDelnika beh;
    std::string chyba;
    if (!prihlas_delnika(beh, &chyba)) {
        fprintf(stderr, "%s\n", chyba.c_str());
        return 1;
    }
    log(beh, naformatuj("Delnik %d: Vytvoren\n", beh.mytid));
    bool zastaven = prijmi_hlavniho(beh, &chyba) && smycka_prace(beh, &chyba);
    // The leaving line is written before the stopped reply: once the master has every reply
    // it ends the run, and the virtual machine may be halted with it, so a line written
    // later could be lost.
    if (zastaven) {
        log(beh, naformatuj("Delnik %d: Koncim s behem\n", beh.mytid));
        zastaven = posli_zastaven(beh.chief_tid, beh.mytid, &chyba);
    }
    if (!zastaven)
        log(beh, naformatuj("Delnik %d: %s\n", beh.mytid, chyba.c_str()));
    odhlas_z_pvm();
    return zastaven ? 0 : 1;
}

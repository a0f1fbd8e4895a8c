// SPDX-License-Identifier: MIT
// kubo-worker's life: the partial mass of every slab it is sent, its lines in the shared log.
#include "integration/kubo_delnik.h"

#include <cstdio>

#include "common/text.h"
#include "integration/jadro/kubo_jadro.h"
#include "integration/kubo_prace.h"
#include "integration/kubo_zpravy.h"

// A log that cannot be written, or is not a regular file, must not stop the computation; it
// is reported once.
static void log(BehDelnika &beh, const std::string &radek)
{
    if (!pripis_do_logu(beh.log.c_str(), radek)) {
        if (!beh.log_hlasen)
            fprintf(stderr, "Delnik %d: Do souboru 'delnik.out' nelze zapisovat.\n", beh.mytid);
        beh.log_hlasen = true;
    }
}

// Whether the run goes on after a receive that gave zprava with tag znacka: not once the
// daemon of this host is gone, nor after the notice of the master's end; why in *chyba.
static bool beh_pokracuje(const BehDelnika &beh, int zprava, int znacka, std::string *chyba)
{
    if (zprava < 0) {
        *chyba = naformatuj("Spojeni s PVM ztraceno (cislo chyby %d), koncim", zprava);
        return false;
    }
    if (znacka == ZNACKA_KONEC_ULOHY) {
        *chyba = naformatuj("Hlavni proces %d skoncil, koncim", beh.chief_tid);
        return false;
    }
    return true;
}

static bool zpracuj_jednotku(BehDelnika &beh, std::string *chyba)
{
    Jednotka j;
    double d;
    int funkce;
    if (!rozbal_jednotku(beh.pvm, &j, &d, &funkce, chyba))
        return false;
    // A master that is gone, killed outright or not, would take no result: the slab is given
    // up at its next percent rather than computed for nobody.
    int konec = 0;
    HlaseniPostupu postup = [&beh, &konec](int procento) {
        printf("%s", radek_postupu(beh.mytid, procento).c_str());
        konec = prijmi_konec_hlavniho(beh.pvm);
        return konec == 0;
    };
    double dilci = vypocti(j, d, funkce, postup);
    if (konec != 0)
        return beh_pokracuje(beh, konec, ZNACKA_KONEC_ULOHY, chyba);
    log(beh, naformatuj("Delnik %d: Dilci hmotnost: %6.10f\n", beh.mytid, dilci));
    return posli_vysledek(beh.pvm, beh.chief_tid, beh.mytid, dilci, chyba);
}

// Waits for the master's messages; work is handled before a stop that came after it, as
// the master sends them in that order. A master that is lost ends the worker too.
static bool smycka_prace(BehDelnika &beh, std::string *chyba)
{
    bool ukoncit = false;
    while (!ukoncit) {
        int znacka, odesilatel;
        int zprava = prijmi_zpravu(beh.pvm, -1, znacka, odesilatel);
        if (!beh_pokracuje(beh, zprava, znacka, chyba))
            return false;
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
    if (!prihlas_se(beh.pvm, &beh.mytid, chyba)) {
        *chyba = "Delnik: " + *chyba;
        return false;
    }
    // Started by hand rather than by kubo-main, no announcement would ever come.
    if (rodic_ulohy(beh.pvm) < 0) {
        *chyba = naformatuj("Delnik %d: Nebyl spusten hlavnim procesem kubo-main, koncim",
                            beh.mytid);
        odhlas_z_pvm(beh.pvm);
        return false;
    }
    return true;
}

// Learns the master from its announcement and reports ready, unless the announcement came
// from someone other than the task that started this worker.
static bool prijmi_hlavniho(BehDelnika &beh, std::string *chyba)
{
    if (!prijmi_ohlaseni(beh.pvm, &beh.chief_tid, chyba))
        return false;
    int rodic = rodic_ulohy(beh.pvm);
    if (rodic != beh.chief_tid) {
        *chyba = naformatuj("Ohlasil se hlavni %d, ale spustil me %d, koncim", beh.chief_tid,
                            rodic);
        return false;
    }
    return hlidej_hlavniho(beh.pvm, beh.chief_tid, chyba) &&
           posli_pripraven(beh.pvm, beh.chief_tid, beh.mytid, chyba);
}

int zij_jako_delnik(BehDelnika &beh)
{
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
        zastaven = posli_zastaven(beh.pvm, beh.chief_tid, beh.mytid, &chyba);
    }
    if (!zastaven)
        log(beh, naformatuj("Delnik %d: %s\n", beh.mytid, chyba.c_str()));
    odhlas_z_pvm(beh.pvm);
    return zastaven ? 0 : 1;
}

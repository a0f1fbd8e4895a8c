// SPDX-License-Identifier: MIT
// The messages between kubo-main and its kubo-worker tasks, and every other PVM call the pair
// makes: the tags, spawning and watching the workers, each message packed and unpacked. Each
// goes through the back end pvm (common/pvm_spojeni.h), which is libpvm in the programs and a
// scripted PVM in the unit tests. A failed call is told in *chyba as
// "<call> selhalo (cislo chyby <code>)".
#pragma once

#include <string>
#include <vector>

#include "common/pvm_spojeni.h"
#include "integration/jadro/kubo_jadro.h"

enum ZnackaZpravy {
    ZNACKA_HLAVNI = 4,     // master announcement: the master's task identifier
    ZNACKA_PRIPRAVEN = 5,  // worker ready: its task identifier
    ZNACKA_KONEC = 6,      // stop (master to workers, empty), stopped (worker to master)
    ZNACKA_PRACE = 7,      // work unit: x, y, z from; x, y, z to; step; density number
    ZNACKA_VYSLEDEK = 8,   // partial result: worker identifier, partial mass
};

// Joins PVM, this task's identifier in *mytid; the message, in both programs' words, says
// whether a daemon runs.
bool prihlas_se(Pvm &pvm, int *mytid, std::string *chyba);

// The worker program, by the name the daemon looks for in its program path.
extern const char *const PROGRAM_DELNIKA;

// Environment variable in which the master hands its working folder to the workers it spawns.
extern const char *const PROMENNA_SLOZKY_LOGU;

// Master: names its working folder in PROMENNA_SLOZKY_LOGU and has PVM pass that variable to
// every task it spawns. False when the folder cannot be told (then workers log where the
// daemon starts them).
bool predej_slozku_logu(Pvm &pvm);

// Worker: moves into the folder the master handed over, where the master emptied the log.
// False, staying where the daemon started it, when none was handed over or this host has no
// such folder.
bool prejdi_do_slozky_logu();

// Master: starts one PROGRAM_DELNIKA. Its task identifier, or PVM's negative error code.
int spust_delnika(Pvm &pvm);



// Master: asks the daemons for a notice of each worker's end and of the loss of its host.
bool hlidej_delniky(Pvm &pvm, const std::vector<int> &delnici, std::string *chyba);

// Master to every worker given: its own identifier hlavni (tag 4).
bool posli_ohlaseni(Pvm &pvm, int hlavni, const std::vector<int> &delnici, std::string *chyba);
// Master to one worker: the box j with step d and density druh_funkce (tag 7).
bool posli_jednotku(Pvm &pvm, int tid, const Jednotka &j, double d, int druh_funkce,
                    std::string *chyba);
// Master to the workers given: stop (tag 6). The message is empty; workers read nothing.
bool posli_konec(Pvm &pvm, const std::vector<int> &delnici, std::string *chyba);

// Worker: blocks for the announcement; the master's identifier in *hlavni.
bool prijmi_ohlaseni(Pvm &pvm, int *hlavni, std::string *chyba);
// Worker: asks the daemons for a notice of the master's end.
bool hlidej_hlavniho(Pvm &pvm, int hlavni, std::string *chyba);
// Worker: takes the notice of the master's end if it has come, without waiting. Returns 0
// when it has not, above 0 when it has, and PVM's negative code when this host's daemon is
// gone (no notice could ever come).
int prijmi_konec_hlavniho(Pvm &pvm);
// Worker mytid to master hlavni: ready (tag 5).
bool posli_pripraven(Pvm &pvm, int hlavni, int mytid, std::string *chyba);
// Worker mytid to master hlavni: the partial mass of its unit (tag 8).
bool posli_vysledek(Pvm &pvm, int hlavni, int mytid, double dilci, std::string *chyba);
// Worker mytid to master hlavni: stopped (tag 6).
bool posli_zastaven(Pvm &pvm, int hlavni, int mytid, std::string *chyba);

// Unpacking the message just received; false when it holds less than its tag promises. A task
// identifier: the first item of the ready and stopped replies and of both notices.
bool rozbal_tid(Pvm &pvm, int *tid, std::string *chyba);
bool rozbal_jednotku(Pvm &pvm, Jednotka *j, double *d, int *druh_funkce, std::string *chyba);
bool rozbal_vysledek(Pvm &pvm, int *tid, double *dilci, std::string *chyba);

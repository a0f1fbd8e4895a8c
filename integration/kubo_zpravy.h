// SPDX-License-Identifier: MIT
// The messages between kubo-main and its kubo-worker tasks: every tag of the pair, and the
// one place where each message is packed and unpacked.
#pragma once

#include "kubo_prace.h"

enum ZnackaZpravy {
    ZNACKA_HLAVNI = 4,     // master announcement: the master's task identifier
    ZNACKA_PRIPRAVEN = 5,  // worker ready: its task identifier
    ZNACKA_KONEC = 6,      // stop (master to workers, empty), stopped (worker to master)
    ZNACKA_PRACE = 7,      // work unit: x, y, z from; x, y, z to; step; density number
    ZNACKA_VYSLEDEK = 8,   // partial result: worker identifier, partial mass
    // Notices from the PVM daemons, never sent by a task: a task has exited (its identifier),
    // a host has been lost (the identifier of its daemon).
    ZNACKA_KONEC_ULOHY = 90,
    ZNACKA_KONEC_HOSTITELE = 91,
};

// Joins PVM and sets mytid. On failure prints why on standard error, with role ("Hlavni",
// "Delnik") in front, and returns false. libpvm's own messages are switched off.
bool prihlas_se(const char *role);

// Waits for the next message from anyone, at most lhuta_s seconds (below 0: for ever).
// Returns its buffer with the tag in znacka and the sender in odesilatel, 0 when the time
// ran out, or PVM's negative error code when no message can ever come.
int prijmi_zpravu(double lhuta_s, int &znacka, int &odesilatel);

// Environment variable in which the master hands its working folder to the workers it spawns.
extern const char *const PROMENNA_SLOZKY_LOGU;

// Master: names its working folder in PROMENNA_SLOZKY_LOGU and has PVM pass that variable to
// every task it spawns. False when the folder cannot be told (then workers log where the
// daemon starts them).
bool predej_slozku_logu();

// Worker: moves into the folder the master handed over, where the master emptied the log.
// False, staying where the daemon started it, when none was handed over or this host has no
// such folder.
bool prejdi_do_slozky_logu();

// Master to every worker of the table: its own identifier (tag 4).
void posli_ohlaseni(const int *delnici, int pocet);
// Master to one worker: the box j with step d and density druh_funkce (tag 7).
void posli_jednotku(int tid, const Jednotka &j, double d, int druh_funkce);
// Master to the workers given: stop (tag 6). The message is empty; workers read nothing.
void posli_konec(const int *delnici, int pocet);

// Worker: blocks for the announcement and returns the master's identifier.
int prijmi_ohlaseni();
// Worker to master: ready (tag 5).
void posli_pripraven(int chief_tid);
// Worker to master: the partial mass of its unit (tag 8).
void posli_vysledek(int chief_tid, double dilci);
// Worker to master: stopped (tag 6).
void posli_zastaven(int chief_tid);

// Unpacking the message just received. A task identifier: the first item of the ready and
// stopped replies and of both notices.
int rozbal_tid();
void rozbal_jednotku(Jednotka &j, double &d, int &druh_funkce);
void rozbal_vysledek(int &tid, double &dilci);

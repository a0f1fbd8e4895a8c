// SPDX-License-Identifier: MIT
// zadosti_demona: the tasker's side of its talk with the PVM daemon: registering as the one
// that starts the host's tasks, the daemon's requests to start one, and the word that one ended.
// A failure is told in *chyba as "<call>: <PVM's code>; <what it means>".
#pragma once

#include <sys/resource.h>

#include <string>
#include <vector>

// The daemon as the tasker knows it: its identifier, as it signs its start requests (0 until
// the first), whether it is still there, and whether a call to PVM has failed.
struct Demon {
    int tid = 0;
    bool bezi = true;
    bool selhalo = false;
};

// A request of the daemon to start a task: the identifier the task gets, its program, its
// arguments (the program's name first) and the variables to add to its environment.
struct Zadost_o_start {
    int tid = 0;
    std::string cesta;
    std::vector<std::string> argumenty;
    std::vector<std::string> prostredi;
};

// Joins PVM and registers this task as the host's tasker; on a failure it is out of PVM again.
bool prihlas_jako_tasker(std::string *chyba);

// The descriptor the daemon's messages arrive on, or -1 when there is none to wait for.
int deskriptor_demona(const Demon &demon);

// Whether a message of the daemon with this tag asks for a task to be started.
bool je_zadost_o_start(int znacka);

// Unpacks the start request just received. On a failure zadost.tid is the task's identifier
// when that much could be read, else 0.
bool vybal_zadost_o_start(Demon &demon, Zadost_o_start &zadost, std::string *chyba);

// Tells the daemon that the task tid has ended, with its wait status and times. A daemon that
// is gone is not told, and demon.bezi turns false: that is how a run ends, not a failure.
bool ohlas_konec_ulohy(Demon &demon, int tid, int status, const rusage &cas, std::string *chyba);

// A task asked for (tid; 0: none known) but not started has ended at once for the daemon,
// which would else wait for it. *chyba holds what kept it from starting; a failure to tell
// the daemon is added to it. Returns false, as the start failed.
bool ohlas_nespusteni(Demon &demon, int tid, std::string *chyba);

// SPDX-License-Identifier: MIT
// spusteni_ulohy: a task's program started as a child of the tasker, its output on a pipe.
#pragma once

#include <sys/types.h>

#include <string>

#include "tasker/zadosti_demona.h"

// Starts the program of zadost with its arguments and with its variables added to the
// environment; its standard input is /dev/null, its standard output and error go into a new
// pipe, whose read end (not blocking) is roura. Only the failure to make the pipe or the
// process is told; a program that cannot be run ends with status 127, saying why.
bool spust_potomka(Zadost_o_start &zadost, pid_t &pid, int &roura, std::string *chyba);

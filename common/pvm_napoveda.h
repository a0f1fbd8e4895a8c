// SPDX-License-Identifier: MIT
// Advice for a user whose PVM daemon could not find a task program to spawn.
#pragma once

#include <string>
#include <vector>

#include "common/pvm_spojeni.h"

// PVM's architecture name ("LINUX64") of the host the task tid runs on, asked through pvm, or
// "$PVM_ARCH" when PVM cannot tell.
std::string architektura_hostitele(Pvm &pvm, int tid);


// Lines, without line ends, saying that the daemon did not find program, where a default
// daemon of architecture arch looks for it (PVM does not tell a task the hostfile's ep=), and
// what to do about it; or, when a file of that name lies in one of those folders or in
// PVM_PATH without its execute bit, that it is not executable and how to make it so.
std::vector<std::string> napoveda_nenalezeneho_programu(const std::string &program,
                                                        const std::string &arch);

// The advice above for program, with the architecture of task mytid's host: why the daemon
// may not have found it and what to do, line by line.
std::vector<std::string> napoveda_k_programu(Pvm &pvm, int mytid, const std::string &program);

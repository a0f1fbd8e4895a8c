// SPDX-License-Identifier: MIT
// pvm-run-tasker: starts the tasks of a private PVM virtual machine in place of its daemon and
// keeps every line they write, whole and tagged with the task's identifier, in one file.
//
// usage: pvm-run-tasker 3>FILE   (the lines go to descriptor 3, which pvm-run opens)
//
// A daemon reads its tasks' output in pieces of at most 3999 bytes and logs each piece as a
// line of its own, so its log cannot give a task's lines back whole. PVM lets one task of a
// host start the others in the daemon's place (pvm_reg_tasker): this one starts each with its
// standard output and error on a pipe of its own, and writes the lines to FILE as they come.
// A line longer than the bound of vystup_uloh.h is written in pieces as it comes. It prints
// "ready" once registered, and ends with status 1 when lines could not be written or a call
// to PVM failed. On SIGTERM it waits a few seconds for its tasks to end by themselves; it
// ends when they have, or when the daemon is gone.
#include "tasker/beh_taskeru.h"

int main(int argc, char **) { return spust_tasker(argc); }

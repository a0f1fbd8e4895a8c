// SPDX-License-Identifier: MIT
// Checks of kubo-main's report against partial masses the test works out itself: the slabs by
// the master's rules written here again, and each slab's mass by the plain cell loops, so that
// a fault in the program's plan or kernel shows instead of cancelling out.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "integration/kubo_prace.h"

Kvadr kvadr(double x, double y, double z);

// The partial masses of the run's slabs, each added up cell by cell in the loops' order. About
// half a second per 1e8 cells: for runs of up to a few 1e7 cells.
std::vector<double> dilci_hmotnosti(const Kvadr &kvadr, double d, int funkce, int velikost);

// The same slabs, each computed by the program's own kernel: for runs too large for the plain
// loops. It checks the run's slabs, results and total, not the kernel's arithmetic, which the
// smaller runs check against the plain loops.
std::vector<double> dilci_hmotnosti_jadrem(const Kvadr &kvadr, double d, int funkce,
                                           int velikost);

// True when the report's partial masses are exactly the plan's slabs (each printed partial
// matched to a slab with that printed value), and its total is the sum of the slabs added in
// slab order, whatever order their results arrived in.
::testing::AssertionResult soucet_sedi(const std::string &vystup, std::vector<double> plan);

// The value printed in the report's total line, or "" when there is no single one.
std::string soucet_zpravy(const std::string &vystup);

// The total that kubo-main prints for the seven arguments with one worker instead of the
// sixth argument's count, run on a private virtual machine of its own.
std::string soucet_jednoho_delnika(std::vector<std::string> argumenty);

// A bash script (its first argument: the tests' helper ulohy_behu.sh, given as $0) that runs
// the command given after the seconds to wait, then waits that long at most for the
// kubo-worker.exe tasks of this run (working in this folder) to be gone, prints "zbyvajici
// delnici:" and those still there, and passes the command's status through. Run inside
// pvm-run.sh, so that only the run itself can have ended its workers, before pvm-run.sh ends
// whatever is left.
extern const char *const PAK_CEKEJ_NA_DELNIKY;

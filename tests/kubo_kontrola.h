// SPDX-License-Identifier: MIT
// Checks of kubo-main's report against the slab plan computed in the test itself.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kubo_prace.h"

Kvadr kvadr(double x, double y, double z);

// The partial masses of the run's slabs, computed here with the same kernel.
std::vector<double> dilci_hmotnosti(const Kvadr &kvadr, double d, int funkce, int velikost);

// True when the report's partial masses are exactly the plan's slabs (each printed partial
// matched to a slab with that printed value), and its total is the sum of the slabs added in
// slab order, whatever order their results arrived in.
::testing::AssertionResult soucet_sedi(const std::string &vystup, std::vector<double> plan);

// The value printed in the report's total line, or "" when there is no single one.
std::string soucet_zpravy(const std::string &vystup);

// The total that kubo-main prints for the seven arguments with one worker instead of the
// sixth argument's count, run on a private virtual machine of its own.
std::string soucet_jednoho_delnika(std::vector<std::string> argumenty);

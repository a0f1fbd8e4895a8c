// Checks of kubo-main's report against the slab plan computed in the test itself.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kubo_prace.h"

Kvadr kvadr(double x, double y, double z);

// The partial masses of the run's slabs, computed here with the same kernel.
std::vector<double> dilci_hmotnosti(const Kvadr &kvadr, double d, int funkce, int velikost);

// True when the report's partial masses are exactly the plan's slabs, and its total is the
// sum of those slabs added in the order their results arrived (each printed partial matched
// to a slab with that printed value).
::testing::AssertionResult soucet_sedi(const std::string &vystup, std::vector<double> plan);

// SPDX-License-Identifier: MIT
// Whole runs of kubo-main as a careless or hostile user meets it: numbers typed the Czech
// way, a planted delnik.out link, a reader that goes away, a master killed outright, and a
// terminal on standard error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_runner.h"

namespace {

// A decimal comma is refused before anything else happens, with the number written right.
TEST(KuboArgumenty, DesetinnaCarkaJeOdmitnutaSRadou)
{
    TempDir dir;
    RunResult r = run_program({program_path("kubo-main"), "20,5", "10", "1", "0.005", "1", "5", "5"},
                              "", dir.path(), 20,
                              {"PVM_TMP=" + dir.path(), "PVM_ALLOW_ROOT=1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Argument <x> \"20,5\" neni cislo: desetinnou cast oddelte teckou, ne carkou "
                     "(20.5).\n");
}

}  // namespace

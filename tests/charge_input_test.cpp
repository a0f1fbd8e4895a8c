// SPDX-License-Identifier: MIT
// Whole runs of charge-input with answers given in several shapes.
#include <gtest/gtest.h>

#include "tests/program_runner.h"

namespace {

const char *const SEST_VYZEV =
    "Zadejte z-ovou souradnici naboje: "
    "Zadejte hodnotu naboje: "
    "Zadejte x-ovou velikost plochy: "
    "Zadejte y-ovou velikost plochy: "
    "Zadejte relativni permeabilitu: "
    "Pocet procesu: ";

RunResult odpovez(const std::string &vstup)
{
    TempDir dir;
    return run_program({program_path("charge-input")}, vstup, dir.path(), 20);
}

TEST(ChargeInput, OdpovediNaRadcichIJednomRadkuVytisknouJenVyzvy)
{
    for (const char *vstup : {"5\n1.5e-9\n10\n20\n1.0\n4\n", "5 1.5e-9 10 20 1.0 4\n"}) {
        RunResult r = odpovez(vstup);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, SEST_VYZEV);
        EXPECT_EQ(r.err, "");
    }
}

TEST(ChargeInput, UzavrenyVstupNecekaAKonci)
{
    RunResult r = odpovez("");
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, SEST_VYZEV);
}

TEST(ChargeInput, NeciselnaPrvniOdpovedNezastaviZbyleVyzvy)
{
    RunResult r = odpovez("abc 1 2 3 4 5\n");
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, SEST_VYZEV);
}

TEST(ChargeInput, ZavrenyNeboPlnyVystupKonciChybou)
{
    TempDir dir;
    for (const char *presmerovani : {">&-", "> /dev/full"}) {
        RunResult r = run_program(with_redirection(presmerovani, {program_path("charge-input")}),
                                  "5 1.5e-9 10 20 1.0 4\n", dir.path(), 20);
        EXPECT_EQ(r.status, 1) << presmerovani;
        EXPECT_EQ(r.err, "Vyzvy nelze zapsat na standardni vystup.\n") << presmerovani;
    }
}

TEST(ChargeInput, ZavrenyVstupJeKonecVstupu)
{
    TempDir dir;
    RunResult r = run_program(with_redirection("<&-", {program_path("charge-input")}), "",
                              dir.path(), 20);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, SEST_VYZEV);
}

}  // namespace

// SPDX-License-Identifier: MIT
// Whole runs of kubo-main at the edges of what its arithmetic does well: rows too long for the
// kernel to hold at once, and totals the arithmetic makes plainly wrong, whose report keeps its
// digits and is followed by a warning on standard error, the status staying 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/kubo_kontrola.h"
#include "tests/program_runner.h"

namespace {

const char *const CARA_KRATKA = "--------------------------------------------";

// kubo-main with the arguments on a private virtual machine, standard error after standard
// output in one stream (2>&1), as a terminal shows them.
RunResult kubo_main(const TempDir &dir, const std::vector<std::string> &argumenty)
{
    std::vector<std::string> argv = {script_path("pvm-run.sh"), "-e", program_path(""),
                                     program_path("kubo-main")};
    argv.insert(argv.end(), argumenty.begin(), argumenty.end());
    return run_program(with_redirection("2>&1", argv), "", dir.path());
}

// The lines after the report's last dashes line: the total, the dashes, and what follows.
std::vector<std::string> po_souctu(const std::string &vystup)
{
    std::vector<std::string> radky = lines_of(vystup);
    size_t soucet = 0;
    while (soucet < radky.size() && radky[soucet].rfind("Hmotnost kvadru: ", 0) != 0)
        soucet++;
    return std::vector<std::string>(radky.begin() + std::min(soucet, radky.size()), radky.end());
}

// A unit cube of density 1 in 1e18 cells: the running sum stops growing at 1/64.
TEST(KuboVarovani, SoucetKteryPrestalRustSeOhlasi)
{
    TempDir dir;
    RunResult r = kubo_main(dir, {"1", "1", "1", "1e-6", "1", "2", "100"});
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(po_souctu(r.out),
              (std::vector<std::string>{
                  "Hmotnost kvadru: 0.0156250000", CARA_KRATKA,
                  "Varovani: Hmotnost kvadru vyse se lisi o 98.44 % od presneho souctu tychz "
                  "bunek (1): pri scitani po bunkach se v zaokrouhlovani ztratila cast "
                  "prirustku."}))
        << r.out;
}

// Step 0.5 in 1 % slabs: every slab counts a layer of cells 0.5 thick.
TEST(KuboVarovani, KrokSirsiNezVrstvaSeOhlasi)
{
    TempDir dir;
    RunResult r = kubo_main(dir, {"1", "1", "1", "0.5", "1", "1", "1"});
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(po_souctu(r.out),
              (std::vector<std::string>{
                  "Hmotnost kvadru: 50.0000000000", CARA_KRATKA,
                  "Varovani: bunky vypoctu presahuji kvadr o 4900.0 % jeho objemu: integracni "
                  "krok 0.5 je sirsi nez vrstva 0.01, kazda vrstva tak zapocita celou vrstvu "
                  "bunek."}))
        << r.out;
}

// The warning goes to standard error alone: standard output is the report as it was.
TEST(KuboVarovani, VarovaniJenNaChybovemVystupu)
{
    TempDir dir;
    std::vector<std::string> argv = {script_path("pvm-run.sh"), "-e", program_path(""),
                                     program_path("kubo-main"), "1", "1", "1", "0.5", "1", "1",
                                     "1"};
    RunResult r = run_program(argv, "", dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("Varovani"), std::string::npos);
    EXPECT_EQ(lines_of(r.out).back(), CARA_KRATKA);
    EXPECT_EQ(matching(r.err, "(Varovani): .*").size(), 1u) << r.err;
}

// The example of the README, densities 1 and 3: nothing after the report.
TEST(KuboVarovani, PrikladBezVarovani)
{
    for (const char *funkce : {"1", "3"}) {
        TempDir dir;
        RunResult r = kubo_main(dir, {"20", "10", "1", "0.005", funkce, "5", "5"});
        ASSERT_FALSE(r.timed_out);
        EXPECT_EQ(r.status, 0) << r.out;
        std::vector<std::string> konec = po_souctu(r.out);
        ASSERT_EQ(konec.size(), 2u) << r.out;
        EXPECT_EQ(konec[1], CARA_KRATKA);
    }
}

// Rows of 4.2 million cells along y: worked out in blocks like shorter ones, not cell by cell
// (which took hours), to the total of the same kernel in this process; the plain loops would
// take as long here.
TEST(KuboDlouheRady, DlouhaOsaYDobehne)
{
    TempDir dir;
    std::vector<std::string> argv = {script_path("pvm-run.sh"), "-e", program_path(""),
                                     program_path("kubo-main"), "0.1", "4.2", "0.001", "1e-6",
                                     "1", "1", "100"};
    RunResult r = run_program(argv, "", dir.path(), 60);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(
        soucet_sedi(r.out, dilci_hmotnosti_jadrem(kvadr(0.1, 4.2, 0.001), 1e-6, 1, 100)));
}

}  // namespace

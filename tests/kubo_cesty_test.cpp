// SPDX-License-Identifier: MIT
// Whole runs of kubo-main with each CPU path forced on its workers through KVS_CESTA_CPU: the
// report, the workers' log and their progress lines are the same bytes on every path.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>
#include <string>
#include <vector>

#include "common/cesta_cpu.h"
#include "tests/kubo_kontrola.h"
#include "tests/program_runner.h"

namespace {

// Everything a run shows, task identifiers left out (they may differ from one virtual
// machine to the next), and the report as printed.
struct Vystupy {
    std::string zprava, log, ulohy, cesty_delniku, vytistena_zprava;
};

std::string bez_identifikatoru(const std::string &text)
{
    static const std::regex tid("(Hlavni|[Dd]elnik[a-z]*|cislo|proces) [0-9]+");
    static const std::regex tid_ulohy("\\[t[0-9a-f]+\\] ");
    return std::regex_replace(std::regex_replace(text, tid, "$1 N"), tid_ulohy, "[t] ");
}

// kubo-main with one worker, so that the order of every line is fixed, on a private virtual
// machine started with KVS_CESTA_CPU=cesta. The worker is spawned through a script that
// notes the path it was given before it becomes the real kubo-worker, so that the test sees
// the variable reach it.
Vystupy beh_na_ceste(const std::string &cesta, const std::vector<std::string> &argumenty)
{
    TempDir dir, programy;
    programy.write("kubo-worker.exe", "#!/bin/sh\necho \"$KVS_CESTA_CPU\" >> cesty_delniku.txt\n"
                                      "exec \"" + program_path("kubo-worker") + "\" \"$@\"\n");
    chmod(programy.file("kubo-worker.exe").c_str(), 0755);
    // The script's folder first, so that the daemon finds it before the real program; the
    // build's folder after it for the tasker that -o needs.
    std::vector<std::string> argv = {script_path("pvm-run.sh"), "-o", "ulohy.txt", "-e",
                                     programy.path() + ":" + program_path(""),
                                     program_path("kubo-main")};
    argv.insert(argv.end(), argumenty.begin(), argumenty.end());
    RunResult r = run_program(argv, "", dir.path(), 120,
                              {std::string(PROMENNA_CESTY_CPU) + "=" + cesta});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    return {bez_identifikatoru(r.out), bez_identifikatoru(dir.read("delnik.out")),
            bez_identifikatoru(dir.read("ulohy.txt")), dir.read("cesty_delniku.txt"), r.out};
}

// Masses of about 2.5e7, which "%6.10f" prints with every bit; rows of 200 cells, and ten slabs
// of 40 rows along x, whose row values repeat from slab to slab.
const std::vector<std::string> KVADR = {"100", "50", "50", "0.25"};

std::vector<std::string> argumenty(int funkce)
{
    std::vector<std::string> a = KVADR;
    for (const std::string &dalsi : {std::to_string(funkce), std::string("1"), std::string("10")})
        a.push_back(dalsi);
    return a;
}

class KuboNaCeste : public ::testing::TestWithParam<CestaCpu> {};

// The baseline every x86-64 CPU has: its total is the sum of the slabs this test works out.
TEST(KuboNaCesteSse2, SoucetOdpovidaPlanu)
{
    for (int funkce = 1; funkce <= 3; funkce++) {
        Vystupy sse2 = beh_na_ceste("sse2", argumenty(funkce));
        EXPECT_EQ(sse2.cesty_delniku, "sse2\n");
        std::vector<double> plan = dilci_hmotnosti(kvadr(100, 50, 50), 0.25, funkce, 10);
        EXPECT_TRUE(soucet_sedi(sse2.vytistena_zprava, plan)) << funkce;
        EXPECT_NE(sse2.ulohy.find("[t] Delnik N: Pocitam dilci hmotnost [50%]\n"),
                  std::string::npos)
            << sse2.ulohy;
    }
}

TEST_P(KuboNaCeste, StejneBajtyJakoSse2)
{
    const char *cesta = nazev_cesty_cpu(GetParam());
    if (!cpu_umi(GetParam()))
        GTEST_SKIP() << "this CPU cannot run the " << cesta << " path";
    for (int funkce = 1; funkce <= 3; funkce++) {
        Vystupy sse2 = beh_na_ceste("sse2", argumenty(funkce));
        Vystupy sirsi = beh_na_ceste(cesta, argumenty(funkce));
        EXPECT_EQ(sirsi.cesty_delniku, std::string(cesta) + "\n");
        EXPECT_EQ(sirsi.zprava, sse2.zprava) << cesta << ", funkce " << funkce;
        EXPECT_EQ(sirsi.log, sse2.log) << cesta << ", funkce " << funkce;
        EXPECT_EQ(sirsi.ulohy, sse2.ulohy) << cesta << ", funkce " << funkce;
    }
}

INSTANTIATE_TEST_SUITE_P(Cesty, KuboNaCeste, ::testing::Values(CESTA_OBECNA, CESTA_AVX2, CESTA_AVX512),
                         [](const ::testing::TestParamInfo<CestaCpu> &info) {
                             return std::string(nazev_cesty_cpu(info.param));
                         });

}  // namespace

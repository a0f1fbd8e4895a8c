// SPDX-License-Identifier: MIT
// Whole runs of kubo-main as a careless or hostile user meets it: numbers typed the Czech
// way, a planted delnik.out link, a reader that goes away, a master killed outright, and a
// terminal on standard error.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "program_runner.h"

namespace {

namespace fs = std::filesystem;

// kubo-main with the arguments on a private virtual machine, run in dir.
RunResult kubo_main(const TempDir &dir, const std::vector<std::string> &argumenty, int limit_s = 120)
{
    std::vector<std::string> argv = {script_path("pvm-run.sh"), "-e", program_path(""),
                                     program_path("kubo-main")};
    argv.insert(argv.end(), argumenty.begin(), argumenty.end());
    return run_program(argv, "", dir.path(), limit_s);
}

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

// A delnik.out link, planted to aim a run's log at a file of someone else's or at a name
// that does not exist yet: the run replaces the link with its own log and leaves both alone.
TEST(KuboLog, OdkazJeNahrazenCilZustaneNedotcen)
{
    TempDir cizi;
    cizi.write("cenny.txt", "cenny obsah\n");
    for (const std::string &cil : {cizi.file("cenny.txt"), cizi.file("nic.txt")}) {
        TempDir dir;
        fs::create_symlink(cil, dir.file("delnik.out"));
        RunResult r = kubo_main(dir, {"2", "1", "1", "0.1", "1", "2", "50"});
        ASSERT_EQ(r.status, 0) << cil << r.out << r.err;
        EXPECT_EQ(cizi.read("cenny.txt"), "cenny obsah\n") << cil;
        EXPECT_FALSE(fs::exists(fs::symlink_status(cizi.file("nic.txt")))) << cil;
        struct stat st;
        ASSERT_EQ(lstat(dir.file("delnik.out").c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << cil;
        std::string log = dir.read("delnik.out");
        EXPECT_EQ(matching(log, "Delnik \\d+: (Dilci hmotnost): .*").size(), 2u) << log;
        EXPECT_EQ(matching(log, "Delnik \\d+: (Koncim s behem)").size(), 2u) << log;
    }
}

}  // namespace

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

// Runs the command given after the seconds to wait, then waits that long at most for the
// kubo-worker.exe tasks of this run (working in this folder) to be gone, prints "zbyvajici
// delnici:" and those still there, and passes the command's status through. $0 is the
// tests' helper that finds them. Inside pvm-run.sh, so that only the run itself can have
// ended its workers, before pvm-run.sh ends whatever is left.
const char *const PAK_CEKEJ_NA_DELNIKY = R"sh(
. "$0"
limit=$1
shift
"$@"; status=$?
for _ in $(seq $((limit * 20))); do
  zbyvajici=$(task_of_this_run kubo-worker.exe)
  [ -z "$zbyvajici" ] && break
  sleep 0.05
done
echo "zbyvajici delnici:${zbyvajici:+ $zbyvajici}"
exit $status)sh";

// The command, with kubo-main and the arguments after it, run inside a private virtual
// machine and followed by the wait for the workers of PAK_CEKEJ_NA_DELNIKY.
RunResult s_cekanim_na_delniky(const TempDir &dir, int limit_s, std::vector<std::string> prikaz,
                               const std::vector<std::string> &argumenty)
{
    std::vector<std::string> argv = {script_path("pvm-run.sh"), "-e", program_path(""),
                                     "/bin/bash", "-c", PAK_CEKEJ_NA_DELNIKY,
                                     test_script_path("ulohy_behu.sh"), std::to_string(limit_s)};
    argv.insert(argv.end(), prikaz.begin(), prikaz.end());
    argv.push_back(program_path("kubo-main"));
    argv.insert(argv.end(), argumenty.begin(), argumenty.end());
    return run_program(argv, "", dir.path(), 120);
}

// The lines a worker logs when it ends because its master is gone.
std::vector<std::string> osirele(const TempDir &dir)
{
    return matching(dir.read("delnik.out"), "Delnik \\d+: (Hlavni proces \\d+ skoncil), koncim");
}

// A reader that takes the first 22 lines and goes: the master's next line fails, and the
// master kills its workers, leaves PVM and ends with 1 at once instead of computing the
// rest (each of the 100 slabs takes its worker a few milliseconds).
TEST(KuboZavrenaRoura, HlavniUkonciDelnikyHnedAKonciJednickou)
{
    TempDir dir;
    RunResult r = s_cekanim_na_delniky(
        dir, 5, {"/bin/bash", "-c", "\"$@\" | head -n 22; exit \"${PIPESTATUS[0]}\"", "sh"},
        {"4", "2", "1", "0.001", "3", "2", "1"});
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(r.err, "Hlavni: Zpravu o behu nelze zapsat na standardni vystup.\n");
    std::vector<std::string> radky = lines_of(r.out);
    ASSERT_EQ(radky.size(), 23u) << r.out;
    EXPECT_EQ(radky.back(), "zbyvajici delnici:");
    std::string log = dir.read("delnik.out");
    EXPECT_LT(matching(log, "Delnik \\d+: (Dilci hmotnost): .*").size(), 100u) << log;
    // Killed by the master, not left to find out by themselves.
    EXPECT_TRUE(osirele(dir).empty()) << log;
}

// Ctrl-C after the reader has gone: the interrupt's own line meets the closed pipe, and the
// workers are still killed. Each slab keeps its worker busy far longer than the test takes.
TEST(KuboZavrenaRoura, PreruseniSeZavrenymVystupemUkonciDelniky)
{
    TempDir dir;
    const char *ctenar_odejde_a_pak_preruseni = R"sh(
mkfifo vystup
head -n 23 < vystup & ctenar=$!
"$@" > vystup & hlavni=$!
wait "$ctenar"
kill -INT "$hlavni"
wait "$hlavni")sh";
    RunResult r = s_cekanim_na_delniky(dir, 5, {"/bin/bash", "-c", ctenar_odejde_a_pak_preruseni, "sh"},
                                       {"20", "10", "10", "0.002", "3", "2", "50"});
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 130) << r.out << r.err;
    std::vector<std::string> radky = lines_of(r.out);
    ASSERT_EQ(radky.size(), 24u) << r.out;
    EXPECT_EQ(matching(radky[22], "Hlavni \\d+: (Spoustim smycku zprav)").size(), 1u) << r.out;
    EXPECT_EQ(radky.back(), "zbyvajici delnici:");
    EXPECT_TRUE(osirele(dir).empty()) << dir.read("delnik.out");
}

// kubo-main killed outright mid-slab: nothing of it can stop the workers, which find out
// through the daemon's notice at their next percent and end long before their slab would.
TEST(KuboOsirelyDelnik, KonciDoProcentaVrstvy)
{
    TempDir dir;
    RunResult r = s_cekanim_na_delniky(
        dir, 10, {test_script_path("zabij_za_behu.sh"), "line:Spoustim smycku zprav", "task:kubo-main", "KILL", "--"},
        {"40", "10", "10", "0.002", "3", "2", "50"});
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 128 + 9) << r.out << r.err;
    EXPECT_NE(r.err.find("killed task:kubo-main"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("zbyvajici delnici:\n"), std::string::npos) << r.out;
    std::string log = dir.read("delnik.out");
    EXPECT_EQ(osirele(dir).size(), 2u) << log;
    EXPECT_EQ(log.find("Dilci hmotnost"), std::string::npos) << log;
}

}  // namespace

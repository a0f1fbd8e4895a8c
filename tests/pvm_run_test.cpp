// scripts/pvm-run.sh as a user meets it: the tasks' lines kept with -o, signals, the daemon's
// descriptor limit.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "kubo_kontrola.h"
#include "kubo_ro.h"
#include "program_runner.h"

namespace fs = std::filesystem;

namespace {

// Every progress line the kernel prints for the run's slabs, with the worker's number left
// out, sorted: what the workers of the run must have written between them.
std::vector<std::string> ocekavany_postup(const Kvadr &k, double d, int funkce, int velikost)
{
    testing::internal::CaptureStdout();
    for (const Jednotka &j : plan_jednotek(k, velikost))
        vypocti(j.xod, j.yod, j.zod, j.xdo, j.ydo, j.zdo, d, funkce);
    std::vector<std::string> radky =
        matching(testing::internal::GetCapturedStdout(), "Delnik \\d+: (Pocitam .*)");
    std::sort(radky.begin(), radky.end());
    return radky;
}

// Each worker of this run writes some tens of KiB of progress, so its lines cross the 4 KiB
// blocks its output is written in and the pieces the daemon would read it in.
TEST(PvmRunVystupUloh, KazdyRadekDelnikuCelyASeZnackouUlohy)
{
    TempDir dir;
    RunResult r = run_program({script_path("pvm-run.sh"), "-e", program_path(""), "-o",
                               "ulohy.txt", program_path("kubo-main"), "2", "0.1", "0.1",
                               "0.002", "3", "3", "5"},
                              "", dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(soucet_sedi(r.out, dilci_hmotnosti(kvadr(2, 0.1, 0.1), 0.002, 3, 5)));
    // The master's own output is as it always is: no task's line in it.
    EXPECT_EQ(r.out.find("Pocitam"), std::string::npos);

    std::vector<std::string> delnici = matching(r.out, "Hlavni \\d+: Vytvoren delnik (\\d+)\\.");
    std::vector<std::string> postup;
    const std::regex radek_ulohy("\\[t([0-9a-f]+)\\] Delnik (\\d+): (Pocitam dilci hmotnost \\[\\d+%\\])");
    for (const std::string &radek : lines_of(dir.read("ulohy.txt"))) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(radek, m, radek_ulohy)) << "not a whole tagged line: " << radek;
        EXPECT_EQ(std::stol(m[1], nullptr, 16), std::stol(m[2])) << radek;
        EXPECT_NE(std::find(delnici.begin(), delnici.end(), m[2]), delnici.end()) << radek;
        postup.push_back(m[3]);
    }
    std::sort(postup.begin(), postup.end());
    EXPECT_EQ(postup, ocekavany_postup(kvadr(2, 0.1, 0.1), 0.002, 3, 5));
}

TEST(PvmRunVystupUloh, PomlckaZnamenaStandardniChybovyVystup)
{
    TempDir dir;
    RunResult r = run_program({script_path("pvm-run.sh"), "-e", program_path(""), "-o", "-",
                               program_path("kubo-main"), "2", "0.1", "0.1", "0.01", "1", "2",
                               "50"},
                              "", dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out.find("Pocitam"), std::string::npos);
    std::vector<std::string> postup =
        matching(r.err, "\\[t[0-9a-f]+\\] Delnik \\d+: (Pocitam dilci hmotnost .*)");
    std::sort(postup.begin(), postup.end());
    EXPECT_EQ(postup, ocekavany_postup(kvadr(2, 0.1, 0.1), 0.01, 1, 50)) << r.err;
    EXPECT_FALSE(dir.exists("-"));
}

TEST(PvmRunVystupUloh, BezTaskeruToRekneARunNespusti)
{
    TempDir dir;
    RunResult r = run_program({script_path("pvm-run.sh"), "-e", dir.path(), "-o", "ulohy.txt",
                               "/bin/true"},
                              "", dir.path(), 30);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("pvm-run-tasker"), std::string::npos) << r.err;
    EXPECT_FALSE(dir.exists("ulohy.txt"));
}

// Process ids of the processes whose working folder is dir: the command and its tasks.
std::vector<pid_t> procesy_ve_slozce(const std::string &dir)
{
    std::vector<pid_t> pidy;
    for (const fs::directory_entry &e : fs::directory_iterator("/proc")) {
        std::string jmeno = e.path().filename();
        if (jmeno.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code chyba;
        if (fs::read_symlink(e.path() / "cwd", chyba) == dir)
            pidy.push_back(std::stoi(jmeno));
    }
    return pidy;
}

// Waits for pid to end, for at most limit_s seconds; returns its status as run_program does,
// or -1 when it had not ended (then it and its group are killed).
int cekej_na_konec(pid_t pid, int limit_s)
{
    for (int i = 0; i < limit_s * 20; i++) {
        int ws = 0;
        if (waitpid(pid, &ws, WNOHANG) == pid)
            return WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
        usleep(50 * 1000);
    }
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

bool soubor_obsahuje(const std::string &soubor, const std::string &text)
{
    std::ifstream f(soubor);
    std::stringstream s;
    s << f.rdbuf();
    return s.str().find(text) != std::string::npos;
}

class PvmRunSignal : public ::testing::TestWithParam<int> {};

// The run would take hours; the signal must end it, its virtual machine and its tasks,
// rather than wait for the command.
TEST_P(PvmRunSignal, UkonciPrikazDemonaIUlohy)
{
    const int signal_cislo = GetParam();
    TempDir dir;
    std::string vm = dir.file("vm.txt"), vystup = dir.file("vystup.txt");
    std::string prikaz = "echo $PVM_TMP > " + vm + "; exec " + program_path("kubo-main") +
                         " 1000 1000 1000 0.001 1 2 1";
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        if (chdir(dir.path().c_str()) != 0 || !freopen(vystup.c_str(), "w", stdout))
            _exit(126);
        // The signals a test runner may have set aside are the script's to handle.
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        std::string skript = script_path("pvm-run.sh"), programy = program_path("");
        execl(skript.c_str(), skript.c_str(), "-e", programy.c_str(), "/bin/sh", "-c",
              prikaz.c_str(), (char *)nullptr);
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 600 && !soubor_obsahuje(vystup, "Prideluji praci delnikovi"); i++)
        usleep(50 * 1000);
    ASSERT_TRUE(soubor_obsahuje(vystup, "Prideluji praci delnikovi"));
    std::ifstream f(vm);
    std::string slozka_vm;
    std::getline(f, slozka_vm);
    ASSERT_TRUE(fs::exists(slozka_vm)) << slozka_vm;

    kill(pid, signal_cislo);
    EXPECT_EQ(cekej_na_konec(pid, 60), 128 + signal_cislo);
    EXPECT_FALSE(fs::exists(slozka_vm));
    // kubo-main and its workers go with the daemon; a dead one may stay a moment as a zombie,
    // which has no working folder any more.
    std::vector<pid_t> zbyle = procesy_ve_slozce(dir.path());
    for (int i = 0; i < 100 && !zbyle.empty(); i++) {
        usleep(100 * 1000);
        zbyle = procesy_ve_slozce(dir.path());
    }
    EXPECT_TRUE(zbyle.empty()) << zbyle.size() << " processes of the run are left";
}

INSTANTIATE_TEST_SUITE_P(IntATerm, PvmRunSignal, ::testing::Values(SIGINT, SIGTERM),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return info.param == SIGINT ? std::string("Int")
                                                         : std::string("Term");
                         });

// The soft limit of open descriptors in the daemon's process, as /proc tells it.
const char *const LIMIT_DEMONA =
    "grep '^Max open files' /proc/$1/limits | tr -s ' ' | cut -d ' ' -f 4";

TEST(PvmRunDemon, MaNejvys1024Deskriptoru)
{
    TempDir dir;
    // The daemon is the process named pvmd whose environment names this run's folder.
    std::string prikaz = std::string("for p in /proc/[0-9]*; do "
                                     "[ \"$(cat $p/comm 2>/dev/null)\" = pvmd ] && "
                                     "tr '\\0' '\\n' < $p/environ 2>/dev/null | "
                                     "grep -qx \"PVM_TMP=$PVM_TMP\" && set -- ${p#/proc/} && ") +
                         LIMIT_DEMONA + "; done; true";
    RunResult r = run_program({script_path("pvm-run.sh"), "-e", program_path(""), "/bin/sh",
                               "-c", prikaz},
                              "", dir.path(), 30);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> limity = lines_of(r.out);
    ASSERT_EQ(limity.size(), 1u) << r.out;
    EXPECT_LE(std::stol(limity[0]), 1024);
}

TEST(PvmHostsDemon, KazdyHostitelMaNejvys1024Deskriptoru)
{
    TempDir dir;
    std::string prikaz = std::string("limit() { ") + LIMIT_DEMONA +
                         "; }; for h in $PVM_HOSTS; do limit $(cat $PVM_HOSTS_DIR/$h.pid); done";
    RunResult r = run_program({script_path("pvm-hosts.sh"), "-n", "2", "-e", program_path(""),
                               "/bin/sh", "-c", prikaz},
                              "", dir.path(), 90);
    if (r.status == 77)
        GTEST_SKIP() << r.err;
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> limity = lines_of(r.out);
    ASSERT_EQ(limity.size(), 2u) << r.out;
    for (const std::string &limit : limity)
        EXPECT_LE(std::stol(limit), 1024);
}

}  // namespace

// SPDX-License-Identifier: MIT
// scripts/pvm-run.sh as a user meets it: the tasks' lines kept with -o, signals, the daemon's
// descriptor limit.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
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

#include "tests/kubo_kontrola.h"
#include "integration/jadro/kubo_jadro.h"
#include "tests/program_runner.h"

namespace fs = std::filesystem;

namespace {

// Every progress line the kernel prints for the run's slabs, with the worker's number left
// out, sorted: what the workers of the run must have written between them.
std::vector<std::string> ocekavany_postup(const Kvadr &k, double d, int funkce, int velikost)
{
    std::string vystup;
    HlaseniPostupu postup = [&](int procento) {
        vystup += radek_postupu(0, procento);
        return true;
    };
    for (const Vrstva &v : plan_vrstev(k, velikost))
        vypocti(v.box, d, funkce, postup);
    std::vector<std::string> radky = matching(vystup, "Delnik \\d+: (Pocitam .*)");
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

// The script's own streams are shared, not opened anew; a FILE that takes no lines fails the run.
TEST(PvmRunVystupUloh, VlastniProudySdiliANezapsaneRadkySelzou)
{
    TempDir dir;
    auto beh = [&](const std::string &soubor) {
        return run_program({script_path("pvm-run.sh"), "-e", program_path(""), "-o", soubor,
                            program_path("kubo-main"), "2", "0.1", "0.1", "0.01", "1", "2",
                            "50"},
                           "", dir.path());
    };
    const std::string radek_ulohy = "\\[t[0-9a-f]+\\] Delnik \\d+: (Pocitam dilci hmotnost .*)";
    for (const char *soubor : {"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"}) {
        RunResult r = beh(soubor);
        ASSERT_EQ(r.status, 0) << soubor << r.err;
        EXPECT_EQ(matching(r.out, radek_ulohy).size(),
                  ocekavany_postup(kvadr(2, 0.1, 0.1), 0.01, 1, 50).size()) << soubor;
        EXPECT_NE(r.out.find("Hmotnost kvadru"), std::string::npos) << soubor;
    }
    RunResult r = beh("/dev/stderr");
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(matching(r.err, radek_ulohy).empty()) << r.err;
    for (const char *soubor : {"/dev/full", "/proc/version"}) {
        r = beh(soubor);
        EXPECT_EQ(r.status, 1) << soubor;
        EXPECT_NE(r.err.find("could not all be written to " + std::string(soubor)),
                  std::string::npos) << r.err;
    }
    for (const char *soubor : {"/dev/fd/7", "neni/slozka.txt"}) {
        r = beh(soubor);
        EXPECT_EQ(r.status, 1) << soubor;
        EXPECT_EQ(r.out.find("Hlavni"), std::string::npos) << "the command ran: " << soubor;
    }
}

// A task writing far more than the bound without a line end: every piece is tagged, the first
// as a line and the rest as its continuation, and nothing is lost.
TEST(PvmRunVystupUloh, DlouhyRadekPoKusech)
{
    TempDir dir;
    const long bajtu = 5 * 65536 + 123;
    std::string ulohy = std::string(KVS_PVM_RUN_TEST_BIN_DIR);
    RunResult r = run_program({script_path("pvm-run.sh"), "-e", ulohy + ":" + program_path(""),
                               "-o", "ulohy.txt", ulohy + "/pvm_run_uloha", "radek",
                               std::to_string(bajtu)},
                              "", dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> radky = lines_of(dir.read("ulohy.txt"));
    ASSERT_EQ(radky.size(), 6u);
    // Lines this long are beyond std::regex, which recurses per character.
    long celkem = 0;
    const std::string uloha = radky[0].substr(0, radky[0].find(']'));
    for (size_t i = 0; i < radky.size(); i++) {
        size_t tag = radky[i].find("] ");
        ASSERT_NE(tag, std::string::npos) << i;
        EXPECT_EQ(radky[i].substr(0, tag + 2), uloha + (i == 0 ? "] " : "+] ")) << i;
        std::string kus = radky[i].substr(tag + 2);
        EXPECT_EQ(kus.size(), i < 5 ? 65536u : 123u) << i;
        EXPECT_EQ(kus.find_first_not_of('r'), std::string::npos) << i;
        celkem += (long)kus.size();
    }
    EXPECT_EQ(celkem, bajtu);
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

// A host has one tasker: a second one says what PVM answered and ends with 1, never ready.
TEST(PvmRunVystupUloh, DruhyTaskerSeNeprihlasi)
{
    TempDir dir;
    RunResult r = run_program({script_path("pvm-run.sh"), "-e", program_path(""), "-o",
                               "ulohy.txt", "/bin/sh", "-c",
                               "exec \"$0\" 3> druhy.txt", program_path("pvm-run-tasker")},
                              "", dir.path(), 30);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(std::regex_search(r.err, std::regex("^pvm-run-tasker: pvm_reg_tasker: -\\d+\n$")))
        << r.err;
}

// A tasker that cannot say it is ready (its output on a full disk) says why and ends, rather
// than keep pvm-run waiting for the word.
TEST(PvmRunVystupUloh, TaskerBezOhlaseniPripravenostiSkonci)
{
    TempDir dir;
    RunResult r = run_program({script_path("pvm-run.sh"), "-e", program_path(""), "/bin/sh", "-c",
                               "exec \"$0\" 3> /dev/null > /dev/full",
                               program_path("pvm-run-tasker")},
                              "", dir.path(), 30);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "pvm-run-tasker: cannot say it is ready: No space left on device\n");
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

std::string obsah(const std::string &soubor)
{
    std::ifstream f(soubor);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool soubor_obsahuje(const std::string &soubor, const std::string &text)
{
    return obsah(soubor).find(text) != std::string::npos;
}

// Waits up to 30 s for the file to hold the text.
bool cekej_na_text(const std::string &soubor, const std::string &text)
{
    for (int i = 0; i < 600 && !soubor_obsahuje(soubor, text); i++)
        usleep(50 * 1000);
    return soubor_obsahuje(soubor, text);
}

// A run of pvm-run.sh that a test started. One the test gives up on early is ended by TERM,
// as a user would end it, so that nothing of it goes on computing.
class BehPvmRun {
public:
    explicit BehPvmRun(pid_t pid) : pid_(pid) {}
    ~BehPvmRun()
    {
        if (pid_ > 0 && kill(pid_, SIGTERM) == 0)
            cekej_na_konec(pid_, 30);
    }
    BehPvmRun(const BehPvmRun &) = delete;
    BehPvmRun &operator=(const BehPvmRun &) = delete;
    pid_t pid() const { return pid_; }
    // Its status once it has ended, as cekej_na_konec gives it.
    int konec(int limit_s)
    {
        int status = cekej_na_konec(pid_, limit_s);
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_;
};

// Starts pvm-run.sh with the build's programs and these arguments in folder dir, as the leader
// of a process group of its own, its standard output and error into the files vystup and
// chyby.
BehPvmRun spust_pvm_run(const std::string &dir, const std::vector<std::string> &argumenty,
                        const std::string &vystup, const std::string &chyby)
{
    std::vector<std::string> argv = {script_path("pvm-run.sh"), "-e", program_path("")};
    argv.insert(argv.end(), argumenty.begin(), argumenty.end());
    std::vector<char *> args;
    for (std::string &a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    // Emptied before the fork: a test that looks at the files as soon as this returns must not
    // find an earlier run's lines in them, before the child has opened them anew.
    std::ofstream(vystup, std::ios::trunc);
    std::ofstream(chyby, std::ios::trunc);
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        if (chdir(dir.c_str()) != 0 || !freopen(vystup.c_str(), "w", stdout) ||
            !freopen(chyby.c_str(), "w", stderr))
            _exit(126);
        // The signals a test runner may have set aside are the script's to handle.
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        execv(args[0], args.data());
        _exit(127);
    }
    return BehPvmRun(pid);
}

// The processes of a run in dir that are left after up to 10 s (dead ones may stay a moment as
// zombies, which have no working folder any more), killed so that a failed test leaves none
// of them running.
std::vector<pid_t> zbyle_procesy(const std::string &dir)
{
    std::vector<pid_t> zbyle = procesy_ve_slozce(dir);
    for (int i = 0; i < 100 && !zbyle.empty(); i++) {
        usleep(100 * 1000);
        zbyle = procesy_ve_slozce(dir);
    }
    for (pid_t pid : zbyle)
        kill(pid, SIGKILL);
    return zbyle;
}

// How a signal reaches the run: to pvm-run.sh alone, or to its whole process group, as a
// terminal's Ctrl-C does (the daemon in a session of its own must not get it).
struct ZpusobSignalu {
    int signal_cislo;
    bool cele_skupine;
};

class PvmRunSignal : public ::testing::TestWithParam<ZpusobSignalu> {};

// The run would take hours; the signal must end it, its virtual machine and its tasks,
// rather than wait for the command.
TEST_P(PvmRunSignal, UkonciPrikazDemonaIUlohy)
{
    const int signal_cislo = GetParam().signal_cislo;
    TempDir dir;
    std::string vm = dir.file("vm.txt"), vystup = dir.file("vystup.txt");
    std::string prikaz = "echo $PVM_TMP > " + vm + "; exec " + program_path("kubo-main") +
                         " 1000 1000 1000 0.001 1 2 1";
    BehPvmRun beh = spust_pvm_run(dir.path(), {"/bin/sh", "-c", prikaz}, vystup,
                                  dir.file("chyby.txt"));
    ASSERT_GT(beh.pid(), 0);
    ASSERT_TRUE(cekej_na_text(vystup, "Prideluji praci delnikovi"));
    std::ifstream f(vm);
    std::string slozka_vm;
    std::getline(f, slozka_vm);
    ASSERT_TRUE(fs::exists(slozka_vm)) << slozka_vm;

    kill(GetParam().cele_skupine ? -beh.pid() : beh.pid(), signal_cislo);
    EXPECT_EQ(beh.konec(60), 128 + signal_cislo);
    EXPECT_FALSE(fs::exists(slozka_vm));
    // The master saw the signal while its daemon still served it.
    EXPECT_TRUE(soubor_obsahuje(vystup, "Prerusen signalem " + std::to_string(signal_cislo)));
    EXPECT_FALSE(soubor_obsahuje(vystup, "Spojeni s PVM ztraceno"));
    // kubo-main and its workers go with the daemon.
    std::vector<pid_t> zbyle = zbyle_procesy(dir.path());
    EXPECT_TRUE(zbyle.empty()) << zbyle.size() << " processes of the run are left";
}

INSTANTIATE_TEST_SUITE_P(IntTermCtrlC, PvmRunSignal,
                         ::testing::Values(ZpusobSignalu{SIGINT, false},
                                           ZpusobSignalu{SIGTERM, false},
                                           ZpusobSignalu{SIGINT, true}),
                         [](const ::testing::TestParamInfo<ZpusobSignalu> &info) {
                             if (info.param.cele_skupine)
                                 return std::string("CtrlC");
                             return std::string(info.param.signal_cislo == SIGINT ? "Int"
                                                                                  : "Term");
                         });

// The processes called jmeno (as /proc names them) whose working folder is dir.
std::vector<pid_t> procesy_jmenem(const std::string &dir, const std::string &jmeno)
{
    std::vector<pid_t> pidy;
    for (pid_t pid : procesy_ve_slozce(dir)) {
        std::string nazev;
        std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/comm"), nazev);
        if (nazev == jmeno)
            pidy.push_back(pid);
    }
    return pidy;
}

// True while pid is neither gone nor a zombie.
bool zije(pid_t pid)
{
    std::ifstream stav("/proc/" + std::to_string(pid) + "/stat");
    std::string cislo, jmeno, pismeno;
    return stav >> cislo >> jmeno >> pismeno && pismeno != "Z";
}

// The lines of text that are neither a task's (with -o), nor pvm-run's or its tasker's own.
std::string cizi_radky(const std::string &text)
{
    const std::regex vlastni("\\[t[0-9a-f]+\\+?\\] .*|pvm-run(-tasker)?: .*");
    std::string cizi;
    for (const std::string &radek : lines_of(text))
        if (!std::regex_match(radek, vlastni))
            cizi += radek + "\n";
    return cizi;
}

class PvmRunZabityDemon : public ::testing::TestWithParam<bool> {};

// The daemon killed outright in the middle of kubo-main's run. Just before, it is stopped and
// a worker killed, so that the news of that end (the tasker's, with -o) lies unread on the
// daemon's socket when it goes, and whoever talks to it next meets a reset connection. The
// command fails, nothing else is said on standard error (which is also where -o - puts the
// tasks' lines), and the workers, now children of another process, do not outlive the run.
TEST_P(PvmRunZabityDemon, UlohyNepreziji)
{
    TempDir dir;
    std::vector<std::string> argumenty;
    if (GetParam())
        argumenty = {"-o", "-"};
    argumenty.insert(argumenty.end(),
                     {program_path("kubo-main"), "20", "10", "1", "1e-6", "1", "2", "5"});
    const std::string vystup = dir.file("vystup.txt"), chyby = dir.file("chyby.txt");
    BehPvmRun beh = spust_pvm_run(dir.path(), argumenty, vystup, chyby);
    ASSERT_GT(beh.pid(), 0);
    ASSERT_TRUE(cekej_na_text(vystup, "Spoustim smycku zprav")) << obsah(chyby);
    std::vector<pid_t> demon = procesy_jmenem(dir.path(), "pvmd");
    std::vector<pid_t> delnici = procesy_jmenem(dir.path(), "kubo-worker.exe");
    ASSERT_EQ(demon.size(), 1u);
    ASSERT_EQ(delnici.size(), 2u);

    kill(demon[0], SIGSTOP);
    kill(delnici[0], SIGKILL);
    for (int i = 0; i < 200 && zije(delnici[0]); i++)
        usleep(50 * 1000);
    // The tasker tells the daemon right after it has reaped the worker.
    usleep(200 * 1000);
    kill(demon[0], SIGKILL);

    int status = beh.konec(60);
    EXPECT_NE(status, -1) << "pvm-run did not end";
    EXPECT_NE(status, 0);
    EXPECT_EQ(cizi_radky(obsah(chyby)), "");
    std::vector<pid_t> zbyle = zbyle_procesy(dir.path());
    EXPECT_TRUE(zbyle.empty()) << zbyle.size() << " processes of the run are left, the first "
                               << (zbyle.empty() ? 0 : zbyle[0]);
}

INSTANTIATE_TEST_SUITE_P(BezAsTaskerem, PvmRunZabityDemon, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return std::string(info.param ? "STaskerem" : "BezTaskeru");
                         });

// Interrupted runs with the tasks' lines on standard error: a run's end comes while its tasks
// are being stopped, and whatever the daemon's going does to the tasker, every line there is
// still a task's or pvm-run's own.
TEST(PvmRunVystupUloh, PoPreruseniJeKazdyRadekOznacen)
{
    TempDir dir;
    const std::string vystup = dir.file("vystup.txt"), chyby = dir.file("chyby.txt");
    for (int i = 0; i < 20; i++) {
        BehPvmRun beh = spust_pvm_run(dir.path(),
                                      {"-o", "-", program_path("kubo-main"), "20", "10", "1",
                                       "1e-6", "1", "2", "5"},
                                      vystup, chyby);
        ASSERT_GT(beh.pid(), 0);
        ASSERT_TRUE(cekej_na_text(vystup, "Spoustim smycku zprav"))
            << "run " << i << ", its output (" << obsah(vystup).size() << " bytes):\n"
            << obsah(vystup) << "its errors:\n"
            << obsah(chyby);
        kill(beh.pid(), SIGTERM);
        ASSERT_EQ(beh.konec(60), 128 + SIGTERM) << i;
        ASSERT_EQ(cizi_radky(obsah(chyby)), "") << i;
    }
}

class PvmRunNeposlusneUlohy : public ::testing::TestWithParam<bool> {};

// Tasks that ignore TERM get their 3 s after the command ends, and are then killed, with the
// tasker (-o) or without it.
TEST_P(PvmRunNeposlusneUlohy, Nepreziji)
{
    TempDir dir;
    const std::string ulohy = std::string(KVS_PVM_RUN_TEST_BIN_DIR);
    std::vector<std::string> argv = {script_path("pvm-run.sh"), "-e",
                                     ulohy + ":" + program_path("")};
    if (GetParam())
        argv.insert(argv.end(), {"-o", "ulohy.txt"});
    argv.insert(argv.end(), {ulohy + "/pvm_run_uloha", "neposlusne", "3"});
    RunResult r = run_program(argv, "", dir.path(), 60);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<pid_t> pidy;
    for (const fs::directory_entry &e : fs::directory_iterator(dir.path()))
        if (e.path().filename().string().rfind("neposlusna.", 0) == 0)
            pidy.push_back(std::stoi(e.path().extension().string().substr(1)));
    ASSERT_EQ(pidy.size(), 3u);
    // Killed is dead or a zombie that its new parent has not yet reaped.
    for (int i = 0; i < 40 && std::any_of(pidy.begin(), pidy.end(), zije); i++)
        usleep(50 * 1000);
    for (pid_t pid : pidy)
        EXPECT_FALSE(zije(pid)) << "task " << pid << " outlived the run";
}

INSTANTIATE_TEST_SUITE_P(BezAsTaskerem, PvmRunNeposlusneUlohy, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return std::string(info.param ? "STaskerem" : "BezTaskeru");
                         });

// A signal the moment the run's folder is made, and at times all over the script's start,
// leaves nothing in TMPDIR, which is where the folder goes.
TEST(PvmRunZacatek, CasnySignalNenechaSlozku)
{
    TempDir dir;
    std::string tmp = dir.file("tmp"), skript = script_path("pvm-run.sh");
    fs::create_directory(tmp);
    std::string promenna = "TMPDIR=" + tmp;
    int hlidka = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(hlidka, 0);
    ASSERT_GE(inotify_add_watch(hlidka, tmp.c_str(), IN_CREATE), 0);
    for (int pokus = 0; pokus < 30; pokus++) {
        pid_t pid = fork();
        if (pid == 0) {
            putenv(promenna.data());
            signal(SIGTERM, SIG_DFL);
            int nic = open("/dev/null", O_WRONLY);
            dup2(nic, 1);
            dup2(nic, 2);
            execl(skript.c_str(), skript.c_str(), "/bin/sleep", "5", (char *)nullptr);
            _exit(127);
        }
        if (pokus % 2 == 0) {
            pollfd cekani = {hlidka, POLLIN, 0};
            ASSERT_EQ(poll(&cekani, 1, 10000), 1);
        } else {
            usleep(pokus * 5000);
        }
        kill(pid, SIGTERM);
        ASSERT_NE(cekej_na_konec(pid, 30), -1);
        char udalosti[4096];
        while (poll(std::vector<pollfd>{{hlidka, POLLIN, 0}}.data(), 1, 0) == 1 &&
               read(hlidka, udalosti, sizeof udalosti) > 0) {
        }
    }
    close(hlidka);
    EXPECT_TRUE(fs::is_empty(tmp)) << fs::directory_iterator(tmp)->path();
}

// A command whose name looks like an option, the script called through a symlink, and a
// TMPDIR elsewhere when /tmp cannot be written.
TEST(PvmRunZacatek, PrikazJakoVolbaOdkazATmpdir)
{
    TempDir dir;
    dir.write("-o", "#!/bin/sh\necho prikaz -o\n");
    fs::permissions(dir.file("-o"), fs::perms::owner_all);
    RunResult r = run_program({script_path("pvm-run.sh"), "-e", program_path(""), "--", "-o"},
                              "", dir.path(), 30,
                              {"PATH=" + dir.path() + ":" + getenv("PATH")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "prikaz -o\n");

    fs::create_symlink(script_path("pvm-run.sh"), dir.file("pvm-run"));
    r = run_program({dir.file("pvm-run"), "-e", program_path(""), "/bin/echo", "odkaz"}, "",
                    dir.path(), 30);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "odkaz\n");

    char vedle[] = "/var/tmp/kvs-tmpdir-XXXXXX";
    ASSERT_NE(mkdtemp(vedle), nullptr);
    r = run_program({"/usr/bin/unshare", "-m", "/bin/sh", "-c",
                     "mount --bind /tmp /tmp && mount -o remount,bind,ro /tmp || exit 77; "
                     "exec \"$@\"",
                     "sh", script_path("pvm-run.sh"), "-e", program_path(""), "/bin/echo", "ro"},
                    "", "/", 30, {std::string("TMPDIR=") + vedle});
    bool prazdna = fs::is_empty(vedle);
    fs::remove_all(vedle);
    if (r.status == 77 || r.err.find("unshare") != std::string::npos)
        GTEST_SKIP() << "no mount namespace here: " << r.err;
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "ro\n");
    EXPECT_TRUE(prazdna);
}

// A program folder that is not there is refused before anything starts: a daemon would look
// there for nothing.
TEST(PvmRunZacatek, ChybejiciSlozkaProgramuJeChybouPouziti)
{
    TempDir dir;
    dir.write("soubor", "");
    for (const std::string &chybna : {dir.file("neni"), dir.file("soubor")}) {
        for (const std::string &slozky : {chybna, program_path("") + ":" + chybna}) {
            RunResult r = run_program({script_path("pvm-run.sh"), "-e", slozky, "/bin/echo",
                                       "spusteno"},
                                      "", dir.path(), 30);
            EXPECT_EQ(r.status, 2) << slozky;
            EXPECT_EQ(r.err, "pvm-run: program folder '" + chybna + "' does not exist\n");
            EXPECT_EQ(r.out, "") << "the command ran";
        }
    }
}

// TMPDIR on a small file system of its own (in a mount namespace of its own, gone with it),
// full or nearly so: the run ends before the daemon starts, naming the folder and the cause,
// without the shell's own complaints, and leaves nothing there. A roomy one runs the command.
TEST(PvmRunZacatek, PlnyTmpdirNazveSlozkuAPricinu)
{
    struct Pripad {
        const char *volby;  // of the tmpfs
        int plno_kib;       // taken by a file before the run
    };
    TempDir dir;
    const std::string tmp = dir.file("tmp");
    fs::create_directory(tmp);
    const std::regex chyba("pvm-run: (the virtual machine's folder " + tmp +
                           "/pvm-run\\.\\w+ cannot be written|cannot make a folder for the "
                           "virtual machine in " + tmp + "): No space left on device\n");
    for (Pripad p : {Pripad{"size=64k", 64}, Pripad{"size=64k", 60}, Pripad{"size=64k", 24},
                     Pripad{"size=1m,nr_inodes=2", 0}, Pripad{"size=1m", 0}}) {
        RunResult r = run_program(
            {"/usr/bin/unshare", "-m", "/bin/sh", "-c",
             "mount -t tmpfs -o \"$0\" tmpfs \"$TMPDIR\" || exit 77; "
             "head -c \"$1\" /dev/zero > \"$TMPDIR/plno\"; shift 1; "
             "\"$@\"; s=$?; ls -A \"$TMPDIR\"; exit $s",
             p.volby, std::to_string(p.plno_kib * 1024), script_path("pvm-run.sh"), "-e",
             program_path(""), "/bin/echo", "spusteno"},
            "", dir.path(), 30, {"TMPDIR=" + tmp});
        if (r.status == 77 || r.err.find("unshare") != std::string::npos)
            GTEST_SKIP() << "no tmpfs can be mounted here: " << r.err;
        const std::string pripad = std::string(p.volby) + ", " + std::to_string(p.plno_kib);
        if (std::string(p.volby) == "size=1m") {
            EXPECT_EQ(r.status, 0) << pripad << r.err;
            EXPECT_EQ(r.out, "spusteno\nplno\n") << pripad;
            continue;
        }
        EXPECT_EQ(r.status, 1) << pripad;
        EXPECT_TRUE(std::regex_match(r.err, chyba)) << pripad << ": " << r.err;
        EXPECT_EQ(r.out, "plno\n") << pripad;
    }
}

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

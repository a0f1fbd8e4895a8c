// SPDX-License-Identifier: MIT
// Whole runs of kubo-main as a careless or hostile user meets it: numbers typed the Czech
// way, a planted delnik.out link, a reader that goes away, a master killed outright, and a
// terminal on standard error.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/kubo_kontrola.h"
#include "tests/program_runner.h"

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

// A run with its standard error on a terminal: everything the terminal received, and the
// run's exit status. Standard output goes to that terminal too, or to the file vystup.txt.
struct BehNaTerminalu {
    std::string terminal;
    int status = -1;
};

[[noreturn]] void spust_na_terminalu(const TempDir &dir, const std::vector<std::string> &argv,
                                     int terminal, bool vystup_taky)
{
    setpgid(0, 0);
    int vystup = vystup_taky ? terminal
                             : open(dir.file("vystup.txt").c_str(), O_WRONLY | O_CREAT, 0666);
    int nic = open("/dev/null", O_RDONLY);
    if (vystup < 0 || nic < 0 || dup2(nic, 0) < 0 || dup2(vystup, 1) < 0 ||
        dup2(terminal, 2) < 0 || chdir(dir.path().c_str()) != 0)
        _exit(126);
    for (int fd = 3; fd < 1024; fd++)
        close(fd);
    signal(SIGPIPE, SIG_DFL);
    exec_argv(argv);
}

// Reads the terminal's other side until every process of the run has closed it (or two
// minutes pass, when the run is killed), then waits for the run.
BehNaTerminalu na_terminalu(const TempDir &dir, const std::vector<std::string> &argv,
                            bool vystup_taky)
{
    BehNaTerminalu beh;
    int ridici, terminal;
    if (openpty(&ridici, &terminal, nullptr, nullptr, nullptr) != 0)
        return beh;
    pid_t pid = fork();
    if (pid == 0)
        spust_na_terminalu(dir, argv, terminal, vystup_taky);
    close(terminal);
    auto konec = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    char blok[4096];
    for (;;) {
        pollfd p = {ridici, POLLIN, 0};
        if (std::chrono::steady_clock::now() > konec) {
            kill(-pid, SIGKILL);
            break;
        }
        if (poll(&p, 1, 1000) == 0)
            continue;
        ssize_t n = read(ridici, blok, sizeof blok);
        if (n <= 0)
            break;
        beh.terminal.append(blok, (size_t)n);
    }
    close(ridici);
    int ws = 0;
    waitpid(pid, &ws, 0);
    beh.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
    return beh;
}

// The lines a terminal shows after the bytes, without blanks at their ends: a carriage
// return goes back to the start of the line, a line end on to the next line, and any other
// byte takes the next column. The last is the line the cursor is on.
std::vector<std::string> obrazovka(const std::string &bajty)
{
    std::vector<std::string> radky(1);
    size_t sloupec = 0;
    for (char c : bajty) {
        std::string &radek = radky.back();
        if (c == '\r') {
            sloupec = 0;
        } else if (c == '\n') {
            radky.emplace_back();
            sloupec = 0;
        } else {
            if (sloupec < radek.size())
                radek[sloupec] = c;
            else
                radek.push_back(c);
            sloupec++;
        }
    }
    for (std::string &radek : radky)
        radek.erase(radek.find_last_not_of(' ') + 1);
    return radky;
}

// Each progress text drawn, in order: what stands between carriage returns, blanks aside.
std::vector<std::string> nakreslene_texty(const std::string &terminal)
{
    std::vector<std::string> texty;
    size_t od = 0;
    while (od <= terminal.size()) {
        size_t cr = std::min(terminal.find('\r', od), terminal.size());
        std::string text = terminal.substr(od, cr - od);
        text.erase(text.find_last_not_of(' ') + 1);
        if (!text.empty())
            texty.push_back(text);
        od = cr + 1;
    }
    return texty;
}

// One worker, ten slabs of some milliseconds each: the master waits for every result, so it
// shows its progress line. Standard output is the same, byte for byte, with standard error a
// terminal or not; the line never spoils a line of the report on a terminal they share, and
// it is gone when the run ends.
TEST(KuboPrubeh, RadekNaTerminaluZmiziAVystupZustaneStejny)
{
    const std::vector<std::string> argumenty = {"2", "1", "1", "0.002", "3", "1", "10"};
    TempDir bez_terminalu;
    RunResult vzor = kubo_main(bez_terminalu, argumenty);
    ASSERT_EQ(vzor.status, 0) << vzor.err;
    EXPECT_EQ(vzor.err, "") << "no progress line where standard error is no terminal";

    std::vector<std::string> argv = {script_path("pvm-run.sh"), "-e", program_path(""),
                                     program_path("kubo-main")};
    argv.insert(argv.end(), argumenty.begin(), argumenty.end());
    TempDir dir;
    BehNaTerminalu beh = na_terminalu(dir, argv, false);
    ASSERT_EQ(beh.status, 0) << beh.terminal;
    EXPECT_EQ(dir.read("vystup.txt"), vzor.out);
    std::vector<std::string> texty = nakreslene_texty(beh.terminal);
    ASSERT_FALSE(texty.empty()) << "no progress line was drawn";
    const std::regex radek_prubehu("Hotovo (\\d+)/10 vrstev, uplynulo [^,]+(, zbyva asi .+)?");
    int naposledy = 0;
    for (const std::string &text : texty) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(text, m, radek_prubehu)) << text;
        EXPECT_GE(std::stoi(m[1]), naposledy) << text;
        naposledy = std::stoi(m[1]);
    }
    EXPECT_EQ(obrazovka(beh.terminal), std::vector<std::string>{""}) << beh.terminal;

    TempDir spolecny;
    BehNaTerminalu oba = na_terminalu(spolecny, argv, true);
    ASSERT_EQ(oba.status, 0) << oba.terminal;
    std::vector<std::string> ocekavane = lines_of(vzor.out);
    ocekavane.push_back("");
    EXPECT_EQ(obrazovka(oba.terminal), ocekavane);
}

}  // namespace

// SPDX-License-Identifier: MIT
// Whole runs of farmer with the real worker (or a failing stand-in) on a private PVM daemon.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/testy/cesty.h"
#include "search/testy/orakula.h"
#include "tests/program_runner.h"

namespace {

const std::string VYZVA = "Zadejte hledany retezec: ";

// farmer on file with worker count pocet, the pattern typed as vstup; tasks from programy;
// prostredi is added to the environment of farmer and its daemon, so its workers have it too.
RunResult hledej(const TempDir &dir, const std::string &soubor, const std::string &pocet,
                 const std::string &vstup, const std::string &programy = program_path(""),
                 const std::vector<std::string> &prostredi = {})
{
    return run_program({script_path("pvm-run.sh"), "-e", programy, program_path("farmer"), soubor,
                        pocet},
                       vstup, dir.path(), 120, prostredi);
}

// The report as farmer prints it (na_konzoli) or writes it in find_output.txt.
std::string zprava(const std::string &vzor, const std::string &soubor,
                   const std::vector<int> &pozice, bool na_konzoli)
{
    if (pozice.empty())
        return "Nebyl nalezen zadny vyskyt podretezce: \"" + vzor + "\"\n";
    std::string s = "Pocet nalezenych podretezcu \"" + vzor + "\"\nv souboru \"" + soubor +
                    "\" : " + std::to_string(pozice.size()) + (na_konzoli ? "\n\n" : "\n") +
                    "Vypis indexu, urcujicich pozice nalezenych podretezcu v retezci:\n";
    for (int p : pozice)
        s += std::to_string(p) + "\n";
    return s;
}

// Checks a successful run: console after the prompt (and pred_zpravou) and the report file.
void over_zpravu(const RunResult &r, const TempDir &dir, const std::string &vzor,
                 const std::vector<int> &pozice, const std::string &pred_zpravou = "")
{
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, VYZVA + pred_zpravou + zprava(vzor, "text.txt", pozice, true));
    EXPECT_EQ(dir.read("find_output.txt"), zprava(vzor, "text.txt", pozice, false));
}

TEST(Farmer, PrekryteVyskytyIPresKonecRadku)
{
    TempDir dir;
    dir.write("text.txt", "xaaa\r\naab\nzaa\n");  // joined: xaaaaabzaa
    over_zpravu(hledej(dir, "text.txt", "3", "aa\n"), dir, "aa", {1, 2, 3, 4, 8});
    // One worker's range is the whole text, up to the occurrence at its very end.
    over_zpravu(hledej(dir, "text.txt", "1", "aa"), dir, "aa", {1, 2, 3, 4, 8});
    over_zpravu(hledej(dir, "text.txt", "2", "  ab "), dir, "ab", {5});
    over_zpravu(hledej(dir, "text.txt", "2", "qq"), dir, "qq", {});
}

TEST(Farmer, PoziceACelkemJakoNaivniHledani)
{
    std::mt19937 nahoda(3);
    std::string obsah, text;
    for (int radek = 0; radek < 3000; radek++) {
        std::string r;
        for (int i = nahoda() % 40; i > 0; i--)
            r += "abc"[nahoda() % 3];
        obsah += r + (radek % 3 ? "\n" : "\r\n");
        text += r;
    }
    std::vector<int> pozice;
    for (size_t p = text.find("abca"); p != std::string::npos; p = text.find("abca", p + 1))
        pozice.push_back(static_cast<int>(p));
    TempDir dir;
    dir.write("text.txt", obsah);
    over_zpravu(hledej(dir, "text.txt", "7", "abca"), dir, "abca", pozice);
}

TEST(Farmer, PrilisMnohoWorkeruSeSnizi)
{
    TempDir dir;
    dir.write("text.txt", "abcabcabca");
    over_zpravu(hledej(dir, "text.txt", "5", "abc"), dir, "abc", {0, 3, 6},
                "Zadan prilis velky pocet workeru, upravuji pocet na: 3.\n\n");
    over_zpravu(hledej(dir, "text.txt", "3", "abc"), dir, "abc", {0, 3, 6});
}

TEST(Farmer, TextKratsiNezRetezecNepotrebujePvm)
{
    // An empty PVM_TMP: any attempt to reach a daemon would fail the run.
    TempDir dir, prazdny;
    for (const char *obsah : {"", "ab\n"}) {
        dir.write("text.txt", obsah);
        RunResult r = run_program({program_path("farmer"), "text.txt", "4"}, "abc", dir.path(), 30,
                                  {"PVM_TMP=" + prazdny.path(), "PVM_ALLOW_ROOT=1"});
        over_zpravu(r, dir, "abc", {});
    }
}

TEST(Farmer, SpatneZadaniKonciStatusemJednaPredCtenimSouboru)
{
    TempDir dir;
    const std::string pouziti =
        "Spatne zadane vstupni parametry!\n pouziti: farmer <jmeno_souboru> <pocet_workeru>\n";
    const struct {
        std::vector<std::string> argumenty;
        std::string vstup, out;
    } pripady[] = {
        {{"nic.txt"}, "ab", pouziti},
        {{"nic.txt", "2", "3"}, "ab", pouziti},
        {{"nic.txt", "0"}, "ab", "Spatne zadany pocet workeru \"0\" (musi byt kladne cele cislo)!\n"},
        {{"nic.txt", "3x"}, "ab", "Spatne zadany pocet workeru \"3x\" (musi byt kladne cele cislo)!\n"},
        {{"nic.txt", "2"}, "a", VYZVA + "Spatne zadany retezec (velikost min. 2 znaky)!"},
        {{"nic.txt", "2"}, " \n", VYZVA + "Nebyl zadan zadny retezec (vstup skoncil)!\n"},
        {{"nic.txt", "2"}, std::string("a\0b", 3), VYZVA + "Hledany retezec nesmi obsahovat znak NUL!\n"},
    };
    for (const auto &p : pripady) {
        std::vector<std::string> argv = {program_path("farmer")};
        argv.insert(argv.end(), p.argumenty.begin(), p.argumenty.end());
        RunResult r = run_program(argv, p.vstup, dir.path(), 30);
        EXPECT_EQ(r.status, 1) << p.out;
        EXPECT_EQ(r.out, p.out);
        EXPECT_EQ(r.err, "");
    }
}

TEST(Farmer, JmenoSouboruARetezecNemajiOmezeniDelky)
{
    TempDir dir;
    const std::string jmeno(120, 's'), vzor = std::string(150, 'v') + "x";
    dir.write(jmeno, "a" + vzor + "\n" + vzor.substr(0, 70) + "\n" + vzor.substr(70) + "\n");
    RunResult r = hledej(dir, jmeno, "1", vzor);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, VYZVA + zprava(vzor, jmeno, {1, 152}, true));
}

TEST(Farmer, BezProgramuWorkerKonciStatusemJedna)
{
    TempDir dir, bez_programu;
    dir.write("text.txt", "abab");
    dir.write("find_output.txt", "stara zprava\n");
    RunResult r = hledej(dir, "text.txt", "2", "ab", bez_programu.path());
    EXPECT_EQ(r.status, 1);
    // The line farmer always printed, then which program is missing, where and what to do.
    const std::string chyba = "pvm_spawn: Task nebyl vytvoren!\n";
    EXPECT_EQ(r.err.substr(0, chyba.size()), chyba);
    EXPECT_EQ(matching(r.err, "Demon PVM nenasel program (worker)\\."),
              (std::vector<std::string>{"worker"}))
        << r.err;
    EXPECT_EQ(matching(r.err, "PVM nehlasi, kde demon hledal: bez ep= .* v .*/pvm3/bin/(\\w+) a .*")
                  .size(),
              1u)
        << r.err;
    EXPECT_NE(r.err.find(" ep=SLOZKA "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" /usr/lib/pvm3/bin/LINUX64.\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, VYZVA);
    EXPECT_FALSE(dir.exists("find_output.txt"));
}

TEST(WorkerHledani, SpatneZadaniNaChybovyVystupAStatusJedna)
{
    TempDir dir;
    dir.write("text.txt", "ab\ncd\n");
    const struct {
        std::vector<std::string> argumenty;
        std::string err;
    } pripady[] = {
        {{"text.txt", "0", "3"},
         "Spatne zadane vstupni parametry!\n"
         " pouziti: worker <jmeno_souboru> <od> <do> <retezec>\n"},
        {{"text.txt", "3", "2", "ab"}, "worker: neplatny rozsah \"3\" az \"2\"!\n"},
        {{"text.txt", "-1", "2", "ab"}, "worker: neplatny rozsah \"-1\" az \"2\"!\n"},
        {{"text.txt", "0", "3x", "ab"}, "worker: neplatny rozsah \"0\" az \"3x\"!\n"},
        {{"text.txt", "0", "3", ""}, "worker: prazdny hledany retezec!\n"},
        {{"text.txt", "0", "3", "ab", "1:0"}, "worker: neplatny zacatek cteni \"1:0\"!\n"},
        {{"text.txt", "1", "3", "ab", "3:1:0"}, "worker: neplatny zacatek cteni \"3:1:0\"!\n"},
        {{"nic.txt", "0", "3", "ab"}, "fopen: Chyba pri praci se souborem : nic.txt\n"},
        {{".", "0", "3", "ab"}, "fread: Chyba pri cteni souboru.\n"},
        {{"text.txt", "0", "4", "ab"}, "worker: text souboru text.txt konci pred indexem 4!\n"},
        {{"text.txt", "0", "3", "ab"}, "worker: neni spusten farmerem (pvm_parent: -23)!\n"},
    };
    for (const auto &p : pripady) {
        std::vector<std::string> argv = {script_path("pvm-run.sh"), program_path("worker")};
        argv.insert(argv.end(), p.argumenty.begin(), p.argumenty.end());
        RunResult r = run_program(argv, "", dir.path(), 30);
        EXPECT_EQ(r.status, 1) << p.err;
        EXPECT_EQ(r.err, p.err);
    }
}

TEST(Farmer, NecitelnySouborKonciStatusemJedna)
{
    TempDir dir;
    std::filesystem::create_directory(dir.file("slozka"));
    dir.write("find_output.txt", "stara zprava\n");
    RunResult r = hledej(dir, "nic.txt", "2", "ab");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "fopen: Chyba pri praci se souborem : nic.txt\n");
    EXPECT_FALSE(dir.exists("find_output.txt"));
    r = hledej(dir, "slozka", "2", "ab");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "fread: Chyba pri cteni souboru.\n");
}

TEST(Farmer, BezDemonaKonciStatusemJedna)
{
    TempDir dir, prazdny;
    dir.write("text.txt", "abab");
    dir.write("find_output.txt", "stara zprava\n");
    RunResult r = run_program({program_path("farmer"), "text.txt", "2"}, "ab", dir.path(), 30,
                              {"PVM_TMP=" + prazdny.path(), "PVM_ALLOW_ROOT=1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Nelze se spojit s PVM (pvm_mytid: -14), bezi demon pvmd?\n"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(dir.exists("find_output.txt"));
}

// The line farmer prints on standard error when it starts a lost worker's range again.
const char *const ZNOVU = "Worker t[0-9a-f]+ \\(rozsah (\\d+-\\d+)\\) skoncil bez odpovedi, rozsah "
                          "prohleda znovu worker t[0-9a-f]+ \\(pokus [23] ze 3\\)\\.";

TEST(Farmer, ZtracenyNeboLzivyWorkerUkonciBehBezZpravy)
{
    // The stand-in answers for the first range and fails for the second as the pattern says.
    // A worker lost every time has its range started three times in all; one whose reply is
    // impossible is not started again, as it would answer the same.
    const struct {
        std::string vzor, duvod;
        size_t znovu;
    } pripady[] = {
        {"umri", "skoncil bez odpovedi", 2},        {"odejdi", "skoncil bez odpovedi", 2},
        {"zmatek", "poslal neplatnou odpoved", 0},  {"prilis", "poslal neplatnou odpoved", 0},
        {"zaporna", "poslal neplatnou odpoved", 0}, {"daleko", "poslal neplatnou odpoved", 0},
    };
    for (const auto &p : pripady) {
        TempDir dir;
        dir.write("text.txt", "0123456789\n0123456789\n");
        dir.write("find_output.txt", "stara zprava\n");
        RunResult r = hledej(dir, "text.txt", "2", p.vzor, KVS_TEST_BIN_DIR);
        EXPECT_FALSE(r.timed_out);
        EXPECT_EQ(r.status, 1) << p.vzor;
        EXPECT_EQ(r.out, VYZVA);
        EXPECT_EQ(matching(r.err, ZNOVU), std::vector<std::string>(p.znovu, "9-19")) << r.err;
        EXPECT_EQ(matching(r.err, "Worker t[0-9a-f]+ \\(rozsah (9-19)\\) " + p.duvod + "!"),
                  std::vector<std::string>{"9-19"})
            << r.err;
        EXPECT_EQ(lines_of(r.err).size(), p.znovu + 1) << r.err;
        EXPECT_FALSE(dir.exists("find_output.txt")) << p.vzor;
    }
}

// The names in folder, one a line, sorted.
std::string obsah_slozky(const std::string &slozka)
{
    std::set<std::string> jmena;
    for (const auto &polozka : std::filesystem::directory_iterator(slozka))
        jmena.insert(polozka.path().filename().string());
    std::string vypis;
    for (const std::string &jmeno : jmena)
        vypis += jmeno + "\n";
    return vypis;
}

TEST(Farmer, NezapsanaZpravaSeOdstrani)
{
    // A file size limit of 1 KiB, far below the report: the write fails part way.
    TempDir dir;
    std::string text;
    for (int i = 0; i < 2000; i++)
        text += "ab-";
    dir.write("text.txt", text + "\n");
    dir.write("find_output.txt", "stara zprava\n");
    RunResult r = run_program({script_path("pvm-run.sh"), "-e", program_path(""), "/bin/sh", "-c",
                               "trap '' XFSZ; ulimit -f 1 && exec \"$@\"", "sh",
                               program_path("farmer"), "text.txt", "2"},
                              "ab\n", dir.path(), 60);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Soubor find_output.txt nelze cely zapsat, byl odstranen!\n");
    EXPECT_EQ(obsah_slozky(dir.path()), "text.txt\n");
}

TEST(Farmer, ZpravuKterouNelzeZapsatOdmitnePredWorkery)
{
    // Without the worker program: a check made only after the start would say so instead.
    TempDir bez_programu;
    const std::string nelze = "fopen: Chyba pri praci se souborem : find_output.txt\n";
    for (const char *priprava : {"mkfifo find_output.txt", "mkdir find_output.txt",
                                 "ln -s /dev/full find_output.txt", "ln -s . find_output.txt"}) {
        TempDir dir;
        dir.write("text.txt", "abab\n");
        RunResult r = run_program({"/bin/sh", "-c", std::string(priprava) + " && exec \"$@\"",
                                   "sh", script_path("pvm-run.sh"), "-e", bez_programu.path(),
                                   program_path("farmer"), "text.txt", "2"},
                                  "ab\n", dir.path(), 30);
        ASSERT_FALSE(r.timed_out) << priprava;
        EXPECT_EQ(r.status, 1) << priprava;
        EXPECT_EQ(r.out, VYZVA) << priprava;
        EXPECT_EQ(r.err, nelze) << priprava;
        EXPECT_EQ(obsah_slozky(dir.path()), "find_output.txt\ntext.txt\n") << priprava;
    }
    // A folder the user may not write to; root may write anywhere, so the run is a user's.
    TempDir dir, prazdny;
    dir.write("text.txt", "abab\n");
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::others_read |
                                                 std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    std::vector<std::string> argv = {program_path("farmer"), "text.txt", "2"};
    if (geteuid() == 0)
        argv.insert(argv.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                                   "--clear-groups"});
    RunResult r = run_program(argv, "ab\n", dir.path(), 30, {"PVM_TMP=" + prazdny.path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, nelze);
    EXPECT_EQ(obsah_slozky(dir.path()), "text.txt\n");
}

TEST(Farmer, ZpravaNahradiOdkazAPonechaPravaSouboru)
{
    namespace fs = std::filesystem;
    TempDir dir;
    dir.write("text.txt", "abab\n");
    dir.write("jinam.txt", "stara zprava\n");
    fs::create_symlink("jinam.txt", dir.file("find_output.txt"));
    over_zpravu(hledej(dir, "text.txt", "2", "ab"), dir, "ab", {0, 2});
    EXPECT_FALSE(fs::is_symlink(dir.file("find_output.txt")));
    EXPECT_EQ(dir.read("jinam.txt"), "stara zprava\n");
    fs::permissions(dir.file("find_output.txt"), fs::perms::owner_read | fs::perms::owner_write |
                                                     fs::perms::group_read);
    over_zpravu(hledej(dir, "text.txt", "2", "ba"), dir, "ba", {1});
    EXPECT_EQ(fs::status(dir.file("find_output.txt")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(obsah_slozky(dir.path()), "find_output.txt\njinam.txt\ntext.txt\n");
}

// Two runs in one folder: a failing one (its second worker waits for the file pokracuj, then
// leaves without a reply) and a successful one, that either ends while the failing one still
// runs or has ended before it starts. $1 is the tests' helper that finds tasks.
const char *const DVA_BEHY = R"sh(
. "$1"
run=$2 farmer=$3 programy=$4 nahradni=$5
uspesny() { echo ab | "$run" -e "$programy" "$farmer" text.txt 2 >/dev/null; echo "uspesny: $?"; }
neuspesny() { echo cekej | "$run" -e "$nahradni" "$farmer" text.txt 2 >/dev/null 2>&1; }
echo stara > find_output.txt
neuspesny & chybny=$!
until [ -n "$(task_of_this_run worker)" ]; do sleep 0.01; done
uspesny
touch pokracuj
wait $chybny; echo "neuspesny: $?"
cat find_output.txt
uspesny
neuspesny; echo "neuspesny: $?"
ls -A)sh";

TEST(Farmer, NeuspesnyBehOdstraniJenZpravuKterouVidelNaZacatku)
{
    TempDir dir;
    dir.write("text.txt", "ab-ab-ab-ab\n");  // room for two workers of the 5-letter "cekej"
    RunResult r = run_program({"/bin/bash", "-c", DVA_BEHY, "sh", test_script_path("ulohy_behu.sh"),
                               script_path("pvm-run.sh"), program_path("farmer"), program_path(""),
                               KVS_TEST_BIN_DIR},
                              "", dir.path(), 60);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.out, "uspesny: 0\nneuspesny: 1\n" + zprava("ab", "text.txt", {0, 3, 6, 9}, false) +
                         "uspesny: 0\nneuspesny: 1\npokracuj\ntext.txt\n")
        << r.err;
}

// Runs the command, then prints the worker tasks of this run still there a second later and
// what is in the folder, and passes the command's status through. $0 is the tests' helper that
// finds tasks.
const char *const PO_BEHU_VYPIS_WORKERY = R"sh(
. "$0"
"$@"; status=$?
for _ in $(seq 20); do
  zbyvajici=$(task_of_this_run worker)
  [ -z "$zbyvajici" ] && break
  sleep 0.05
done
echo "zbyvajici workeri:${zbyvajici:+ $zbyvajici}"
ls -A
exit $status)sh";

TEST(Farmer, SignalUkonciWorkeryAOdstraniZpravu)
{
    // The workers would wait for ever; 300 of them take a while to start, so the signal comes
    // while they are started, with 3 while farmer waits for their replies.
    const struct {
        const char *signal, *workeru;
        int status;
    } pripady[] = {{"INT", "300", 130}, {"TERM", "3", 143}, {"HUP", "3", 129}};
    for (const auto &p : pripady) {
        TempDir dir;
        dir.write("text.txt", std::string(4000, 'x') + "\n");
        dir.write("find_output.txt", "stara zprava\n");
        RunResult r = run_program(
            {test_script_path("zabij_za_behu.sh"), "task:worker", "task:farmer", p.signal, "--",
             script_path("pvm-run.sh"), "-e", KVS_TEST_BIN_DIR, "/bin/bash", "-c",
             PO_BEHU_VYPIS_WORKERY, test_script_path("ulohy_behu.sh"), program_path("farmer"),
             "text.txt", p.workeru},
            "cekej\n", dir.path(), 60);
        ASSERT_FALSE(r.timed_out) << p.signal;
        EXPECT_EQ(r.status, p.status) << p.signal << r.out << r.err;
        EXPECT_EQ(r.out, VYZVA + "zbyvajici workeri:\ntext.txt\n") << p.signal << r.err;
    }
}

TEST(Farmer, NejdelsiRetezecProjdeDelsiSeOdmitne)
{
    TempDir dir;
    // A pattern unlike the text but for one place keeps the worker's comparisons short.
    const std::string vzor = "x" + std::string(131070, 'v');
    dir.write("text.txt", "a" + vzor + "\n");
    RunResult r = hledej(dir, "text.txt", "1", vzor);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, VYZVA + zprava(vzor, "text.txt", {1}, true));
    r = hledej(dir, "text.txt", "1", vzor + "v");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, VYZVA + "Hledany retezec je prilis dlouhy (131072 znaku), workerum lze "
                             "predat nejvys 131071!\n");
}

TEST(Farmer, ZavrenyNeboPlnyVystupNeposkodiZpravuASkonciChybou)
{
    TempDir dir;
    std::string text;
    std::vector<int> pozice;
    for (int i = 0; i < 5000; i++) {
        pozice.push_back(static_cast<int>(text.size()));
        text += "ab-";
    }
    dir.write("text.txt", text + "\n");
    for (const char *presmerovani : {">&-", "> /dev/full"}) {
        RunResult r = run_program(
            with_redirection(presmerovani, {script_path("pvm-run.sh"), "-e", program_path(""),
                                            program_path("farmer"), "text.txt", "2"}),
            "ab\n", dir.path(), 60);
        ASSERT_FALSE(r.timed_out) << presmerovani;
        EXPECT_EQ(r.status, 1) << presmerovani;
        EXPECT_EQ(r.err, "Vypis nelze zapsat na standardni vystup.\n") << presmerovani;
        EXPECT_EQ(dir.read("find_output.txt"), zprava("ab", "text.txt", pozice, false));
    }
    // Without the worker program, and with nowhere to print, the run still ends.
    TempDir bez_programu;
    RunResult r = run_program(with_redirection(">&-", {script_path("pvm-run.sh"), "-e",
                                                       bez_programu.path(),
                                                       program_path("farmer"), "text.txt", "2"}),
                              "ab\n", dir.path(), 60);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(dir.exists("find_output.txt"));
}

TEST(Farmer, ZavrenaRouraNeposkodiZpravuASkonciChybou)
{
    // The reader takes one line and goes; farmer has far more to print than the pipe holds.
    // The runner ignores SIGPIPE, and its children would inherit that: env gives them the
    // default back, under which an unhandled closed pipe kills farmer.
    TempDir dir;
    std::string text;
    std::vector<int> pozice;
    for (int i = 0; i < 20000; i++) {
        pozice.push_back(static_cast<int>(text.size()));
        text += "ab";
    }
    dir.write("t.txt", text);
    dir.write("find_output.txt", "OLD\n");
    RunResult r = run_program({"/bin/bash", "-c", "\"$@\" | head -1; exit ${PIPESTATUS[0]}", "sh",
                               "/usr/bin/env", "--default-signal=PIPE", script_path("pvm-run.sh"),
                               "-e", program_path(""), program_path("farmer"), "t.txt", "2"},
                              "ab\n", dir.path(), 60);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, VYZVA + "Pocet nalezenych podretezcu \"ab\"\n");
    EXPECT_EQ(r.err, "Vypis nelze zapsat na standardni vystup.\n");
    EXPECT_EQ(dir.read("find_output.txt"), zprava("ab", "t.txt", pozice, false));
    EXPECT_EQ(obsah_slozky(dir.path()), "find_output.txt\nt.txt\n");
}

// Makes a chain of folders deeper than PATH_MAX ($1 is one folder's name), goes down it,
// writes a text and an old report there, runs the command, lists the folder, and removes the
// chain; no single call could take the whole path. bash, as dash's cd gives up on a long one.
const char *const V_HLUBOKE_SLOZCE = R"sh(
top=$PWD d=$1
shift
for _ in $(seq 25); do mkdir "$d" && cd "$d" || exit 2; done
echo xy > text.txt
echo stara > find_output.txt
"$@"; status=$?
ls -A
cd "$top" && rm -rf "$d"
exit $status)sh";

TEST(Farmer, CestaDelsiNezPathMaxSeOdmitne)
{
    // The workers start in the daemon's folder, where a text of the same name holds the
    // pattern: a relative name handed to them would find it there.
    TempDir dir;
    dir.write("text.txt", "ab ab ab\n");
    RunResult r = run_program({script_path("pvm-run.sh"), "-e", program_path(""), "/bin/bash",
                               "-c", V_HLUBOKE_SLOZCE, "sh", std::string(200, 'd'),
                               program_path("farmer"), "text.txt", "1"},
                              "ab\n", dir.path(), 60);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, VYZVA + "text.txt\n");
    EXPECT_EQ(r.err, "Absolutni cestu k souboru text.txt nelze zjistit (je delsi nez 4095 znaku), "
                     "workeri by soubor nenasli!\n");
    EXPECT_EQ(obsah_slozky(dir.path()), "text.txt\n");
}

TEST(Farmer, TextKteryNelzeCistDvakratSeOdmitne)
{
    // No one writes into the FIFO: opening it would wait for ever.
    TempDir dir;
    dir.write("find_output.txt", "stara zprava\n");
    RunResult r = run_program(
        {"/bin/sh", "-c", "mkfifo fronta && exec \"$@\"", "sh",
         script_path("pvm-run.sh"), "-e", program_path(""), program_path("farmer"), "fronta",
         "2"},
        "ab\n", dir.path(), 30);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Soubor fronta neni obycejny soubor, workeri by ho nemohli cist znovu!\n");
    EXPECT_FALSE(dir.exists("find_output.txt"));
}

TEST(Farmer, RelativniJmenoPlatiIKdyzWorkeriZacinajiJinde)
{
    // The workers start in the folder pvm-run.sh was started in, not in farmer's.
    TempDir dir;
    dir.write("text.txt", "zz zz zz\n");
    std::filesystem::create_directory(dir.file("jinde"));
    dir.write("jinde/text.txt", "ab ab\n");
    RunResult r = run_program({script_path("pvm-run.sh"), "-e", program_path(""), "/bin/sh", "-c",
                               "cd jinde && exec \"$@\"", "sh", program_path("farmer"),
                               "text.txt", "2"},
                              "ab\n", dir.path(), 30);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, VYZVA + zprava("ab", "text.txt", {0, 3}, true));
}

// Random lines of a few letters with LF, CR LF and lone CR ends, so that ranges start at and
// right after every kind of line end.
std::string nahodne_radky(std::mt19937 &nahoda, int radku)
{
    const char *konce[] = {"\n", "\r\n", "\r", "", "\n\n", "\r\r\n"};
    std::string obsah;
    for (int radek = 0; radek < radku; radek++) {
        for (int i = nahoda() % 30; i > 0; i--)
            obsah += "aab"[nahoda() % 3];
        obsah += konce[nahoda() % 6];
    }
    return obsah;
}

TEST(Farmer, OdpovedPoKusechDavaToTezCoVJedneZprave)
{
    // Workers told to send pieces of a few positions: thousands of positions in many pieces
    // of every worker arrive mixed, and the report is the one of one-message replies.
    std::mt19937 nahoda(29);
    for (int pokus = 0; pokus < 3; pokus++) {
        TempDir dir;
        const std::string obsah = nahodne_radky(nahoda, 300 + nahoda() % 300);
        const std::string vzor = pokus % 2 ? "aa" : "aba", text = spoj_pomalu(obsah);
        const std::string pocet = std::to_string(1 + nahoda() % 12);
        dir.write("text.txt", obsah);
        const std::vector<int> pozice = naivne(text, vzor, 0, text.size() - 1);
        over_zpravu(hledej(dir, "text.txt", pocet, vzor), dir, vzor, pozice);
        const std::string kus = std::to_string(1 + nahoda() % 8);
        over_zpravu(hledej(dir, "text.txt", pocet, vzor, program_path(""),
                           {"KVS_KUS_POZIC=" + kus, "TMPDIR=" + dir.path()}),
                    dir, vzor, pozice);
        EXPECT_GT(pozice.size(), 1000u);
    }
}

TEST(Farmer, ZtracenyWorkerNahradiNovyAZpravaJeJakoBezZtraty)
{
    // One worker sends a piece with a place that is no occurrence and dies; its range is
    // searched again, and the report is that of an undisturbed run, in pieces of a few
    // positions as in one message.
    std::mt19937 nahoda(37);
    for (const char *kus : {"3", "100000"}) {
        TempDir dir;
        const std::string obsah = nahodne_radky(nahoda, 400), text = spoj_pomalu(obsah);
        dir.write("text.txt", obsah);
        dir.write("umri-po-kusu", "");
        RunResult r = hledej(dir, "text.txt", "4", "ab", KVS_TEST_BIN_DIR,
                             {std::string("KVS_KUS_POZIC=") + kus});
        over_zpravu(r, dir, "ab", naivne(text, "ab", 0, text.size() - 1));
        EXPECT_EQ(matching(r.err, ZNOVU).size(), 1u) << r.err;
        EXPECT_EQ(lines_of(r.err).size(), 1u) << r.err;
        EXPECT_FALSE(dir.exists("umri-po-kusu"));
    }
}

using FarmerNaCeste = NaCeste;

TEST_P(FarmerNaCeste, ZpravaJakoNaivniHledani)
{
    // Over 4 MiB, so that farmer counts in threads; farmer and its workers on the path forced.
    std::mt19937 nahoda(67);
    std::string obsah;
    while (obsah.size() < (9 << 20))
        obsah += nahodne_radky(nahoda, 1000);
    const std::string text = spoj_pomalu(obsah);
    TempDir dir;
    dir.write("text.txt", obsah);
    const std::string cesta = std::string(PROMENNA_CESTY_CPU) + "=" + nazev_cesty_cpu(GetParam());
    for (const std::string vzor : {"bbab", "abbbab"})
        over_zpravu(hledej(dir, "text.txt", "3", vzor, program_path(""), {cesta}), dir, vzor,
                    naivne(text, vzor, 0, text.size() - 1));
}

NA_KAZDE_CESTE(FarmerNaCeste);

TEST(Farmer, StovkyWorkeruZacinajiSvouCastBezPocitaniOdZacatku)
{
    std::mt19937 nahoda(31);
    TempDir dir;
    const std::string obsah = nahodne_radky(nahoda, 6000), text = spoj_pomalu(obsah);
    dir.write("text.txt", obsah);
    RunResult r = hledej(dir, "text.txt", "300", "ab");
    over_zpravu(r, dir, "ab", naivne(text, "ab", 0, text.size() - 1));
    // Only progress of the start goes to standard error.
    for (const std::string &radek : lines_of(r.err))
        EXPECT_EQ(matching(radek, "Spusteno ([0-9]+) z 300 workeru\\.\\.\\.").size(), 1u) << radek;
}

TEST(Farmer, PrilisDlouhyTextOdmitneBezCteniCelehoSouboru)
{
    // 5 GiB of holes: counting stops past 2147483647 characters instead of reading them all.
    TempDir dir;
    dir.write("find_output.txt", "stara zprava\n");
    RunResult r = run_program({"/bin/sh", "-c", "truncate -s 5G velky.txt && exec \"$@\"", "sh",
                               program_path("farmer"), "velky.txt", "2"},
                              "ab\n", dir.path(), 120);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, VYZVA + "Text souboru velky.txt ma vic nez 2147483647 znaku, ktere lze "
                             "oznacit!\n");
    EXPECT_FALSE(dir.exists("find_output.txt"));
}

}  // namespace

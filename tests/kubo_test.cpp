// SPDX-License-Identifier: MIT
// Whole runs of kubo-main with its kubo-worker tasks, each on a private PVM virtual machine.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/kubo_kontrola.h"
#include "tests/program_runner.h"

namespace {

// kubo-main on a private virtual machine whose tasks come from the folder programy.
RunResult kubo_main(const TempDir &dir, const std::vector<std::string> &argumenty,
                    const std::string &programy = program_path(""))
{
    std::vector<std::string> argv = {script_path("pvm-run.sh"), "-e", programy};
    argv.push_back(program_path("kubo-main"));
    argv.insert(argv.end(), argumenty.begin(), argumenty.end());
    return run_program(argv, "", dir.path());
}

struct PlnyBeh {
    int funkce;
    int velikost;
    int delniku;
};

void PrintTo(const PlnyBeh &b, std::ostream *os)
{
    *os << "funkce " << b.funkce << ", velikost " << b.velikost << ", delniku " << b.delniku;
}

class KuboPlnyBeh : public ::testing::TestWithParam<PlnyBeh> {};

TEST_P(KuboPlnyBeh, SoucetZpravyALogOdpovidajiPlanu)
{
    const PlnyBeh b = GetParam();
    TempDir dir;
    dir.write("delnik.out", "zaznam z minuleho behu\n");
    RunResult r = kubo_main(dir, {"2", "1", "0.5", "0.01", std::to_string(b.funkce),
                                  std::to_string(b.delniku), std::to_string(b.velikost)});
    ASSERT_EQ(r.status, 0) << r.out << r.err;

    std::vector<double> plan = dilci_hmotnosti(kvadr(2, 1, 0.5), 0.01, b.funkce, b.velikost);
    EXPECT_TRUE(soucet_sedi(r.out, plan));
    EXPECT_EQ(matching(r.out, "Hlavni \\d+: Prideluji praci delnikovi \\d+, prideleno (\\d+)%").size(),
              plan.size());

    std::vector<std::string> vytvoreni = matching(r.out, "Hlavni \\d+: Vytvoren delnik (\\d+)\\.");
    std::vector<std::string> ukonceni = matching(r.out, "Hlavni \\d+: Delnik cislo (\\d+) ukoncen");
    ASSERT_EQ(vytvoreni.size(), (size_t)b.delniku);
    std::sort(vytvoreni.begin(), vytvoreni.end());
    std::sort(ukonceni.begin(), ukonceni.end());
    EXPECT_EQ(ukonceni, vytvoreni);

    std::string log = dir.read("delnik.out");
    EXPECT_EQ(log.find("minuleho"), std::string::npos);
    EXPECT_EQ(matching(log, "Delnik \\d+: Dilci hmotnost: (\\S+)").size(), plan.size());
    for (const std::string &tid : vytvoreni)
        for (const char *udalost : {"Vytvoren", "Ukoncuji smycku", "Koncim s behem"})
            EXPECT_EQ(matching(log, "Delnik " + tid + ": (" + udalost + ")").size(), 1u)
                << tid << " " << udalost << "\n" << log;
}

INSTANTIATE_TEST_SUITE_P(
    FunkceVelikostiDelnici, KuboPlnyBeh,
    ::testing::Values(PlnyBeh{1, 5, 3}, PlnyBeh{1, 30, 7}, PlnyBeh{1, 100, 1},
                      PlnyBeh{2, 5, 7}, PlnyBeh{2, 30, 1}, PlnyBeh{2, 100, 3},
                      PlnyBeh{3, 5, 1}, PlnyBeh{3, 30, 3}, PlnyBeh{3, 100, 7},
                      PlnyBeh{4, 5, 3}, PlnyBeh{4, 30, 7}, PlnyBeh{4, 100, 1}),
    [](const ::testing::TestParamInfo<PlnyBeh> &info) {
        return "Funkce" + std::to_string(info.param.funkce) + "Velikost" +
               std::to_string(info.param.velikost) + "Delniku" +
               std::to_string(info.param.delniku);
    });

// The total must not depend on the order in which results arrive: with many workers and
// small units that order changes from run to run, and so did the total when the partial
// masses were added as they came.
TEST(KuboSoucet, KazdyPocetDelnikuDaSoucetJednohoDelnika)
{
    for (const char *funkce : {"2", "3"})
        for (const char *velikost : {"1", "8"}) {
            std::vector<std::string> argumenty = {"97.3", "51.1", "77.7", "0.37", funkce, "1",
                                                  velikost};
            std::string jeden = soucet_jednoho_delnika(argumenty);
            ASSERT_NE(jeden, "");
            for (const char *delniku : {"3", "16"}) {
                argumenty[5] = delniku;
                TempDir dir;
                RunResult r = kubo_main(dir, argumenty);
                ASSERT_EQ(r.status, 0) << r.out << r.err;
                EXPECT_EQ(soucet_zpravy(r.out), jeden)
                    << "funkce " << funkce << ", velikost " << velikost << ", delniku " << delniku;
            }
        }
}

const char *const HLAVICKA =
    "\nIntegralni vypocet hmotnosti kvadru\n"
    "===================================\n\n"
    "Semestralni prace na KVS\n"
    "Projekt KVS: paralelni vypocty nad PVM\n"
    "Kontakt: viz README projektu\n\n";

TEST(KuboMain, BezSedmiArgumentuVypiseNapovedu)
{
    TempDir dir;
    for (std::vector<std::string> argv :
         {std::vector<std::string>{program_path("kubo-main")},
          {program_path("kubo-main"), "1", "2", "3", "4", "5", "6", "7", "8"}}) {
        RunResult r = run_program(argv, "", dir.path());
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out,
                  std::string(HLAVICKA) +
                      "Musite zadat celkem 7 argumentu prikazove radky. Musite zadat\n\n"
                      "kubo-main.exe <x> <y> <z> <d> <c. funkce> <pocet vlaken> <velikost prace>\n"
                      "   <x> <y> <z>      - rozmery kvadru\n"
                      "   <d>              - integracni krok pro vsechny osy\n"
                      "   <c. funkce>      - cislo funkce hustoty 1, 2, nebo 3\n"
                      "                         1 - ro(x, y, z) = 1\n"
                      "                         2 - ro(x, y, z) = x\n"
                      "                         3 - ro(x, y, z) = x+y+z\n"
                      "   <pocet vlaken>   - pocet vlaken, do kterych rozdelujeme ulohu\n"
                      "   <velikost prace> - v % dil pridelovane prace vlaknu\n\n"
                      "napr.:\n"
                      "kubo-main.exe 20 10 1 0.005 1 5 5\n\n");
    }
}

TEST(KuboMain, ZpravaOBehuAFunkceCtyriBezPopisu)
{
    TempDir dir;
    RunResult r = kubo_main(dir, {"3", "2", "1", "0.05", "4", "2", "50"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind(std::string(HLAVICKA) +
                              "---------------------------------------------------------------\n"
                              "Rozmery kvadry <x, y, z>:   3.00   2.00   1.00\n"
                              "Integracni krok: 0.05000000\n"
                              "Druh funkce: Pocet delniku: 2\n"
                              "Rozsah pridelovane prace: 50%\n"
                              "---------------------------------------------------------------\n"
                              "Hlavni ",
                          0),
              0u)
        << r.out;
    EXPECT_NE(r.out.find("\nHlavni "), std::string::npos);
    std::vector<std::string> konec = lines_of(r.out);
    ASSERT_GE(konec.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(konec.end() - 3, konec.end()),
              (std::vector<std::string>{"--------------------------------------------",
                                        "Hmotnost kvadru: 0.0000000000",
                                        "--------------------------------------------"}));
}

TEST(KuboMain, ZpravaOBehuPopiseKazdouFunkci)
{
    const char *popisy[] = {"ro(x, y, z) = 1\n", "ro(x, y, z) = x\n", "ro(x, y, z) = x + y + z\n"};
    for (int funkce = 1; funkce <= 3; funkce++) {
        TempDir dir;
        RunResult r = kubo_main(dir, {"1", "1", "1", "0.1", std::to_string(funkce), "1", "100"});
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find(std::string("Druh funkce: ") + popisy[funkce - 1] + "Pocet delniku: 1\n"),
                  std::string::npos)
            << r.out;
    }
}

TEST(KuboMain, SpatneArgumentyKonciJednimRadkemBezPvm)
{
    // No daemon exists for this PVM_TMP: any PVM call would add libpvm's complaints.
    TempDir dir;
    const std::vector<std::string> bez_demona = {"PVM_TMP=" + dir.path(), "PVM_ALLOW_ROOT=1"};
    const std::vector<std::vector<std::string>> pripady = {
        {"20", "10", "1", "0.005", "1", "0", "5"},   {"20", "10", "1", "0.005", "1", "x", "5"},
        {"20", "10", "1", "0.005", "1", "300", "5"}, {"20", "10", "1", "0.005", "1", "5", "0"},
        {"20", "10", "1", "0.005", "1", "5", "-5"},  {"20", "10", "1", "0", "1", "5", "5"},
        {"20", "10", "1", "nan", "1", "5", "5"},     {"1e300", "10", "1", "0.005", "1", "5", "5"},
        {"1", "1", "1", "inf", "1", "1", "1"},       {"1e300", "1e300", "1e300", "1e290", "1", "2", "5"},
        {"1", "1", "1", "1e300", "1", "1", "1"},     {"1e103", "1e103", "1e103", "1e102", "2", "2", "5"},
    };
    for (const std::vector<std::string> &argumenty : pripady) {
        std::vector<std::string> argv = {program_path("kubo-main")};
        argv.insert(argv.end(), argumenty.begin(), argumenty.end());
        RunResult r = run_program(argv, "", dir.path(), 20, bez_demona);
        EXPECT_EQ(r.status, 1) << argumenty[3] << " " << argumenty[5] << " " << argumenty[6];
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(lines_of(r.err).size(), 1u) << r.err;
    }
}

TEST(KuboMain, BezDemonaPvmKonciChybou)
{
    TempDir dir;
    RunResult r = run_program({program_path("kubo-main"), "1", "1", "1", "0.1", "1", "2", "50"},
                              "", dir.path(), 20, {"PVM_TMP=" + dir.path(), "PVM_ALLOW_ROOT=1"});
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Hlavni: Nelze se spojit s PVM"), std::string::npos) << r.err;
}

TEST(KuboMain, NespustitelnyDelnikSeZkusiPetkratAKonci)
{
    TempDir dir, prazdna_slozka;
    RunResult r = kubo_main(dir, {"1", "1", "1", "0.1", "1", "2", "50"}, prazdna_slozka.path());
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(matching(r.out, "Hlavni \\d+: Chyba pri vytvareni delnika\\. Cislo chyby (-\\d+)").size(),
              5u)
        << r.out;
    EXPECT_NE(r.out.find("Delnika se nepodarilo vytvorit ani na 5 pokusu, koncim."),
              std::string::npos);
    // Once a run, not once a try: which program, where a default daemon looks, what to do.
    std::vector<std::string> rady = lines_of(r.err);
    ASSERT_EQ(rady.size(), 3u) << r.err;
    EXPECT_NE(rady[0].find("nenasel program kubo-worker.exe"), std::string::npos) << r.err;
    EXPECT_NE(rady[1].find("/pvm3/bin/LINUX64 a v /usr/lib/pvm3/bin/LINUX64"), std::string::npos)
        << r.err;
    EXPECT_NE(rady[2].find("ep=SLOZKA"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("Hmotnost kvadru"), std::string::npos);
}

// Run in a folder that was removed: no file can be made there. The log is looked at before
// any PVM call, so no daemon is needed.
TEST(KuboMain, NevytvoritelnyLogKonciPredPrihlasenim)
{
    TempDir dir;
    RunResult r = run_program({"/bin/sh", "-c", "mkdir pryc && cd pryc && rmdir ../pryc && exec \"$@\"",
                               "sh", program_path("kubo-main"), "1", "1", "1", "0.1", "1", "2", "50"},
                              "", dir.path(), 30, {"PVM_TMP=" + dir.path(), "PVM_ALLOW_ROOT=1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Soubor 'delnik.out' pro zaznamy delniku nelze vytvorit.\n");
    EXPECT_EQ(r.out, "");
}

// A FIFO would block an ordinary open for writing until someone reads it; a folder or a
// device would take no log at all.
TEST(KuboMain, LogJinyNezObycejnySouborKonciPredPrihlasenim)
{
    for (const char *druh : {"fifo", "slozka", "zarizeni"}) {
        TempDir dir;
        std::string nazev = druh;
        if (nazev == "fifo")
            ASSERT_EQ(mkfifo(dir.file("delnik.out").c_str(), 0666), 0);
        else if (nazev == "slozka")
            std::filesystem::create_directory(dir.file("delnik.out"));
        else
            std::filesystem::create_symlink("/dev/full", dir.file("delnik.out"));
        RunResult r = run_program({script_path("pvm-run.sh"), "-e", program_path(""),
                                   program_path("kubo-main"), "2", "1", "1", "0.05", "1", "2", "50"},
                                  "", dir.path(), 30);
        ASSERT_FALSE(r.timed_out) << druh;
        EXPECT_EQ(r.status, 1) << druh;
        EXPECT_EQ(r.err, "Soubor 'delnik.out' pro zaznamy delniku neni obycejny soubor.\n");
        EXPECT_EQ(r.out, "") << druh;
    }
}

// Once the run is under way, delnik.out becomes a FIFO that nobody reads: each worker says
// once that it cannot write its log, and the run goes on to the right total.
TEST(KuboWorker, LogZmenenyNaFifoNezastaviVypocet)
{
    TempDir dir;
    RunResult r = run_program(
        {script_path("pvm-run.sh"), "-o", "ulohy.txt", "-e", program_path(""), "/bin/sh", "-c",
         "\"$0\" \"$@\" | while IFS= read -r radek; do echo \"$radek\"; case $radek in "
         "*'Spoustim smycku zprav') rm delnik.out; mkfifo delnik.out ;; esac; done",
         program_path("kubo-main"), "10", "2", "1", "0.002", "3", "3", "10"},
        "", dir.path(), 120);
    ASSERT_FALSE(r.timed_out);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(soucet_sedi(r.out, dilci_hmotnosti_jadrem(kvadr(10, 2, 1), 0.002, 3, 10)));
    std::vector<std::string> hlaseni =
        // A task's standard output is buffered: a piece of a progress line may come first.
        matching(dir.read("ulohy.txt"), ".*Delnik (\\d+): Do souboru 'delnik.out' nelze zapisovat\\.");
    std::vector<std::string> delnici = matching(r.out, "Hlavni \\d+: Vytvoren delnik (\\d+)\\.");
    std::sort(hlaseni.begin(), hlaseni.end());
    std::sort(delnici.begin(), delnici.end());
    EXPECT_EQ(hlaseni, delnici) << dir.read("ulohy.txt");
}

// The daemon starts its tasks in the folder pvm-run.sh was started in; kubo-main runs in
// another. The workers log where kubo-main emptied the log, not in the daemon's folder.
TEST(KuboWorker, LogujeVeSlozceHlavnihoNeDemona)
{
    TempDir demona, hlavniho;
    demona.write("delnik.out", "zaznam demona\n");
    hlavniho.write("delnik.out", "zaznam z minuleho behu\n");
    RunResult r = run_program({script_path("pvm-run.sh"), "-e", program_path(""), "/bin/sh", "-c",
                               "cd \"$0\" && exec \"$@\"", hlavniho.path(),
                               program_path("kubo-main"), "2", "1", "0.5", "0.05", "1", "2", "50"},
                              "", demona.path(), 60);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(demona.read("delnik.out"), "zaznam demona\n");
    std::string log = hlavniho.read("delnik.out");
    EXPECT_EQ(log.find("minuleho"), std::string::npos) << log;
    EXPECT_EQ(matching(log, "Delnik (\\d+): Koncim s behem").size(), 2u) << log;
}

TEST(KuboWorker, SpustenyMimoHlavniProgramKonci)
{
    TempDir dir;
    RunResult r = run_program({script_path("pvm-run.sh"), program_path("kubo-worker")}, "",
                              dir.path(), 30);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Nebyl spusten hlavnim procesem kubo-main"), std::string::npos) << r.err;
}

}  // namespace

namespace {

// kubo-main on a private virtual machine, one of whose workers is killed once the first
// units are out; every unit of this cuboid keeps a worker busy for a while.
const std::vector<std::string> KUBO_ZTRATA = {"10", "2", "1", "0.002", "3", "", "10"};

RunResult kubo_main_se_ztratou(const TempDir &dir, const std::string &delniku)
{
    std::vector<std::string> argv = {test_script_path("zabij_za_behu.sh"),
                                     "line:Spoustim smycku zprav",
                                     "task:kubo-worker.exe",
                                     "--",
                                     script_path("pvm-run.sh"),
                                     "-e",
                                     program_path(""),
                                     program_path("kubo-main")};
    argv.insert(argv.end(), KUBO_ZTRATA.begin(), KUBO_ZTRATA.end());
    argv[argv.size() - 2] = delniku;
    return run_program(argv, "", dir.path(), 300);
}

TEST(KuboZtrata, ZabityDelnikNezmeniSoucet)
{
    TempDir dir;
    RunResult r = kubo_main_se_ztratou(dir, "3");
    ASSERT_FALSE(r.timed_out);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.err.find("killed task:kubo-worker.exe"), std::string::npos) << r.err;
    EXPECT_EQ(matching(r.out, "Hlavni \\d+: Delnik \\d+ ztracen, jeho praci od (\\d+)% pridelim znovu")
                  .size(),
              1u)
        << r.out;
    EXPECT_EQ(matching(r.out, "Hlavni \\d+: Prideluji znovu praci delnikovi \\d+, od (\\d+)%").size(),
              1u);
    EXPECT_EQ(matching(r.out, "Hlavni \\d+: Delnik cislo (\\d+) ukoncen").size(), 2u);

    EXPECT_TRUE(soucet_sedi(r.out, dilci_hmotnosti_jadrem(kvadr(10, 2, 1), 0.002, 3, 10)));
    EXPECT_EQ(soucet_zpravy(r.out), soucet_jednoho_delnika(KUBO_ZTRATA));
}

TEST(KuboZtrata, ZtrataVsechDelnikuKonciChybou)
{
    TempDir dir;
    RunResult r = kubo_main_se_ztratou(dir, "1");
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("Vsichni delnici jsou ztraceni, vypocet nelze dokoncit"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("Hmotnost kvadru"), std::string::npos);
}

}  // namespace

namespace {

TEST(KuboMain, ZavrenyNeboPlnyVystupKonciChybou)
{
    for (const char *presmerovani : {">&-", "> /dev/full"}) {
        TempDir dir;
        RunResult r = run_program(
            with_redirection(presmerovani, {script_path("pvm-run.sh"), "-e", program_path(""),
                                            program_path("kubo-main"), "1", "1", "1", "0.5", "1",
                                            "2", "50"}),
            "", dir.path(), 60);
        ASSERT_FALSE(r.timed_out) << presmerovani;
        EXPECT_EQ(r.status, 1) << presmerovani << r.err;
        EXPECT_EQ(r.err, "Hlavni: Zpravu o behu nelze zapsat na standardni vystup.\n");
        // The first line already failed: no worker was started to compute a total that
        // nobody could read.
        EXPECT_EQ(dir.read("delnik.out"), "") << presmerovani;
    }
}

TEST(KuboPreruseni, SignalUkonciHlavnihoIJehoDelniky)
{
    for (const char *signal : {"INT", "TERM"}) {
        TempDir dir;
        // Each slab keeps its worker busy for far longer than the test may take.
        RunResult r = run_program(
            {test_script_path("zabij_za_behu.sh"), "line:Spoustim smycku zprav", "task:kubo-main",
             signal, "--", script_path("pvm-run.sh"), "-e", program_path(""), "/bin/bash", "-c",
             PAK_CEKEJ_NA_DELNIKY, test_script_path("ulohy_behu.sh"), "1",
             program_path("kubo-main"),
             "20", "10", "10", "0.002", "3", "2", "50"},
            "", dir.path(), 60);
        ASSERT_FALSE(r.timed_out) << signal;
        EXPECT_EQ(r.status, std::string(signal) == "INT" ? 130 : 143) << r.out << r.err;
        EXPECT_EQ(matching(r.out, "Hlavni \\d+: Prerusen signalem (\\d+), ukoncuji delniky").size(),
                  1u)
            << r.out;
        EXPECT_NE(r.out.find("zbyvajici delnici:\n"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("Hmotnost kvadru"), std::string::npos);
    }
}

}  // namespace

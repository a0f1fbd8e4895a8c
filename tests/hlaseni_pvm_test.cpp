// SPDX-License-Identifier: MIT
// What the PVM programs say when PVM fails them: no daemon to join, or a task program that the
// daemon passed over for lacking its execute bit.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/program_runner.h"

namespace {

namespace fs = std::filesystem;

// Without a daemon each program tells it in one line of its own; libpvm's complaints about
// each try to reach the daemon are not shown, nor when a program that never joined leaves.
TEST(BezDemona, KazdyProgramJedinymRadkem)
{
    TempDir dir, prazdny;
    dir.write("text.txt", "abab");
    const std::vector<std::vector<std::string>> programy = {
        {program_path("kubo-main"), "1", "1", "1", "0.1", "1", "2", "50"},
        {program_path("kubo-worker")},
        {program_path("farmer"), "text.txt", "2"},
        {program_path("worker"), dir.file("text.txt"), "0", "3", "ab"},
        {program_path("worker"), dir.file("neni.txt"), "0", "3", "ab"},
        {"/bin/sh", "-c", "exec \"$0\" 3> /dev/null", program_path("pvm-run-tasker")},
    };
    for (const std::vector<std::string> &argv : programy) {
        const std::string program = argv[0] == "/bin/sh" ? argv[3] : argv[0];
        RunResult r = run_program(argv, "ab\n", dir.path(), 30,
                                  {"PVM_TMP=" + prazdny.path(), "PVM_ALLOW_ROOT=1"});
        EXPECT_EQ(r.status, 1) << program << "\n" << r.err;
        EXPECT_EQ(lines_of(r.err).size(), 1u) << program << "\n" << r.err;
        EXPECT_EQ(r.err.find("libpvm"), std::string::npos) << program << "\n" << r.err;
    }
}

struct Spousteni {
    std::string program;             // the task program it spawns
    std::vector<std::string> argv;   // the master and its arguments
};

// A task program without its execute bit in the program folder: the daemon passes it over as
// if it were not there, and the master names the file and the chmod that mends it instead of
// advising to put it where it already is. With no file at all, that advice stays.
TEST(NespustitelnyProgram, HlaseniJmenujeSouborAChmod)
{
    TempDir dir, bez_prava, prazdna;
    dir.write("text.txt", "abab");
    const std::vector<Spousteni> spousteni = {
        {"kubo-worker.exe", {program_path("kubo-main"), "1", "1", "1", "0.1", "1", "2", "50"}},
        {"worker", {program_path("farmer"), "text.txt", "2"}},
    };
    for (const Spousteni &s : spousteni) {
        fs::copy_file(program_path(s.program), bez_prava.file(s.program));
        fs::permissions(bez_prava.file(s.program), fs::perms::owner_read | fs::perms::owner_write);
        const std::string soubor = bez_prava.file(s.program);
        const std::string nespustitelny = "Demon PVM nenasel spustitelny program " + s.program +
                                          ": soubor " + soubor + " neni spustitelny.\n";
        const std::string oprava = "Povolte jeho spusteni (chmod +x " + soubor + ").\n";
        for (const TempDir *slozka : {&bez_prava, &prazdna}) {
            std::vector<std::string> argv = {script_path("pvm-run.sh"), "-e", slozka->path()};
            argv.insert(argv.end(), s.argv.begin(), s.argv.end());
            RunResult r = run_program(argv, "ab\n", dir.path(), 60);
            EXPECT_EQ(r.status, 1) << r.err;
            if (slozka == &bez_prava) {
                EXPECT_NE(r.err.find(nespustitelny), std::string::npos) << r.err;
                EXPECT_NE(r.err.find(oprava), std::string::npos) << r.err;
                EXPECT_EQ(r.err.find("PVM nehlasi"), std::string::npos) << r.err;
            } else {
                EXPECT_NE(r.err.find("Demon PVM nenasel program " + s.program + ".\n"),
                          std::string::npos)
                    << r.err;
                EXPECT_EQ(r.err.find("spustitelny"), std::string::npos) << r.err;
            }
        }
    }
}

}  // namespace

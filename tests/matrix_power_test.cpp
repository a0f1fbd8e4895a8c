// SPDX-License-Identifier: MIT
// Whole runs of matrix-power, compared byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/program_runner.h"

namespace {

RunResult spust(const TempDir &dir)
{
    return run_program({program_path("matrix-power")}, "", dir.path());
}

RunResult spust_s_matici(const std::string &obsah)
{
    TempDir dir;
    dir.write("matice.txt", obsah);
    return spust(dir);
}

TEST(MatrixPower, DvaKratDvaVypiseVseVPoradi)
{
    RunResult r = spust_s_matici("1 2\n3 4\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "Nacitam matici ze souboru :)\n"
              "Rozmer matice:2\n"
              "Alokuji misto pro matici\n"
              "Nacitam vlastni matici\n"
              "Vypis matice:\n"
              "1.000000\t2.000000\t\n"
              "3.000000\t4.000000\t\n"
              "Alokuji misto pro matici\n"
              "Alokuji misto pro matici\n"
              "Vypis pocatecniho vysledku\n"
              "3.000000\t4.000000\t\n"
              "nasobim pomoc[0]*n_matice[0][0]=3.000000\n"
              "nasobim pomoc[1]*n_matice[1][0]=15.000000\n"
              "nasobim pomoc[0]*n_matice[0][1]=6.000000\n"
              "nasobim pomoc[1]*n_matice[1][1]=22.000000\n"
              "Vysledek:\n"
              "15.000000\t22.000000\t\n"
              "Vypis matice:\n"
              "1.000000\t2.000000\t\n"
              "3.000000\t4.000000\t\n"
              "Vypis matice:\n"
              "7.000000\t10.000000\t\n"
              "15.000000\t22.000000\t\n");
}

TEST(MatrixPower, JednaKratJedna)
{
    RunResult r = spust_s_matici("5");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "Nacitam matici ze souboru :)\n"
              "Rozmer matice:1\n"
              "Alokuji misto pro matici\n"
              "Nacitam vlastni matici\n"
              "Vypis matice:\n"
              "5.000000\t\n"
              "Alokuji misto pro matici\n"
              "Alokuji misto pro matici\n"
              "Vypis pocatecniho vysledku\n"
              "5.000000\t\n"
              "nasobim pomoc[0]*n_matice[0][0]=25.000000\n"
              "Vysledek:\n"
              "25.000000\t\n"
              "Vypis matice:\n"
              "5.000000\t\n"
              "Vypis matice:\n"
              "25.000000\t\n");
}

TEST(MatrixPower, ChybnySouborKonciStatusemJedna)
{
    // Eight values are no square; a word can never be read past; an empty or blank file holds
    // no matrix at all.
    for (const char *obsah :
         {"1 2 3 4 5 6 7 8", "1 2\nx 4\n", "1 2 3 4 5 abc", "", "  \n\t \r\n\n"}) {
        RunResult r = spust_s_matici(obsah);
        EXPECT_EQ(r.status, 1) << obsah;
        EXPECT_EQ(r.out, "Nacitam matici ze souboru :)\nChyba ve vstupnim souboru!!\n") << obsah;
    }
}

TEST(MatrixPower, ChybejiciSouborKonciStatusemJedna)
{
    TempDir dir;
    RunResult r = spust(dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Soubor se nepodarilo 'matice.txt' otevrit\n");
}

TEST(MatrixPower, NecitelnySouborKonciStatusemJedna)
{
    // A folder of that name opens on Linux but cannot be read.
    TempDir dir;
    std::filesystem::create_directory(dir.file("matice.txt"));
    RunResult r = spust(dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Soubor se nepodarilo 'matice.txt' otevrit\n");
}

TEST(MatrixPower, SouborKteryNelzePretocitJeChybny)
{
    // The count pass takes the values out of a pipe; the second pass would find none.
    TempDir dir;
    std::filesystem::create_symlink("/dev/stdin", dir.file("matice.txt"));
    RunResult z_odkazu = run_program({program_path("matrix-power")}, "1 2 3 4\n", dir.path());
    RunResult z_fronty = run_program(
        {"/bin/sh", "-c", "rm matice.txt; mkfifo matice.txt; echo 1 2 3 4 > matice.txt & exec \"$0\"",
         program_path("matrix-power")},
        "", dir.path(), 20);
    for (const RunResult &r : {z_odkazu, z_fronty}) {
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "Nacitam matici ze souboru :)\nChyba ve vstupnim souboru!!\n");
    }
}

TEST(MatrixPower, ZavrenyNeboPlnyVystupKonciChybou)
{
    TempDir dir;
    dir.write("matice.txt", "1 2 3 4\n");
    for (const char *presmerovani : {">&-", "> /dev/full"}) {
        RunResult r = run_program(with_redirection(presmerovani, {program_path("matrix-power")}),
                                  "", dir.path(), 20);
        EXPECT_EQ(r.status, 1) << presmerovani;
        EXPECT_EQ(r.err, "Vypis matice nelze zapsat na standardni vystup.\n") << presmerovani;
        EXPECT_EQ(dir.read("matice.txt"), "1 2 3 4\n");
    }
}

// Reference result of the same rounding rule, row 11 of A squared.
std::string ocekavany_vysledek(const std::vector<std::vector<float>> &a)
{
    std::string radek;
    char buf[64];
    for (size_t c = 0; c < a.size(); c++) {
        float s = 0;
        for (size_t k = 0; k < a.size(); k++)
            s = (float)((double)a.back()[k] * (double)a[k][c] + (double)s);
        snprintf(buf, sizeof buf, "%f\t", (double)s);
        radek += buf;
    }
    return "Vysledek:\n" + radek + "\n";
}

TEST(MatrixPower, DvanactKratDvanactSeZpracujeCela)
{
    const int n = 12;
    std::vector<std::vector<float>> a(n, std::vector<float>(n));
    std::string obsah;
    for (int r = 0; r < n; r++) {
        for (int c = 0; c < n; c++) {
            a[r][c] = (float)((r * 7 + c * 3) % 11) / 4.0f - 1.1f;
            char buf[32];
            snprintf(buf, sizeof buf, "%.9g%s", (double)a[r][c], c + 1 < n ? " " : "\n");
            obsah += buf;
        }
    }
    RunResult r = spust_s_matici(obsah);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Rozmer matice:12\n"), std::string::npos);
    EXPECT_NE(r.out.find(ocekavany_vysledek(a)), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("nasobim pomoc[11]*n_matice[11][11]="), std::string::npos);
}

}  // namespace

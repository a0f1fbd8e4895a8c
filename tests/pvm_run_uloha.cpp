// SPDX-License-Identifier: MIT
// Test-only PVM task for the runs of pvm-run.sh: tasks that misbehave as real ones may.
//
// usage: pvm_run_uloha neposlusne N    spawns N copies that ignore TERM and sleep two minutes,
//                                      and ends once each has written "neposlusna.<pid>"
//        pvm_run_uloha radek BYTES     spawns one copy that writes BYTES bytes without a line
//                                      end, and ends when that copy has
#include <pvm3.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const int ZNACKA_KONEC = 90;

int zustan()
{
    signal(SIGTERM, SIG_IGN);
    std::string nazev = "neposlusna." + std::to_string(getpid());
    FILE *f = fopen(nazev.c_str(), "w");
    if (f == nullptr || fclose(f) != 0)
        return 1;
    sleep(120);
    return 0;
}

int pis_radek(long bajtu)
{
    std::string blok(4096, 'r');
    for (; bajtu > 0; bajtu -= (long)blok.size())
        fwrite(blok.data(), 1, std::min<long>(bajtu, (long)blok.size()), stdout);
    return fflush(stdout) == 0 ? 0 : 1;
}

int spust(const char *rezim, const char *hodnota, int pocet, std::vector<int> &tids)
{
    tids.resize(pocet);
    char *argumenty[] = {const_cast<char *>(rezim), const_cast<char *>(hodnota), nullptr};
    return pvm_spawn(const_cast<char *>("pvm_run_uloha"), argumenty, PvmTaskDefault,
                     const_cast<char *>(""), pocet, tids.data());
}

// Each copy has started for real once its file is there.
bool cekej_na_soubory(int pocet)
{
    for (int i = 0; i < 1000; i++) {
        int hotovo = 0;
        for (const auto &soubor : std::filesystem::directory_iterator("."))
            hotovo += soubor.path().filename().string().rfind("neposlusna.", 0) == 0;
        if (hotovo >= pocet)
            return true;
        usleep(10 * 1000);
    }
    return false;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::string(argv[1]) == "zustan")
        return zustan();
    if (argc == 3 && std::string(argv[1]) == "pis")
        return pis_radek(atol(argv[2]));
    if (argc != 3 || pvm_mytid() < 0) {
        fprintf(stderr, "usage: pvm_run_uloha neposlusne N|radek BYTES (on a PVM machine)\n");
        return 2;
    }
    std::vector<int> tids;
    bool dobre;
    if (std::string(argv[1]) == "neposlusne") {
        int pocet = atoi(argv[2]);
        dobre = spust("zustan", "", pocet, tids) == pocet && cekej_na_soubory(pocet);
    } else {
        dobre = spust("pis", argv[2], 1, tids) == 1 &&
                pvm_notify(PvmTaskExit, ZNACKA_KONEC, 1, tids.data()) >= 0 &&
                pvm_recv(-1, ZNACKA_KONEC) > 0;
    }
    pvm_exit();
    return dobre ? 0 : 1;
}

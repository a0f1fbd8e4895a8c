// SPDX-License-Identifier: MIT
// Test-only PVM task: tells its parent on which host and in which folder it runs.
//
// usage: hostinfo_task [wait]
// It writes "hostinfo.<task id>" in its working folder, reports to its parent, and with "wait"
// stays until the parent lets it go, so that a test can lose it or its host meanwhile.
#include <pvm3.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/hostinfo_task.h"

static std::string jmeno_hostitele()
{
    char jmeno[256] = "";
    gethostname(jmeno, sizeof jmeno - 1);
    return jmeno;
}

static std::string pracovni_slozka()
{
    char slozka[4096] = "";
    if (getcwd(slozka, sizeof slozka) == nullptr)
        return "?";
    return slozka;
}

// The file proves to the test that the task really started in the shared folder.
static void zapis_soubor(int tid, const std::string &hostitel)
{
    char nazev[64];
    std::snprintf(nazev, sizeof nazev, "hostinfo.%x", tid);
    FILE *f = std::fopen(nazev, "w");
    if (f == nullptr)
        return;
    std::fprintf(f, "%s\n", hostitel.c_str());
    std::fclose(f);
}

static void posli_zpravu(int rodic, int tid, std::string hostitel, std::string slozka)
{
    int pid = (int)getpid();
    pvm_initsend(PvmDataDefault);
    pvm_pkint(&tid, 1, 1);
    pvm_pkstr(hostitel.data());
    pvm_pkstr(slozka.data());
    pvm_pkint(&pid, 1, 1);
    pvm_send(rodic, TAG_ZPRAVA);
}

int main(int argc, char **argv)
{
    int tid = pvm_mytid();
    int rodic = pvm_parent();
    if (tid < 0 || rodic < 0) {
        std::fprintf(stderr, "hostinfo_task: not started by a PVM task\n");
        if (tid >= 0)
            pvm_exit();
        return 1;
    }
    std::string hostitel = jmeno_hostitele();
    zapis_soubor(tid, hostitel);
    posli_zpravu(rodic, tid, hostitel, pracovni_slozka());
    // A lost daemon makes the receive fail, and the task ends as well.
    if (argc > 1 && std::strcmp(argv[1], "wait") == 0)
        pvm_recv(rodic, TAG_KONEC);
    pvm_exit();
    return 0;
}

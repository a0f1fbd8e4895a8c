// SPDX-License-Identifier: MIT
// Test-only PVM master: spreads hostinfo_task over the hosts, or loses a task or a host.
//
// usage: multihost_probe spread COUNT
//        multihost_probe lose-task HOST [LIMIT_S]
//        multihost_probe lose-host HOST SIGNAL [LIMIT_S [send]]
// "spread" spawns COUNT tasks where PVM likes. The other two start one task on every host,
// kill the task on HOST, or send SIGNAL to HOST's daemon (its process id is in
// $PVM_HOSTS_DIR/HOST.pid, see scripts/pvm-hosts.sh), and report which notices PVM sends and
// after how many milliseconds, waiting at most LIMIT_S seconds. With "send" it sends the lost
// task one message right after the fault, as a master handing out work would. Every line it prints is a fact
// for the test to check; it ends with status 0 when the run itself went through.
#include <pvm3.h>
#include <signal.h>
#include <sys/time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/hostinfo_task.h"

struct Zprava {
    int tid = 0;
    std::string hostitel;  // the host name the task itself sees
    std::string slozka;    // its working folder
    int pid = 0;
};

static std::map<int, std::string> hostitele;  // daemon task id -> host name, from pvm_config
static std::vector<int> tidy;                 // the spawned tasks
static int limit_s = 60;

static void nacti_hostitele()
{
    int pocet = 0, formaty = 0;
    pvmhostinfo *info = nullptr;
    pvm_config(&pocet, &formaty, &info);
    std::printf("hosts %d\n", pocet);
    for (int i = 0; i < pocet; i++) {
        hostitele[info[i].hi_tid] = info[i].hi_name;
        std::printf("host %s %x\n", info[i].hi_name, info[i].hi_tid);
    }
}

static std::string hostitel_tidu(int tid) { return hostitele[pvm_tidtohost(tid)]; }

// Spawns COUNT waiting tasks, on HOST by name when one is given.
static bool spust(int pocet, const char *hostitel)
{
    char arg[] = "wait";
    char *argv[] = {arg, nullptr};
    std::vector<int> nove(pocet);
    char *kde = const_cast<char *>(hostitel);
    int n = pvm_spawn(const_cast<char *>("hostinfo_task"), argv,
                      hostitel ? PvmTaskHost : PvmTaskDefault, kde, pocet, nove.data());
    for (int i = 0; i < pocet; i++) {
        if (i < n && nove[i] > 0)
            tidy.push_back(nove[i]);
        else
            std::printf("spawn-error %d\n", i < n ? nove[i] : n);
    }
    return n == pocet;
}

static long long ms_od(std::chrono::steady_clock::time_point start)
{
    auto d = std::chrono::steady_clock::now() - start;
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

// Receives one message of TAG, waiting at most until the deadline. Returns its tag, or -1.
static int prijmi(int tag, std::chrono::steady_clock::time_point konec)
{
    long long zbyva = std::chrono::duration_cast<std::chrono::milliseconds>(
                          konec - std::chrono::steady_clock::now()).count();
    if (zbyva < 0)
        zbyva = 0;
    timeval tv = {(time_t)(zbyva / 1000), (suseconds_t)(zbyva % 1000 * 1000)};
    int buf = pvm_trecv(-1, tag, &tv);
    if (buf <= 0)
        return -1;
    int bajty = 0, prijaty = 0, od = 0;
    pvm_bufinfo(buf, &bajty, &prijaty, &od);
    return prijaty;
}

static std::chrono::steady_clock::time_point za_limit()
{
    return std::chrono::steady_clock::now() + std::chrono::seconds(limit_s);
}

static bool prijmi_zpravy(std::vector<Zprava> &zpravy)
{
    auto konec = za_limit();
    for (size_t i = 0; i < tidy.size(); i++) {
        if (prijmi(TAG_ZPRAVA, konec) < 0) {
            std::printf("missing-report\n");
            return false;
        }
        Zprava z;
        char text[4096];
        pvm_upkint(&z.tid, 1, 1);
        pvm_upkstr(text);
        z.hostitel = text;
        pvm_upkstr(text);
        z.slozka = text;
        pvm_upkint(&z.pid, 1, 1);
        std::printf("task %x pvm-host %s uname %s cwd %s\n", z.tid, hostitel_tidu(z.tid).c_str(),
                    z.hostitel.c_str(), z.slozka.c_str());
        zpravy.push_back(z);
    }
    return true;
}

// What the daemons know of the tasks, independent of what the tasks said of themselves.
static void vypis_ulohy()
{
    int pocet = 0;
    pvmtaskinfo *info = nullptr;
    pvm_tasks(0, &pocet, &info);
    for (int i = 0; i < pocet; i++)
        for (int tid : tidy)
            if (info[i].ti_tid == tid)
                std::printf("listed %x on %s\n", tid, hostitele[info[i].ti_host].c_str());
}

static void hlidej()
{
    pvm_notify(PvmTaskExit, TAG_TASK_EXIT, (int)tidy.size(), tidy.data());
    std::vector<int> dtidy;
    for (const auto &[dtid, nazev] : hostitele)
        if (dtid != pvm_tidtohost(pvm_mytid()))
            dtidy.push_back(dtid);
    if (!dtidy.empty())
        pvm_notify(PvmHostDelete, TAG_HOST_DELETE, (int)dtidy.size(), dtidy.data());
}

// Lets every task that is still there go, and waits for the exit notices of those expected.
static void propust(const std::vector<int> &cekane)
{
    for (int tid : tidy) {
        pvm_initsend(PvmDataDefault);
        pvm_send(tid, TAG_KONEC);
    }
    auto start = std::chrono::steady_clock::now();
    auto konec = za_limit();
    std::vector<int> zbyva = cekane;
    while (!zbyva.empty() && prijmi(TAG_TASK_EXIT, konec) >= 0) {
        int tid = 0;
        pvm_upkint(&tid, 1, 1);
        std::printf("released %x after %lld ms\n", tid, ms_od(start));
        for (size_t i = 0; i < zbyva.size(); i++)
            if (zbyva[i] == tid)
                zbyva.erase(zbyva.begin() + (long)i);
    }
    std::printf("ended %zu of %zu\n", cekane.size() - zbyva.size(), cekane.size());
}

static int rozprostri(int pocet)
{
    std::vector<Zprava> zpravy;
    if (!spust(pocet, nullptr))
        return 1;
    hlidej();
    if (!prijmi_zpravy(zpravy))
        return 1;
    vypis_ulohy();
    propust(tidy);
    return 0;
}

static bool zabij_demona(const std::string &hostitel, int signal)
{
    const char *slozka = std::getenv("PVM_HOSTS_DIR");
    std::ifstream f(std::string(slozka ? slozka : ".") + "/" + hostitel + ".pid");
    int pid = 0;
    if (!(f >> pid) || pid <= 0) {
        std::printf("no-daemon-pid %s\n", hostitel.c_str());
        return false;
    }
    return kill(pid, signal) == 0;
}

static void vypis_oznameni(int tag, std::chrono::steady_clock::time_point start)
{
    int tid = 0;
    pvm_upkint(&tid, 1, 1);
    if (tag == TAG_TASK_EXIT)
        std::printf("task-exit %x on %s after %lld ms\n", tid, hostitel_tidu(tid).c_str(),
                    ms_od(start));
    else
        std::printf("host-delete %s after %lld ms\n", hostitele[tid].c_str(), ms_od(start));
    std::fflush(stdout);
}

// Waits for the notices the loss should bring: the lost task's exit and, for a lost host, the
// host's deletion, and prints each with the time it took.
static void cekej_na_ztratu(bool i_hostitel, std::chrono::steady_clock::time_point start)
{
    auto konec = start + std::chrono::seconds(limit_s);
    int ulohy = 0, hostitele_pryc = 0;
    while (ulohy < 1 || (i_hostitel && hostitele_pryc < 1)) {
        int tag = prijmi(-1, konec);
        if (tag < 0) {
            std::printf("no-more-notices after %lld ms\n", ms_od(start));
            break;
        }
        if (tag != TAG_TASK_EXIT && tag != TAG_HOST_DELETE)
            continue;
        vypis_oznameni(tag, start);
        (tag == TAG_TASK_EXIT ? ulohy : hostitele_pryc)++;
    }
}

// Kills the task on HOST, or sends SIGNAL to HOST's daemon. Returns the lost task, or 0.
static int zasahni(const std::vector<Zprava> &zpravy, const std::string &hostitel,
                   bool i_hostitel, int signal)
{
    for (const Zprava &z : zpravy) {
        if (hostitel_tidu(z.tid) != hostitel)
            continue;
        bool zasah = i_hostitel ? zabij_demona(hostitel, signal) : kill(z.pid, SIGKILL) == 0;
        return zasah ? z.tid : 0;
    }
    return 0;
}

static int ztrat(const std::string &hostitel, bool i_hostitel, int signal, bool posli)
{
    std::vector<Zprava> zpravy;
    for (const auto &[dtid, nazev] : hostitele)
        if (!spust(1, nazev.c_str()))
            return 1;
    hlidej();
    if (!prijmi_zpravy(zpravy))
        return 1;
    auto start = std::chrono::steady_clock::now();
    int ztracena = zasahni(zpravy, hostitel, i_hostitel, signal);
    if (ztracena == 0) {
        std::printf("nothing-killed\n");
        return 1;
    }
    std::printf("killed %s %x\n", i_hostitel ? "host-of" : "task", ztracena);
    std::fflush(stdout);
    if (posli) {
        pvm_initsend(PvmDataDefault);
        std::printf("send %d\n", pvm_send(ztracena, TAG_KONEC));
    }
    cekej_na_ztratu(i_hostitel, start);
    std::vector<int> zbyle;
    for (int tid : tidy)
        if (tid != ztracena)
            zbyle.push_back(tid);
    propust(zbyle);
    return 0;
}

static int pouziti()
{
    std::fprintf(stderr, "usage: multihost_probe spread COUNT | lose-task HOST [LIMIT_S] | "
                         "lose-host HOST SIGNAL [LIMIT_S [send]]\n");
    return 2;
}

static int beh(int argc, char **argv)
{
    std::string rezim = argc > 1 ? argv[1] : "";
    nacti_hostitele();
    std::fflush(stdout);
    if (rezim == "spread" && argc == 3)
        return rozprostri(std::atoi(argv[2]));
    if (rezim == "lose-task" && (argc == 3 || argc == 4)) {
        limit_s = argc == 4 ? std::atoi(argv[3]) : limit_s;
        return ztrat(argv[2], false, 0, false);
    }
    if (rezim == "lose-host" && argc >= 4 && argc <= 6) {
        limit_s = argc >= 5 ? std::atoi(argv[4]) : limit_s;
        bool posli = argc == 6 && std::strcmp(argv[5], "send") == 0;
        return ztrat(argv[2], true, std::atoi(argv[3]), posli);
    }
    return pouziti();
}

int main(int argc, char **argv)
{
    if (pvm_mytid() < 0) {
        std::fprintf(stderr, "multihost_probe: no PVM daemon\n");
        return 1;
    }
    int status = beh(argc, argv);
    pvm_exit();
    return status;
}

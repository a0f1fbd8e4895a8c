// SPDX-License-Identifier: MIT
// pvm-run-tasker: starts the tasks of a private PVM virtual machine in place of its daemon and
// keeps every line they write, whole and tagged with the task's identifier, in one file.
//
// usage: pvm-run-tasker 3>FILE   (the lines go to descriptor 3, which pvm-run opens)
//
// A daemon reads its tasks' output in pieces of at most 3999 bytes and logs each piece as a
// line of its own, so its log cannot give a task's lines back whole. PVM lets one task of a
// host start the others in the daemon's place (pvm_reg_tasker): this one starts each with its
// standard output and error on a pipe of its own, and writes the lines to FILE as they come.
// A line longer than the bound of radky.h is written in pieces as it comes. It prints
// "ready" once registered, and ends with status 1 when lines could not be written. On SIGTERM it waits a few seconds for its tasks to end by
// themselves; it ends when they have, or when the daemon is gone.
#include <fcntl.h>
#include <poll.h>
#include <pvm3.h>
#include <pvmproto.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "radky.h"

using Hodiny = std::chrono::steady_clock;

struct Uloha {
    pid_t pid = -1;         // -1 once reaped
    int roura = -1;         // read end of its output, -1 once closed
    Rozpracovany_vystup vystup;
};

static std::vector<Uloha> ulohy;
// Where the lines go: opened by pvm-run, which alone knows what its FILE names.
static const int SOUBOR = 3;
static bool chyba_zapisu = false;
static bool demon_bezi = true;
// The daemon's own identifier, as it signs its start requests.
static int demon_tid = 0;

// Written by the signal handlers so that poll wakes up; the flag says a SIGTERM came.
static int budik[2];
static volatile sig_atomic_t konec_pozadan = 0;

// Time the tasks get to end by themselves once the run is over, and the time their pipes
// get to close after a kill.
static const auto CEKANI_NA_ULOHY = std::chrono::seconds(3);
static const auto CEKANI_PO_ZABITI = std::chrono::seconds(1);

static void vzbud(int signal)
{
    int e = errno;
    if (signal == SIGTERM)
        konec_pozadan = 1;
    ssize_t ignorovano = write(budik[1], "x", 1);
    (void)ignorovano;
    errno = e;
}

static void zapis(const std::string &radky)
{
    size_t hotovo = 0;
    while (hotovo < radky.size() && !chyba_zapisu) {
        ssize_t n = write(SOUBOR, radky.data() + hotovo, radky.size() - hotovo);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fprintf(stderr, "pvm-run-tasker: write: %s; later lines of the tasks are lost\n",
                    strerror(errno));
            chyba_zapisu = true;
        } else {
            hotovo += (size_t)n;
        }
    }
}

// Tells the daemon that a task it asked for has ended, with its status and times.
static void ohlas_konec(int tid, int status, const rusage &cas)
{
    if (!demon_bezi || demon_tid == 0)
        return;
    int hodnoty[6] = {tid, status, (int)cas.ru_utime.tv_sec, (int)cas.ru_utime.tv_usec,
                      (int)cas.ru_stime.tv_sec, (int)cas.ru_stime.tv_usec};
    pvm_initsend(PvmDataDefault);
    pvm_pkint(hodnoty, 6, 1);
    pvm_send(demon_tid, SM_TASKX);
}

// The child's side of a start: output onto the pipe, the daemon's variables added, then exec.
[[noreturn]] static void v_potomkovi(int zapis_konec, const std::string &cesta,
                                     std::vector<std::string> &argumenty,
                                     std::vector<std::string> &prostredi)
{
    int nic = open("/dev/null", O_RDONLY);
    dup2(nic, 0);
    dup2(zapis_konec, 1);
    dup2(zapis_konec, 2);
    // Nothing of this process is the task's business: neither its descriptors (the daemon's
    // socket, other tasks' pipes) nor its signal handling.
    close_range(3, ~0U, 0);
    signal(SIGCHLD, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGPIPE, SIG_DFL);
    for (std::string &promenna : prostredi)
        putenv(promenna.data());
    std::vector<char *> argv;
    for (std::string &a : argumenty)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(cesta.c_str(), argv.data());
    fprintf(stderr, "pvm-run-tasker: %s: %s\n", cesta.c_str(), strerror(errno));
    _exit(127);
}

static void spust_ulohu(int tid, const std::string &cesta, std::vector<std::string> &argumenty,
                        std::vector<std::string> &prostredi)
{
    int roura[2];
    pid_t pid = -1;
    if (pipe2(roura, O_CLOEXEC) == 0) {
        pid = fork();
        if (pid == 0)
            v_potomkovi(roura[1], cesta, argumenty, prostredi);
        close(roura[1]);
        if (pid < 0)
            close(roura[0]);
    }
    if (pid < 0) {
        fprintf(stderr, "pvm-run-tasker: cannot start %s: %s\n", cesta.c_str(), strerror(errno));
        ohlas_konec(tid, 127 << 8, rusage{});
        return;
    }
    fcntl(roura[0], F_SETFL, O_NONBLOCK);
    Uloha u;
    u.pid = pid;
    u.roura = roura[0];
    u.vystup.tid = tid;
    ulohy.push_back(u);
}

static std::string vybal_retezec()
{
    // A string of a message is no longer than the message itself.
    int delka = 0, znacka = 0, odesilatel = 0;
    pvm_bufinfo(pvm_getrbuf(), &delka, &znacka, &odesilatel);
    std::vector<char> s((size_t)delka + 1, '\0');
    pvm_upkstr(s.data());
    return s.data();
}

// A start request: tid, flags, path, argc, argv[argc], nenv, env[nenv].
static void prijmi_start()
{
    int tid = 0, priznaky = 0, pocet = 0;
    pvm_upkint(&tid, 1, 1);
    pvm_upkint(&priznaky, 1, 1);
    std::string cesta = vybal_retezec();
    std::vector<std::string> argumenty, prostredi;
    pvm_upkint(&pocet, 1, 1);
    for (int i = 0; i < pocet; i++)
        argumenty.push_back(vybal_retezec());
    pvm_upkint(&pocet, 1, 1);
    for (int i = 0; i < pocet; i++)
        prostredi.push_back(vybal_retezec());
    spust_ulohu(tid, cesta, argumenty, prostredi);
}

static void prijmi_zpravy()
{
    while (demon_bezi) {
        int zprava = pvm_nrecv(-1, -1);
        if (zprava < 0) {
            demon_bezi = false;
            return;
        }
        if (zprava == 0)
            return;
        int delka, znacka, odesilatel;
        pvm_bufinfo(zprava, &delka, &znacka, &odesilatel);
        if (znacka == SM_STTASK) {
            demon_tid = odesilatel;
            prijmi_start();
        }
    }
}

static void zavri_rouru(Uloha &u)
{
    zapis(dokonci_radky(u.vystup));
    close(u.roura);
    u.roura = -1;
}

// Reads what the task's pipe holds now; at its end, the last unfinished line is written too.
static void precti_vystup(Uloha &u)
{
    char blok[65536];
    for (;;) {
        ssize_t n = read(u.roura, blok, sizeof blok);
        if (n > 0) {
            zapis(oznac_radky(u.vystup, blok, (size_t)n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN)
            zavri_rouru(u);
        return;
    }
}

static void sklid_ukoncene()
{
    for (Uloha &u : ulohy) {
        if (u.pid < 0)
            continue;
        int status = 0;
        rusage cas{};
        if (wait4(u.pid, &status, WNOHANG, &cas) == u.pid) {
            u.pid = -1;
            ohlas_konec(u.vystup.tid, status, cas);
        }
    }
}

static bool vse_skonceno()
{
    for (const Uloha &u : ulohy)
        if (u.pid >= 0 || u.roura >= 0)
            return false;
    return true;
}

// Waits up to a tenth of a second for the daemon, a signal or a task's output, and reads it.
static void cekej_a_cti()
{
    std::vector<pollfd> fds = {{budik[0], POLLIN, 0}};
    int *pvm_fds = nullptr;
    if (demon_bezi && pvm_getfds(&pvm_fds) > 0)
        fds.push_back({pvm_fds[0], POLLIN, 0});
    std::vector<Uloha *> ctene;
    for (Uloha &u : ulohy)
        if (u.roura >= 0) {
            fds.push_back({u.roura, POLLIN, 0});
            ctene.push_back(&u);
        }
    if (poll(fds.data(), fds.size(), 100) <= 0)
        return;
    char vyprazdni[64];
    if (fds[0].revents & POLLIN)
        while (read(budik[0], vyprazdni, sizeof vyprazdni) > 0) {
        }
    size_t prvni_roura = fds.size() - ctene.size();
    for (size_t i = 0; i < ctene.size(); i++)
        if (fds[prvni_roura + i].revents)
            precti_vystup(*ctene[i]);
}

static bool prihlas_se()
{
    pvm_setopt(PvmAutoErr, 0);
    int mytid = pvm_mytid();
    if (mytid < 0) {
        fprintf(stderr, "pvm-run-tasker: no PVM daemon (pvm_mytid: %d)\n", mytid);
        return false;
    }
    pvm_setopt(PvmResvTids, 1);
    int cc = pvm_reg_tasker();
    if (cc < 0) {
        fprintf(stderr, "pvm-run-tasker: pvm_reg_tasker: %d\n", cc);
        pvm_exit();
        return false;
    }
    return true;
}

static void zabij_zbyvajici()
{
    for (Uloha &u : ulohy)
        if (u.pid >= 0)
            kill(u.pid, SIGKILL);
}

int main(int argc, char **)
{
    if (argc != 1 || fcntl(SOUBOR, F_SETFD, FD_CLOEXEC) != 0) {
        fprintf(stderr, "usage: pvm-run-tasker 3>FILE\n");
        return 2;
    }
    if (pipe2(budik, O_CLOEXEC | O_NONBLOCK) != 0 || !prihlas_se())
        return 1;
    signal(SIGCHLD, vzbud);
    signal(SIGTERM, vzbud);
    signal(SIGPIPE, SIG_IGN);
    printf("ready\n");
    fflush(stdout);

    Hodiny::time_point lhuta = Hodiny::time_point::max();
    bool zabito = false;
    for (;;) {
        prijmi_zpravy();
        sklid_ukoncene();
        if ((konec_pozadan || !demon_bezi) && lhuta == Hodiny::time_point::max())
            lhuta = Hodiny::now() + CEKANI_NA_ULOHY;
        if (lhuta != Hodiny::time_point::max() && vse_skonceno())
            break;
        if (Hodiny::now() > lhuta) {
            if (zabito)
                break;
            zabij_zbyvajici();
            zabito = true;
            lhuta = Hodiny::now() + CEKANI_PO_ZABITI;
        }
        cekej_a_cti();
    }
    for (Uloha &u : ulohy)
        if (u.roura >= 0)
            precti_vystup(u);
    for (Uloha &u : ulohy)
        if (u.roura >= 0)
            zavri_rouru(u);
    if (demon_bezi)
        pvm_exit();
    return chyba_zapisu ? 1 : 0;
}

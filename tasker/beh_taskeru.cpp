// SPDX-License-Identifier: MIT
// pvm-run-tasker's run: the tasks it starts in the daemon's place, their lines kept whole and
// tagged, the end of the run.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tasker/beh_taskeru.h"
#include "common/pvm_spojeni.h"
#include "tasker/spusteni_ulohy.h"
#include "tasker/vystup_uloh.h"
#include "tasker/zadosti_demona.h"

using Hodiny = std::chrono::steady_clock;

struct Uloha {
    pid_t pid = -1;         // -1 once reaped
    int roura = -1;         // read end of its output, -1 once closed
    Rozpracovany_vystup vystup;
};

// The run: the tasks started, the daemon, whether lines were lost, and when the tasks' time
// is up once the run is over.
struct Beh {
    std::vector<Uloha> ulohy;
    Demon demon;
    bool chyba_zapisu = false;  // lines could not be written; later ones are dropped
    Hodiny::time_point lhuta = Hodiny::time_point::max();
    bool zabito = false;
};

// Where the lines go: opened by pvm-run, which alone knows what its FILE names.
static const int SOUBOR = 3;

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

// After the first failure the lines are dropped unwritten, and that failure alone is told.
static bool zapis(Beh &beh, const std::string &radky, std::string *chyba)
{
    size_t hotovo = 0;
    while (hotovo < radky.size() && !beh.chyba_zapisu) {
        ssize_t n = write(SOUBOR, radky.data() + hotovo, radky.size() - hotovo);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *chyba = std::string("write: ") + strerror(errno) +
                     "; later lines of the tasks are lost";
            beh.chyba_zapisu = true;
            return false;
        }
        hotovo += (size_t)n;
    }
    return true;
}

static bool spust_ulohu(Beh &beh, Zadost_o_start &zadost, std::string *chyba)
{
    Uloha u;
    if (!spust_potomka(zadost, u.pid, u.roura, chyba))
        return ohlas_nespusteni(beh.demon, zadost.tid, chyba);
    u.vystup.tid = zadost.tid;
    beh.ulohy.push_back(u);
    return true;
}

static bool prijmi_start(Beh &beh, std::string *chyba)
{
    Zadost_o_start zadost;
    if (vybal_zadost_o_start(beh.demon, zadost, chyba))
        return spust_ulohu(beh, zadost, chyba);
    return ohlas_nespusteni(beh.demon, zadost.tid, chyba);
}

// Takes the daemon's messages that have come, up to the first that could not be acted on; the
// rest wait for the next round.
static bool prijmi_zpravy(Beh &beh, std::string *chyba)
{
    while (beh.demon.bezi) {
        int znacka = 0, odesilatel = 0;
        int zprava = prijmi_zpravu(pvm_demona(), 0, znacka, odesilatel);
        // A daemon that is gone ends the run; it is no failure of the tasker's.
        if (zprava < 0)
            beh.demon.bezi = false;
        if (zprava <= 0)
            return true;
        if (je_zadost_o_start(znacka)) {
            beh.demon.tid = odesilatel;
            if (!prijmi_start(beh, chyba))
                return false;
        }
    }
    return true;
}

static bool zavri_rouru(Beh &beh, Uloha &u, std::string *chyba)
{
    bool zapsano = zapis(beh, dokonci_radky(u.vystup), chyba);
    close(u.roura);
    u.roura = -1;
    return zapsano;
}

// Reads what the task's pipe holds now; at its end, the last unfinished line is written too.
static bool precti_vystup(Beh &beh, Uloha &u, std::string *chyba)
{
    char blok[65536];
    for (;;) {
        ssize_t n = read(u.roura, blok, sizeof blok);
        if (n > 0) {
            if (!zapis(beh, oznac_radky(u.vystup, blok, (size_t)n), chyba))
                return false;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN)
            return zavri_rouru(beh, u, chyba);
        return true;
    }
}

// Tells the daemon of every task that has ended, up to the first it could not be told of.
static bool sklid_ukoncene(Beh &beh, std::string *chyba)
{
    for (Uloha &u : beh.ulohy) {
        if (u.pid < 0)
            continue;
        int status = 0;
        rusage cas{};
        if (wait4(u.pid, &status, WNOHANG, &cas) == u.pid) {
            u.pid = -1;
            if (!ohlas_konec_ulohy(beh.demon, u.vystup.tid, status, cas, chyba))
                return false;
        }
    }
    return true;
}

static bool vse_skonceno(const Beh &beh)
{
    for (const Uloha &u : beh.ulohy)
        if (u.pid >= 0 || u.roura >= 0)
            return false;
    return true;
}

// Waits up to a tenth of a second for the daemon, a signal or a task's output, and reads it.
static bool cekej_a_cti(Beh &beh, std::string *chyba)
{
    std::vector<pollfd> fds = {{budik[0], POLLIN, 0}};
    int demon = deskriptor_demona(beh.demon);
    if (demon >= 0)
        fds.push_back({demon, POLLIN, 0});
    std::vector<Uloha *> ctene;
    for (Uloha &u : beh.ulohy)
        if (u.roura >= 0) {
            fds.push_back({u.roura, POLLIN, 0});
            ctene.push_back(&u);
        }
    if (poll(fds.data(), fds.size(), 100) <= 0)
        return true;
    char vyprazdni[64];
    if (fds[0].revents & POLLIN)
        while (read(budik[0], vyprazdni, sizeof vyprazdni) > 0) {
        }
    size_t prvni_roura = fds.size() - ctene.size();
    for (size_t i = 0; i < ctene.size(); i++)
        if (fds[prvni_roura + i].revents && !precti_vystup(beh, *ctene[i], chyba))
            return false;
    return true;
}

static void zabij_zbyvajici(Beh &beh)
{
    for (Uloha &u : beh.ulohy)
        if (u.pid >= 0)
            kill(u.pid, SIGKILL);
}

// Once the run is over (a SIGTERM, or the daemon gone), the tasks get their time to end, then
// are killed and get a moment for their pipes to close.
static bool je_konec(Beh &beh)
{
    if ((konec_pozadan || !beh.demon.bezi) && beh.lhuta == Hodiny::time_point::max())
        beh.lhuta = Hodiny::now() + CEKANI_NA_ULOHY;
    if (beh.lhuta != Hodiny::time_point::max() && vse_skonceno(beh))
        return true;
    if (Hodiny::now() > beh.lhuta) {
        if (beh.zabito)
            return true;
        zabij_zbyvajici(beh);
        beh.zabito = true;
        beh.lhuta = Hodiny::now() + CEKANI_PO_ZABITI;
    }
    return false;
}

// The last lines of the tasks still in their pipes, and the unfinished ones.
static bool dopis_zbytek(Beh &beh, std::string *chyba)
{
    for (Uloha &u : beh.ulohy)
        if (u.roura >= 0 && !precti_vystup(beh, u, chyba))
            return false;
    for (Uloha &u : beh.ulohy)
        if (u.roura >= 0 && !zavri_rouru(beh, u, chyba))
            return false;
    return true;
}

// The tasker's own messages: standard error until libpvm's are turned away from it.
static int chyby_taskeru = STDERR_FILENO;

static void vypis_chybu(const std::string &chyba)
{
    dprintf(chyby_taskeru, "pvm-run-tasker: %s\n", chyba.c_str());
}

int spust_tasker(int argc)
{
    if (argc != 1 || fcntl(SOUBOR, F_SETFD, FD_CLOEXEC) != 0) {
        fprintf(stderr, "usage: pvm-run-tasker 3>FILE\n");
        return 2;
    }
    if (pipe2(budik, O_CLOEXEC | O_NONBLOCK) != 0)
        return 1;
    // libpvm tells on standard error of a daemon that went in the middle of a call. That is no
    // news: the daemon goes at the end of every run, which ends the tasker's as well; and that
    // stream may be where the tasks' lines go (-o -), each of which has its task's tag.
    int vlastni = odklon_hlaseni_libpvm();
    if (vlastni >= 0)
        chyby_taskeru = vlastni;
    std::string chyba;
    if (!prihlas_jako_tasker(&chyba)) {
        vypis_chybu(chyba);
        return 1;
    }
    signal(SIGCHLD, vzbud);
    signal(SIGTERM, vzbud);
    signal(SIGPIPE, SIG_IGN);
    // pvm-run waits for this line in the run's folder, which a full disk may not take.
    if (printf("ready\n") < 0 || fflush(stdout) != 0) {
        vypis_chybu(std::string("cannot say it is ready: ") + strerror(errno));
        odhlas_z_pvm(pvm_demona());
        return 1;
    }

    Beh beh;
    while (true) {
        if (!prijmi_zpravy(beh, &chyba) || !sklid_ukoncene(beh, &chyba))
            vypis_chybu(chyba);
        if (je_konec(beh))
            break;
        if (!cekej_a_cti(beh, &chyba))
            vypis_chybu(chyba);
    }
    if (!dopis_zbytek(beh, &chyba))
        vypis_chybu(chyba);
    if (beh.demon.bezi)
        odhlas_z_pvm(pvm_demona());
    return beh.chyba_zapisu || beh.demon.selhalo ? 1 : 0;
}

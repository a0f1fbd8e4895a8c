// SPDX-License-Identifier: MIT
// Starting a task's program as a child process whose output the tasker reads.
#include "tasker/spusteni_ulohy.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// The child's side of a start: output onto the pipe, the daemon's variables added, then exec.
[[noreturn]] static void v_potomkovi(int zapis_konec, Zadost_o_start &zadost)
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
    for (std::string &promenna : zadost.prostredi)
        putenv(promenna.data());
    std::vector<char *> argv;
    for (std::string &a : zadost.argumenty)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(zadost.cesta.c_str(), argv.data());
    fprintf(stderr, "pvm-run-tasker: %s: %s\n", zadost.cesta.c_str(), strerror(errno));
    _exit(127);
}

bool spust_potomka(Zadost_o_start &zadost, pid_t &pid, int &roura, std::string *chyba)
{
    int konce[2];
    pid = -1;
    if (pipe2(konce, O_CLOEXEC) == 0) {
        pid = fork();
        if (pid == 0)
            v_potomkovi(konce[1], zadost);
        close(konce[1]);
        if (pid < 0)
            close(konce[0]);
    }
    if (pid < 0) {
        *chyba = "cannot start " + zadost.cesta + ": " + strerror(errno);
        return false;
    }
    fcntl(konce[0], F_SETFL, O_NONBLOCK);
    roura = konce[0];
    return true;
}

// SPDX-License-Identifier: MIT
// farmer's INT, TERM and HUP.
#include "preruseni.h"

#include <pvm3.h>
#include <sys/time.h>

#include <csignal>
#include <initializer_list>

namespace {

// The handler can take no argument; set once, before the handler is installed.
void (*uklid_pri_signalu)() = nullptr;

void pri_signalu(int signal)
{
    uklid_pri_signalu();
    // The handler is back at the default by now: the signal, held while the handler runs,
    // ends the process as soon as the handler returns.
    raise(signal);
}

sigset_t signaly_preruseni()
{
    sigset_t signaly;
    sigemptyset(&signaly);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signaly, signal);
    return signaly;
}

// How long one wait for a message lasts before it looks for a signal.
const timeval LHUTA_PRERUSENI = {0, 200 * 1000};

}  // namespace

void zachytavej_preruseni(void (*uklid)())
{
    uklid_pri_signalu = uklid;
    struct sigaction akce = {};
    akce.sa_handler = pri_signalu;
    akce.sa_flags = SA_RESETHAND;
    // A second signal while the first cleans up must not cut the clean-up short.
    akce.sa_mask = signaly_preruseni();
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &akce, nullptr);
}

void odloz_preruseni()
{
    sigset_t signaly = signaly_preruseni();
    sigprocmask(SIG_BLOCK, &signaly, nullptr);
}

void povol_preruseni()
{
    sigset_t signaly = signaly_preruseni();
    sigprocmask(SIG_UNBLOCK, &signaly, nullptr);
}

bool preruseni_ceka()
{
    sigset_t cekajici;
    if (sigpending(&cekajici) != 0)
        return false;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        if (sigismember(&cekajici, signal) == 1)
            return true;
    return false;
}

int prijmi_do_preruseni(int tid, int tag)
{
    for (;;) {
        if (preruseni_ceka())
            return 0;
        timeval lhuta = LHUTA_PRERUSENI;
        int bufid = pvm_trecv(tid, tag, &lhuta);
        if (bufid != 0)
            return bufid;
    }
}

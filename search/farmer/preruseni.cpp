// SPDX-License-Identifier: MIT
// farmer's INT, TERM and HUP.
#include "search/farmer/preruseni.h"

#include <csignal>

namespace {

const int SIGNALY_PRERUSENI[] = {SIGINT, SIGTERM, SIGHUP};

// The report a signal cleans up. The one thing of the run kept outside its object: a handler is
// given the signal's number alone, and at an INT, TERM or HUP outside PVM's calls (while the
// text is counted, say) it must find the report's files itself. Set before the handler is
// installed, and kept until it is taken away.
const SouborZpravy *zprava_pri_signalu = nullptr;

void pri_signalu(int signal)
{
    uklid_zpravu(*zprava_pri_signalu);
    // The handler is back at the default by now: the signal, held while the handler runs,
    // ends the process as soon as the handler returns.
    raise(signal);
}

sigset_t signaly_preruseni()
{
    sigset_t signaly;
    sigemptyset(&signaly);
    for (int signal : SIGNALY_PRERUSENI)
        sigaddset(&signaly, signal);
    return signaly;
}

}  // namespace

void zachytavej_preruseni(const SouborZpravy &zprava)
{
    zprava_pri_signalu = &zprava;
    struct sigaction akce = {};
    akce.sa_handler = pri_signalu;
    akce.sa_flags = SA_RESETHAND;
    // A second signal while the first cleans up must not cut the clean-up short.
    akce.sa_mask = signaly_preruseni();
    for (int signal : SIGNALY_PRERUSENI)
        sigaction(signal, &akce, nullptr);
}

void prestan_zachytavat_preruseni()
{
    for (int signal : SIGNALY_PRERUSENI)
        ::signal(signal, SIG_DFL);
    zprava_pri_signalu = nullptr;
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
    for (int signal : SIGNALY_PRERUSENI)
        if (sigismember(&cekajici, signal) == 1)
            return true;
    return false;
}

int prijmi_do_preruseni(Pvm &pvm, int &znacka, int &odesilatel)
{
    return prijmi_zpravu_dokud(pvm, preruseni_ceka, znacka, odesilatel);
}

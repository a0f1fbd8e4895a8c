// SPDX-License-Identifier: MIT
// Windows of a regular file mapped for reading, a SIGBUS under one a read error.
#include "search/text/mapovani.h"

#include <sys/mman.h>
#include <unistd.h>

#include <csetjmp>

namespace {

// Where a SIGBUS returns to in the thread that reads a window; none outside windows.
thread_local sigjmp_buf *navrat_pri_sigbus = nullptr;

void pri_sigbus(int)
{
    if (navrat_pri_sigbus != nullptr)
        siglongjmp(*navrat_pri_sigbus, 1);
    // Not a window's: the fault comes again and ends the process as it would unhandled.
    signal(SIGBUS, SIG_DFL);
}

// Between the mark and a jump back to it nothing with a destructor lives here either: the
// jump target is set and taken away by hand, also when prijemce throws.
bool precti_okno(const char *data, size_t delka, const Prijemce &prijemce, bool &dal)
{
    sigjmp_buf navrat;
    if (sigsetjmp(navrat, 1) != 0) {
        navrat_pri_sigbus = nullptr;
        return false;
    }
    navrat_pri_sigbus = &navrat;
    try {
        dal = prijemce(data, delka);
    } catch (...) {
        navrat_pri_sigbus = nullptr;
        throw;
    }
    navrat_pri_sigbus = nullptr;
    return true;
}

}  // namespace

HlidaniMapovani::HlidaniMapovani()
{
    struct sigaction obsluha = {};
    obsluha.sa_handler = pri_sigbus;
    sigemptyset(&obsluha.sa_mask);
    sigaction(SIGBUS, &obsluha, &puvodni_);
}

HlidaniMapovani::~HlidaniMapovani() { sigaction(SIGBUS, &puvodni_, nullptr); }

Okno predej_okno(int fd, off_t od, size_t delka, const Prijemce &prijemce, bool &dal)
{
    // Windows start on a page; small test blocks need not.
    const off_t stranka = sysconf(_SC_PAGESIZE);
    const off_t zacatek = od - od % stranka;
    const size_t mapovano = delka + static_cast<size_t>(od - zacatek);
    void *okno = mmap(nullptr, mapovano, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, zacatek);
    if (okno == MAP_FAILED)
        return Okno::NELZE_MAPOVAT;
    const bool precteno =
        precti_okno(static_cast<const char *>(okno) + (od - zacatek), delka, prijemce, dal);
    munmap(okno, mapovano);
    return precteno ? Okno::PREDANO : Okno::NECITELNE;
}

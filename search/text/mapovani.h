// SPDX-License-Identifier: MIT
// Windows of a regular file mapped for reading: no copy, one window resident at a time in each
// thread that reads, and a SIGBUS under a window (the file cut short, or a failing disk) turned
// into a read error of the thread that met it.
#pragma once

#include <sys/types.h>

#include <csignal>
#include <cstddef>

#include "search/text/cteni.h"

// While it lives, SIGBUS is handled as predej_okno needs, in every thread; the handler found
// is put back when it goes. One lives around all the windows of a read, made before any
// thread maps one.
class HlidaniMapovani {
public:
    HlidaniMapovani();
    ~HlidaniMapovani();
    HlidaniMapovani(const HlidaniMapovani &) = delete;
    HlidaniMapovani &operator=(const HlidaniMapovani &) = delete;

private:
    struct sigaction puvodni_;
};

enum class Okno {
    PREDANO,        // prijemce had the bytes
    NELZE_MAPOVAT,  // the file cannot be mapped there; prijemce was not called
    NECITELNE,      // the bytes could not be read while prijemce looked at them
};

// Maps bytes [od, od + delka) of the regular file fd (delka not 0) and passes them to
// prijemce, whose answer goes into dal; a HlidaniMapovani must live meanwhile. A NECITELNE
// window comes back from inside prijemce by a jump out of the read that met the fault, so
// at every read of the window prijemce (with what it calls) must have no object with a
// destructor alive, and must be in the middle of changing nothing that outlives it: it writes
// into room made before it reads.
Okno predej_okno(int fd, off_t od, size_t delka, const Prijemce &prijemce, bool &dal);

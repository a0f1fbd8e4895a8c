// SPDX-License-Identifier: MIT
// Whole tagged lines out of a task's output, which arrives in pieces of any size.
#include "tasker/vystup_uloh.h"

#include <cstdio>
#include <cstring>

// Writes the tagged line made of the rest held back and delka more bytes of radek, and starts
// the next one afresh; the tag says whether it continues a line cut before.
static void vydej(std::string &ven, Rozpracovany_vystup &vystup, const char *radek, size_t delka)
{
    char znacka[32];
    snprintf(znacka, sizeof znacka, vystup.pokracovani ? "[t%x+] " : "[t%x] ",
             (unsigned)vystup.tid);
    ven += znacka;
    ven += vystup.zbytek;
    ven.append(radek, delka);
    ven += '\n';
    vystup.zbytek.clear();
}

std::string oznac_radky(Rozpracovany_vystup &vystup, const char *data, size_t n)
{
    std::string ven;
    const char *konec = data + n;
    while (data < konec) {
        const char *lf = static_cast<const char *>(memchr(data, '\n', (size_t)(konec - data)));
        size_t kus = (size_t)((lf != nullptr ? lf : konec) - data);
        while (vystup.zbytek.size() + kus > NEJDELSI_RADEK) {
            size_t vejde = NEJDELSI_RADEK - vystup.zbytek.size();
            vydej(ven, vystup, data, vejde);
            vystup.pokracovani = true;
            data += vejde;
            kus -= vejde;
        }
        if (lf == nullptr) {
            vystup.zbytek.append(data, kus);
            break;
        }
        vydej(ven, vystup, data, kus);
        vystup.pokracovani = false;
        data = lf + 1;
    }
    return ven;
}

std::string dokonci_radky(Rozpracovany_vystup &vystup)
{
    std::string ven;
    if (!vystup.zbytek.empty())
        vydej(ven, vystup, "", 0);
    vystup.pokracovani = false;
    return ven;
}

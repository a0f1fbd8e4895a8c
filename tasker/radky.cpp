// Whole tagged lines out of a task's output, which arrives in pieces of any size.
#include "radky.h"

#include <cstdio>
#include <cstring>

static void pridej_radek(std::string &ven, int tid, const char *radek, size_t delka)
{
    char znacka[32];
    snprintf(znacka, sizeof znacka, "[t%x] ", (unsigned)tid);
    ven += znacka;
    ven.append(radek, delka);
    ven += '\n';
}

std::string oznac_radky(Rozpracovany_vystup &vystup, const char *data, size_t n)
{
    std::string ven;
    const char *konec = data + n;
    while (data < konec) {
        const char *lf = static_cast<const char *>(memchr(data, '\n', (size_t)(konec - data)));
        if (lf == nullptr) {
            vystup.zbytek.append(data, (size_t)(konec - data));
            break;
        }
        // A line begun in an earlier piece is finished by this one.
        if (!vystup.zbytek.empty()) {
            vystup.zbytek.append(data, (size_t)(lf - data));
            pridej_radek(ven, vystup.tid, vystup.zbytek.data(), vystup.zbytek.size());
            vystup.zbytek.clear();
        } else {
            pridej_radek(ven, vystup.tid, data, (size_t)(lf - data));
        }
        data = lf + 1;
    }
    return ven;
}

std::string dokonci_radky(Rozpracovany_vystup &vystup)
{
    std::string ven;
    if (!vystup.zbytek.empty())
        pridej_radek(ven, vystup.tid, vystup.zbytek.data(), vystup.zbytek.size());
    vystup.zbytek.clear();
    return ven;
}

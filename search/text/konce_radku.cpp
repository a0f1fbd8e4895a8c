// SPDX-License-Identifier: MIT
// Line ends of raw text: which bytes the joined text leaves out, counted block by block.
#include "search/text/konce_radku.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "search/smycky/smycky.h"

size_t vynechane_znaky(const char *blok, size_t delka, char predchozi)
{
    const unsigned char *b = reinterpret_cast<const unsigned char *>(blok);
    if (delka == 0)
        return 0;
    // A CR ending the block before is counted with its LF, and a CR ending this block is not.
    return static_cast<size_t>((predchozi == '\r') & (b[0] == '\n')) +
           vynechane_v_rade(b, delka - 1) + (b[delka - 1] == '\n');
}

void pricti_blok(Pocet &pocet, const char *blok, size_t delka, size_t vynechanych)
{
    if (delka > 0)
        pridej_usek(pocet, nullptr, 0, delka, vynechanych, blok[delka - 1]);
}

void pridej_usek(Pocet &pocet, std::vector<Pocet> *body, size_t rozestup, size_t delka,
                 size_t vynechanych, char posledni)
{
    if (body != nullptr) {
        if (body->empty() ||
            delka_spojeni(pocet) >= delka_spojeni(body->back()) + rozestup / 16)
            body->push_back(pocet);
        else
            body->back() = pocet;
    }
    pocet.surovych += delka;
    pocet.vynechanych += vynechanych;
    pocet.posledni = posledni;
}

size_t delka_spojeni(const Pocet &pocet)
{
    return pocet.surovych - pocet.vynechanych - (pocet.posledni == '\r');
}

std::string zapis_pocet(const Pocet &pocet)
{
    return std::to_string(pocet.surovych) + ":" + std::to_string(pocet.vynechanych) + ":" +
           (pocet.posledni == '\r' ? "1" : "0");
}

// Reads a decimal number ended by konec at text into cislo; moves text past both.
static bool cti_cast(const char *&text, char konec, size_t &cislo)
{
    if (*text < '0' || *text > '9')
        return false;
    char *za = nullptr;
    errno = 0;
    unsigned long long hodnota = strtoull(text, &za, 10);
    if (errno != 0 || *za != konec)
        return false;
    cislo = hodnota;
    text = za + 1;
    return true;
}

bool cti_pocet(const char *text, Pocet &pocet)
{
    size_t surovych = 0, vynechanych = 0, cr = 0;
    if (!cti_cast(text, ':', surovych) || !cti_cast(text, ':', vynechanych) ||
        !cti_cast(text, '\0', cr) || cr > 1 || vynechanych + cr > surovych)
        return false;
    pocet = Pocet{surovych, vynechanych, cr == 1 ? '\r' : '\0'};
    return true;
}

Pocet bod_pred(const std::vector<Pocet> &body, size_t index)
{
    auto za = std::upper_bound(body.begin(), body.end(), index,
                               [](size_t i, const Pocet &bod) { return i < delka_spojeni(bod); });
    return za == body.begin() ? Pocet{} : *(za - 1);
}

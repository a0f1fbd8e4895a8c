// SPDX-License-Identifier: MIT
// Messages between farmer and its workers, packed, sent, received and unpacked.
#include "search/zpravy/hledani_zpravy.h"

#include <pvm3.h>
#include <time.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "search/text/vstup.h"

size_t kus_pozic()
{
    const char *hodnota = getenv(PROMENNA_KUS_POZIC);
    int kus = 0;
    if (hodnota != nullptr && cti_cislo(hodnota, kus) && kus >= 1 &&
        static_cast<size_t>(kus) <= KUS_POZIC)
        return static_cast<size_t>(kus);
    return KUS_POZIC;
}

// When every host of the virtual machine stores ints alike, the reply's ints are left in
// place and go out as they are when it is sent: no copy into the message and no conversion
// at either end, which for millions of positions is most of the reply's cost. A virtual
// machine of mixed hosts, or one PVM cannot describe, needs PVM's own encoding.
int kodovani_pozic(Pvm &pvm)
{
    return pvm.formatu_dat() == 1 ? PvmDataInPlace : PvmDataDefault;
}

bool posli_kus(Pvm &pvm, int farmer, int kodovani, std::vector<int> &pozice, bool posledni,
               std::string *err)
{
    // Packed in place, the positions must stay where they are until the send is done.
    int nalezl = static_cast<int>(pozice.size());
    int hlavicka = posledni ? nalezl : -nalezl;
    return zacni_zpravu(pvm, kodovani, err) && zabal(pvm, &hlavicka, 1, err) &&
           (nalezl == 0 || zabal(pvm, pozice.data(), nalezl, err)) &&
           posli(pvm, farmer, ZNACKA_ODPOVED, err);
}

bool prijmi_potvrzeni(Pvm &pvm, int farmer)
{
    for (;;) {
        int znacka = 0, odesilatel = 0;
        if (prijmi_zpravu(pvm, -1, znacka, odesilatel) < 0)
            return false;
        if (znacka == ZNACKA_POTVRZENI && odesilatel == farmer)
            return true;
        if (znacka == ZNACKA_KONEC_ULOHY)
            return false;
    }
}

bool posli_potvrzeni(Pvm &pvm, int worker, std::string *err)
{
    return zacni_zpravu(pvm, err) && posli(pvm, worker, ZNACKA_POTVRZENI, err);
}

double sekundy()
{
    timespec ted;
    clock_gettime(CLOCK_MONOTONIC, &ted);
    return ted.tv_sec + ted.tv_nsec / 1e9;
}

int prijmi_kus_do(Pvm &pvm, int worker, double konec)
{
    int znacka = 0, odesilatel = 0;
    return pvm.prijmi(worker, ZNACKA_ODPOVED, std::max(0.0, konec - sekundy()), &znacka,
                      &odesilatel);
}

bool rozbal_hlavicku(Pvm &pvm, size_t &pocet, bool &posledni)
{
    int hlavicka = 0;
    // What is wrong with the reply is the caller's to tell: PVM's text is of no use there.
    if (!rozbal(pvm, &hlavicka, 1, nullptr) || hlavicka == INT_MIN)
        return false;
    posledni = hlavicka >= 0;
    pocet = static_cast<size_t>(posledni ? hlavicka : -hlavicka);
    return posledni || pocet > 0;
}

bool rozbal_pozice(Pvm &pvm, int *pozice, size_t n)
{
    return n == 0 || rozbal(pvm, pozice, static_cast<int>(n), nullptr);
}

void zahod_zpravu(Pvm &pvm, int zprava) { pvm.zahod(zprava); }

// SPDX-License-Identifier: MIT
// Messages between farmer and its workers, packed, sent, received and unpacked.
#include "search/zpravy/hledani_zpravy.h"

#include <pvm3.h>
#include <sys/time.h>
#include <time.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "common/pvm_spojeni.h"
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
// machine of mixed hosts needs PVM's own encoding.
int kodovani_pozic()
{
    int hostitelu = 0, formatu = 0;
    pvmhostinfo *hostitele = nullptr;
    if (pvm_config(&hostitelu, &formatu, &hostitele) < 0 || formatu != 1)
        return PvmDataDefault;
    return PvmDataInPlace;
}

bool posli_kus(int farmer, int kodovani, std::vector<int> &pozice, bool posledni,
               std::string *err)
{
    // Packed in place, the positions must stay where they are until the send is done.
    int nalezl = static_cast<int>(pozice.size());
    int hlavicka = posledni ? nalezl : -nalezl;
    return zacni_zpravu(kodovani, err) && zabal(&hlavicka, 1, err) &&
           (nalezl == 0 || zabal(pozice.data(), nalezl, err)) &&
           posli(farmer, ZNACKA_ODPOVED, err);
}

bool prijmi_potvrzeni(int farmer)
{
    for (;;) {
        int znacka = 0, odesilatel = 0;
        if (prijmi_zpravu(-1, znacka, odesilatel) < 0)
            return false;
        if (znacka == ZNACKA_POTVRZENI && odesilatel == farmer)
            return true;
        if (znacka == ZNACKA_KONEC_ULOHY)
            return false;
    }
}

bool posli_potvrzeni(int worker, std::string *err)
{
    return zacni_zpravu(err) && posli(worker, ZNACKA_POTVRZENI, err);
}

double sekundy()
{
    timespec ted;
    clock_gettime(CLOCK_MONOTONIC, &ted);
    return ted.tv_sec + ted.tv_nsec / 1e9;
}

int prijmi_kus_do(int worker, double konec)
{
    const double zbyva = std::max(0.0, konec - sekundy());
    timeval lhuta;
    lhuta.tv_sec = static_cast<time_t>(zbyva);
    lhuta.tv_usec = static_cast<suseconds_t>((zbyva - std::floor(zbyva)) * 1e6);
    return pvm_trecv(worker, ZNACKA_ODPOVED, &lhuta);
}

bool rozbal_hlavicku(size_t &pocet, bool &posledni)
{
    int hlavicka = 0;
    std::string chyba;  // the caller tells what is wrong with the reply
    if (!rozbal(&hlavicka, 1, &chyba) || hlavicka == INT_MIN)
        return false;
    posledni = hlavicka >= 0;
    pocet = static_cast<size_t>(posledni ? hlavicka : -hlavicka);
    return posledni || pocet > 0;
}

bool rozbal_pozice(int *pozice, size_t n)
{
    std::string chyba;  // the caller tells what is wrong with the reply
    return n == 0 || rozbal(pozice, static_cast<int>(n), &chyba);
}

void zahod_zpravu(int zprava) { pvm_freebuf(zprava); }

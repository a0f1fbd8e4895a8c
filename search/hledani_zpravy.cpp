// SPDX-License-Identifier: MIT
// Messages between farmer and its workers, packed and unpacked.
#include "hledani_zpravy.h"

#include <pvm3.h>

#include <climits>
#include <cstdlib>

#include "vstup.h"

// When every host of the virtual machine stores ints alike, the reply's ints are left in
// place and go out as they are when it is sent: no copy into the message and no conversion
// at either end, which for millions of positions is most of the reply's cost. A virtual
// machine of mixed hosts needs PVM's own encoding.
static int kodovani()
{
    int hostitelu = 0, formatu = 0;
    pvmhostinfo *hostitele = nullptr;
    if (pvm_config(&hostitelu, &formatu, &hostitele) < 0 || formatu != 1)
        return PvmDataDefault;
    return PvmDataInPlace;
}

size_t kus_pozic()
{
    const char *hodnota = getenv(PROMENNA_KUS_POZIC);
    int kus = 0;
    if (hodnota != nullptr && cti_cislo(hodnota, kus) && kus >= 1 &&
        static_cast<size_t>(kus) <= KUS_POZIC)
        return static_cast<size_t>(kus);
    return KUS_POZIC;
}

bool posli_kus(int farmer, std::vector<int> &pozice, bool posledni)
{
    // Packed in place, the positions must stay where they are until the send is done.
    int nalezl = static_cast<int>(pozice.size());
    int hlavicka = posledni ? nalezl : -nalezl;
    static int kod = kodovani();
    return pvm_initsend(kod) >= 0 && pvm_pkint(&hlavicka, 1, 1) >= 0 &&
           (nalezl == 0 || pvm_pkint(pozice.data(), nalezl, 1) >= 0) &&
           pvm_send(farmer, ZNACKA_ODPOVED) >= 0;
}

bool cekej_na_potvrzeni(int farmer)
{
    for (;;) {
        int bufid = pvm_recv(-1, -1);
        int delka = 0, tag = 0, odesilatel = 0;
        if (bufid < 0 || pvm_bufinfo(bufid, &delka, &tag, &odesilatel) < 0)
            return false;
        pvm_freebuf(bufid);
        if (tag == ZNACKA_POTVRZENI && odesilatel == farmer)
            return true;
        if (tag == ZNACKA_KONEC_ULOHY)
            return false;
    }
}

bool hlidej_farmera(int farmer)
{
    return pvm_notify(PvmTaskExit, ZNACKA_KONEC_ULOHY, 1, &farmer) >= 0;
}

bool potvrd_kus(int tid)
{
    return pvm_initsend(PvmDataDefault) >= 0 && pvm_send(tid, ZNACKA_POTVRZENI) >= 0;
}

bool hlidej_workera(int tid)
{
    int hostitel = pvm_tidtohost(tid);
    return pvm_notify(PvmTaskExit, ZNACKA_KONEC_ULOHY, 1, &tid) >= 0 &&
           pvm_notify(PvmHostDelete, ZNACKA_KONEC_HOSTITELE, 1, &hostitel) >= 0;
}

bool rozbal_hlavicku(size_t &pocet, bool &posledni)
{
    int hlavicka = 0;
    if (pvm_upkint(&hlavicka, 1, 1) < 0 || hlavicka == INT_MIN)
        return false;
    posledni = hlavicka >= 0;
    pocet = static_cast<size_t>(posledni ? hlavicka : -hlavicka);
    return posledni || pocet > 0;
}

bool rozbal_pozice(int *pozice, size_t n)
{
    return n == 0 || pvm_upkint(pozice, static_cast<int>(n), 1) >= 0;
}

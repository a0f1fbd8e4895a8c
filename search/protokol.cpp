// Messages between farmer and its workers, packed and unpacked.
#include "protokol.h"

#include <pvm3.h>
#include <sys/time.h>

#include "preruseni.h"

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

void posli_odpoved(int farmer, std::vector<int> &pozice)
{
    // Packed in place, the positions must stay where they are until the send is done.
    int nalezl = static_cast<int>(pozice.size());
    pvm_initsend(kodovani());
    pvm_pkint(&nalezl, 1, 1);
    if (nalezl != 0)
        pvm_pkint(pozice.data(), nalezl, 1);
    pvm_send(farmer, ZNACKA_ODPOVED);
}

void hlidej_workera(int tid)
{
    int hostitel = pvm_tidtohost(tid);
    pvm_notify(PvmTaskExit, ZNACKA_KONEC_ULOHY, 1, &tid);
    pvm_notify(PvmHostDelete, ZNACKA_KONEC_HOSTITELE, 1, &hostitel);
}

// Message matcher: the awaited reply ranks above any notice of an ended worker or host.
static int odpoved_nebo_oznameni(int bufid, int tid, int tag)
{
    pvmminfo info{};
    pvm_getminfo(bufid, &info);
    if (info.src == tid && info.tag == tag)
        return 3;
    return info.tag == ZNACKA_KONEC_ULOHY || info.tag == ZNACKA_KONEC_HOSTITELE ? 2 : 0;
}

int cekej_na_odpoved(int tid, std::set<int> &skoncene)
{
    for (;;) {
        if (skoncene.count(tid) != 0 || skoncene.count(pvm_tidtohost(tid)) != 0) {
            // The reply and the notice travel different routes; give the reply a moment.
            timeval lhuta = {1, 0};
            return pvm_trecv(tid, ZNACKA_ODPOVED, &lhuta);
        }
        pvm_recvf(odpoved_nebo_oznameni);
        int bufid = prijmi_do_preruseni(tid, ZNACKA_ODPOVED);
        pvm_recvf(nullptr);  // back to PVM's own matcher, which the grace receive above needs
        int delka = 0, tag = 0, odesilatel = 0;
        if (bufid < 0 || pvm_bufinfo(bufid, &delka, &tag, &odesilatel) < 0 ||
            tag == ZNACKA_ODPOVED)
            return bufid;
        int skonceny = 0;
        pvm_upkint(&skonceny, 1, 1);
        skoncene.insert(skonceny);
    }
}

bool rozbal_odpoved(int nejvic, std::vector<int> &pozice)
{
    int nalezl = -1;
    if (pvm_upkint(&nalezl, 1, 1) < 0 || nalezl < 0 || nalezl > nejvic)
        return false;
    pozice.resize(nalezl);
    return nalezl == 0 || pvm_upkint(pozice.data(), nalezl, 1) >= 0;
}

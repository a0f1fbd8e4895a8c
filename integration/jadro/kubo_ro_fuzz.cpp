// SPDX-License-Identifier: MIT
// Fuzz target: the fast kernel against the cell-by-cell one, bit for bit, on arbitrary boxes
// of at most NEJVIC_BUNEK cells (progress lines included), and the closed form for equal
// terms against the plain loop. The first byte chooses which, the vector path (one the CPU
// lacks runs the widest it has), whether the kernel keeps its memory of rows' sums and whether
// it holds its axes' midpoints a few at a time.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/cesta_cpu.h"
#include "integration/jadro/kubo_jadro_vnitrni.h"

static const size_t NEJVIC_BUNEK = size_t(1) << 14;

// The input read as consecutive values; missing bytes read as zeros.
struct Vstup {
    const uint8_t *data;
    size_t zbyva;
};

static void cti(Vstup &v, void *hodnota, size_t velikost)
{
    memset(hodnota, 0, velikost);
    size_t n = v.zbyva < velikost ? v.zbyva : velikost;
    memcpy(hodnota, v.data, n);
    v.data += n;
    v.zbyva -= n;
}

static double cti_double(Vstup &v)
{
    double x;
    cti(v, &x, sizeof x);
    return x;
}

// Cells along one axis as the cell loops count them; more than mez, loops that never end
// included, gives mez + 1.
static size_t bunek_na_ose(double od, double po, double d, size_t mez)
{
    size_t n = 0;
    for (double t = od; t < po && n <= mez; t += d)
        n++;
    return n;
}

struct Beh {
    uint64_t bity;
    std::string vystup;
};

// Either kernel, the fast one laid out as volby says, its progress lines as a worker 1
// prints them.
static Beh spocitej(bool primo, const VolbyJadra &volby, const double *box, int funkce)
{
    Beh beh{0, ""};
    HlaseniPostupu postup = [&](int procento) {
        beh.vystup += radek_postupu(1, procento);
        return true;
    };
    const Jednotka j{box[0], box[1], box[2], box[3], box[4], box[5]};
    double m = primo ? vypocti_primo(j, box[6], funkce, postup)
                     : vypocti_s_volbami(j, box[6], funkce, volby, postup, nullptr);
    memcpy(&beh.bity, &m, sizeof m);
    return beh;
}

static void porovnej_box(Vstup &v, const VolbyJadra &volby)
{
    double box[7];
    for (double &hodnota : box)
        hodnota = cti_double(v);
    uint8_t funkce;
    cti(v, &funkce, 1);
    // Empty axes bound nothing: the fast kernel lays out the other axes' cells all the same.
    size_t n = 1;
    for (int osa = 0; osa < 3; osa++) {
        n *= std::max<size_t>(1, bunek_na_ose(box[osa], box[osa + 3], box[6], NEJVIC_BUNEK));
        if (n > NEJVIC_BUNEK)
            return;
    }
    Beh primy = spocitej(true, volby, box, funkce % 5);
    Beh rychly = spocitej(false, volby, box, funkce % 5);
    if (primy.bity != rychly.bity || primy.vystup != rychly.vystup)
        abort();
}

static void porovnej_stejne_cleny(Vstup &v)
{
    double soucet = cti_double(v), clen = cti_double(v);
    uint32_t n;
    cti(v, &n, sizeof n);
    n %= NEJVIC_BUNEK;
    double s = soucet;
    for (uint32_t k = 0; k < n; k++)
        s += clen;
    StatistikaJadra statistika = {};
    double rychle = pricti_stejne(soucet, clen, n, statistika);
    if (memcmp(&s, &rychle, sizeof s) != 0)
        abort();
}

// The kernel's layout: with its memory of rows' sums unless bit 7 of volba is set; with bit 6,
// every axis held 1 to 64 midpoints at a time, as the next byte says.
static VolbyJadra volby_jadra(Vstup &v, uint8_t volba)
{
    VolbyJadra volby;
    volby.pamet_radku = (volba & 0x80) == 0;
    if (volba & 0x40) {
        uint8_t usek;
        cti(v, &usek, 1);
        volby.cela_osa = 0;
        volby.usek_osy = 1 + usek % 64;
    }
    return volby;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Vstup v{data, size};
    uint8_t volba;
    cti(v, &volba, 1);
    CestaCpu vychozi = cesta_cpu();
    const CestaCpu cesty[] = {CESTA_OBECNA, CESTA_SSE2, CESTA_AVX2, CESTA_AVX512};
    zvol_cestu_cpu(cesty[(volba >> 1) % 4]);
    if (volba & 1)
        porovnej_stejne_cleny(v);
    else
        porovnej_box(v, volby_jadra(v, volba));
    zvol_cestu_cpu(vychozi);
    return 0;
}

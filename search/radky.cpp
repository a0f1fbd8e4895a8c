// Line ends of raw text: which bytes the joined text leaves out, counted block by block.
#include "radky.h"

size_t vynechane_znaky(const char *blok, size_t delka, char predchozi)
{
    const unsigned char *b = reinterpret_cast<const unsigned char *>(blok);
    if (delka == 0)
        return 0;
    // A CR ending the block before is counted with its LF, and a CR ending this block is not.
    size_t vynechanych = (predchozi == '\r') & (b[0] == '\n');
    size_t i = 0;
    // Runs of 64 with a byte-wide sum let the compiler use vector compares.
    for (; i + 64 < delka; i += 64) {
        unsigned char v_behu = 0;
        for (int k = 0; k < 64; k++)
            v_behu += vynechany(b[i + k], b[i + k + 1]);
        vynechanych += v_behu;
    }
    for (; i + 1 < delka; i++)
        vynechanych += vynechany(b[i], b[i + 1]);
    return vynechanych + (b[delka - 1] == '\n');
}

void pricti_blok(Pocet &pocet, const char *blok, size_t delka, size_t vynechanych)
{
    if (delka == 0)
        return;
    pocet.surovych += delka;
    pocet.vynechanych += vynechanych;
    pocet.posledni = blok[delka - 1];
}

size_t delka_spojeni(const Pocet &pocet)
{
    return pocet.surovych - pocet.vynechanych - (pocet.posledni == '\r');
}

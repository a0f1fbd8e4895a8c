// SPDX-License-Identifier: MIT
// The worker's search over one range of the joined text, straight on the raw bytes: a vector
// filter (smycky.h) picks the few places where the pattern may start, a check walks past
// line ends there, and the occurrences that cross from one block into the next are checked at
// the seam.
#include "search/text/hledani.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "search/text/konce_radku.h"
#include "search/smycky/smycky.h"

namespace {

// What one raw byte is in the joined text; a CR ending a block waits for the next block.
enum Druh { ZNAK, VYNECHANY, NEJASNY };

inline Druh druh(const unsigned char *b, size_t n, size_t p)
{
    if (b[p] == '\n')
        return VYNECHANY;
    if (b[p] != '\r')
        return ZNAK;
    if (p + 1 == n)
        return NEJASNY;
    return b[p + 1] == '\n' ? VYNECHANY : ZNAK;
}

// One search, carried from block to block. A mapped block's read may be left by a jump at any
// byte (mapovani.h): while a block is read nothing with a destructor lives, and what is
// written goes into room made before the first block.
struct Hledani {
    const std::string &vzor;
    size_t odkud, kam;
    std::vector<int> &pozice;
    const Pruchod &pruchod;
    Filtr filtr;  // of vzor
    Pocet pocet;  // the raw bytes before the current block
    // The seam of two blocks: the last settled joined characters before the current block,
    // vzor.size() - 1 at most, and after them its first vzor.size() ones.
    std::vector<char> sev;
    size_t ocas = 0;         // characters of sev from the blocks before
    bool zastaveno = false;  // odber refused a piece
};

// One block under search, and the joined index its raw byte 0 would have if no byte of the
// block were left out.
struct Blok {
    const unsigned char *b;
    size_t n;
    size_t zaklad;
};

void pridej(Hledani &h, size_t p)
{
    if (p < h.odkud || p + h.vzor.size() - 1 > h.kam)
        return;
    h.pozice.push_back(static_cast<int>(p));
    if (h.pozice.size() >= h.pruchod.kus && h.pruchod.odber && !h.zastaveno)
        h.zastaveno = !h.pruchod.odber(h.pozice);
}

// Whether vzor's characters start at raw byte s and all lie within the block. One that runs
// past the block's end is the seam's to find.
bool shoda_v_bloku(const Blok &blok, size_t s, const std::string &vzor)
{
    for (size_t t = 0, p = s;;) {
        if (druh(blok.b, blok.n, p) != ZNAK || blok.b[p] != static_cast<unsigned char>(vzor[t]))
            return false;
        if (++t == vzor.size())
            return true;
        do {
            if (++p == blok.n)
                return false;
        } while (druh(blok.b, blok.n, p) == VYNECHANY);
    }
}

// Flags of 64 places as bits of one word: flag k is 0 or 1 << (k % 8), so each eight flags add
// up to one byte of the word whatever the machine's byte order.
const unsigned char VAHY[64] = {
    1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32,
    64, 128, 1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8,
    16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128};

uint64_t na_bity(const unsigned char *znacky)
{
    uint64_t bity = 0;
    for (int osm = 0; osm < 8; osm++) {
        uint64_t slovo;
        memcpy(&slovo, znacky + 8 * osm, 8);
        bity |= ((slovo * 0x0101010101010101u) >> 56) << (8 * osm);
    }
    return bity;
}

// Bit k set when byte k of the 64 at beh is left out of the joined text.
uint64_t vynechane_bity(const unsigned char *beh)
{
    unsigned char znacky[64];
    for (int k = 0; k < 64; k++)
        znacky[k] = -vynechany(beh[k], beh[k + 1]) & VAHY[k];
    return na_bity(znacky);
}

// One block's candidates go to the exact check with the block and the search they belong to.
struct Kandidati {
    Hledani &h;
    const Blok &blok;
};

// The places of the run of 64 at beh that the filter let through; vynechanych bytes of the
// block are left out before the run.
void over_kandidaty(void *kontext, size_t beh, uint64_t kandidati, size_t vynechanych)
{
    Hledani &h = static_cast<Kandidati *>(kontext)->h;
    const Blok &blok = static_cast<Kandidati *>(kontext)->blok;
    uint64_t vynechane = 0;
    bool spocteno = false;
    for (; kandidati != 0; kandidati &= kandidati - 1) {
        int k = __builtin_ctzll(kandidati);
        if (!shoda_v_bloku(blok, beh + k, h.vzor))
            continue;
        if (!spocteno) {
            vynechane = vynechane_bity(blok.b + beh);
            spocteno = true;
        }
        size_t pred = __builtin_popcountll(vynechane & ((uint64_t{1} << k) - 1));
        pridej(h, blok.zaklad + beh + k - vynechanych - pred);
    }
}

// Occurrences that start at a raw byte of the block and end in it; returns the bytes of the
// block left out, counted on the way (a CR ending the block is not: it waits). The vector
// filter goes over runs of 64 places, which need two bytes after them; only places it lets
// through are checked, and the last few places of the block one by one.
size_t prohledej_blok(Hledani &h, const Blok &blok)
{
    const unsigned char *b = blok.b;
    const size_t behu = blok.n >= 66 ? (blok.n - 2) / 64 : 0;
    Kandidati kandidati{h, blok};
    size_t vynechanych = filtruj_behy(b, behu, h.filtr, over_kandidaty, &kandidati);
    const unsigned char v0 = h.vzor[0];
    for (size_t s = 64 * behu; s < blok.n; s++) {
        if (b[s] == v0 && shoda_v_bloku(blok, s, h.vzor))
            pridej(h, blok.zaklad + s - vynechanych);
        vynechanych += s + 1 < blok.n ? vynechany(b[s], b[s + 1]) : b[s] == '\n';
    }
    return vynechanych;
}

// Writes the first settled characters the block adds, kolik at most, to cil: a CR held back
// from the block before (vydany_cr), and then the block's own. Returns how many.
size_t zacatek_bloku(const Blok &blok, bool vydany_cr, size_t kolik, char *cil)
{
    size_t z = 0;
    if (vydany_cr)
        cil[z++] = '\r';
    for (size_t p = 0; p < blok.n && z < kolik; p++)
        if (druh(blok.b, blok.n, p) == ZNAK)
            cil[z++] = static_cast<char>(blok.b[p]);
    return z;
}

// Writes the last kolik settled characters of a block that has more than kolik of its own to
// cil, in order.
void konec_bloku(const Blok &blok, size_t kolik, char *cil)
{
    for (size_t p = blok.n; p-- > 0 && kolik > 0;)
        if (druh(blok.b, blok.n, p) == ZNAK)
            cil[--kolik] = static_cast<char>(blok.b[p]);
}

// Occurrences that start before the block's first raw byte (in the tail of the blocks before,
// or at a CR held back) and end in the block: the seam holds both sides, the block's first
// zacatek characters after the tail.
void prohledej_sev(Hledani &h, size_t zacatek, bool vydany_cr, size_t j0)
{
    const size_t m = h.vzor.size(), delka = h.ocas + zacatek;
    const size_t pred_blokem = h.ocas + vydany_cr;
    for (size_t t = 0; t < pred_blokem && t + m <= delka; t++)
        if (memcmp(h.sev.data() + t, h.vzor.data(), m) == 0)
            pridej(h, j0 - h.ocas + t);
}

// The tail for the next block: the last settled characters before it, vzor.size() - 1 at
// most. A block of fewer characters than the pattern (kratky) has all of them among its
// zacatek first ones, which follow the old tail in the seam.
void posun_ocas(Hledani &h, const Blok &blok, bool kratky, size_t zacatek)
{
    const size_t m = h.vzor.size();
    if (kratky) {
        const size_t delka = h.ocas + zacatek;
        h.ocas = std::min(delka, m - 1);
        memmove(h.sev.data(), h.sev.data() + delka - h.ocas, h.ocas);
    } else {
        konec_bloku(blok, m - 1, h.sev.data());
        h.ocas = m - 1;
    }
}

// One block of the file; returns false once the text up to index kam is searched.
bool prohledej(Hledani &h, const char *data, size_t n)
{
    const size_t m = h.vzor.size();
    // A CR that ended the block before is a character of this block unless an LF follows it;
    // then it is left out before the block's raw byte 0.
    const bool cr_ceka = h.pocet.posledni == '\r';
    const bool vydany_cr = cr_ceka && data[0] != '\n', vynechany_cr = cr_ceka && !vydany_cr;
    const size_t j0 = delka_spojeni(h.pocet);
    Blok blok{reinterpret_cast<const unsigned char *>(data), n,
              h.pocet.surovych - h.pocet.vynechanych - vynechany_cr};
    // Every occurrence found with this block ends before its last character; blocks before
    // the range are only counted, the same way as farmer counts.
    const bool v_rozsahu = j0 + vydany_cr + n >= h.odkud + m;
    const size_t zacatek = zacatek_bloku(blok, vydany_cr, m, h.sev.data() + h.ocas);
    size_t vynechanych;
    if (v_rozsahu) {
        prohledej_sev(h, zacatek, vydany_cr, j0);
        vynechanych = vynechany_cr + prohledej_blok(h, blok);
    } else {
        vynechanych = vynechane_znaky(data, n, h.pocet.posledni);
    }
    Pocet po = h.pocet;
    pricti_blok(po, data, n, vynechanych);
    const size_t j1 = delka_spojeni(po);
    posun_ocas(h, blok, j1 - j0 < m, zacatek);
    h.pocet = po;
    return j1 <= h.kam && !h.zastaveno;
}

}  // namespace

bool hledej_od(FILE *fr, size_t odkud, size_t kam, const std::string &vzor,
               const Pruchod &pruchod, std::vector<int> &pozice, bool &cely, std::string *err)
{
    Hledani h{vzor, odkud, kam, pozice, pruchod, filtr_pro(vzor.data(), vzor.size()),
              pruchod.zacatek, std::vector<char>(2 * vzor.size())};
    bool precteno =
        cti_bloky(fr, [&h](const char *blok, size_t delka) { return prohledej(h, blok, delka); },
                  pruchod.velikost_bloku, static_cast<off_t>(pruchod.zacatek.surovych), err);
    cely = delka_spojeni(h.pocet) > kam && !h.zastaveno;
    return precteno;
}

bool hledej_v_rozsahu(FILE *fr, size_t odkud, size_t kam, const std::string &vzor,
                      size_t velikost_bloku, std::vector<int> &pozice, bool &cely,
                      std::string *err)
{
    Pruchod pruchod;
    pruchod.velikost_bloku = velikost_bloku;
    return hledej_od(fr, odkud, kam, vzor, pruchod, pozice, cely, err);
}

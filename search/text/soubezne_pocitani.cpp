// SPDX-License-Identifier: MIT
// farmer's count on every core: threads take the blocks of a round one after another, map each
// and count each stretch between two points; the stretches are then added up in order, as one
// pass would add them.
#include "search/text/soubezne_pocitani.h"

#include <sched.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

#include "search/text/cteni.h"
#include "search/text/mapovani.h"

namespace {

// One stretch of raw bytes between two points of the count.
struct Usek {
    size_t delka = 0;  // 0 past a short last block
    size_t vynechanych = 0;
    char posledni = 0;
};

// Blocks counted at once before they are added up: a count that stops early (a text too long
// for farmer) reads at most this much past where it stops.
const size_t BLOKU_V_KOLE = 64;

// The windows of all threads together, resident at once: farmer stays small however many
// cores it counts on.
const size_t MAPOVANO_NEJVIC = 8 << 20;

// One round of blocks [prvni, prvni + bloku) of the file, the threads' shared work.
struct Kolo {
    int fd;
    size_t velikost;  // of the file, as it was seen at the start
    size_t rozestup, velikost_bloku, useku_na_blok;
    size_t okno;  // bytes a thread maps at a time, whole stretches
    size_t prvni = 0, bloku = 0;
    std::vector<Usek> useky;  // useku_na_blok for each block of the round
    std::atomic<size_t> dalsi{0};
    std::atomic<bool> selhalo{false};
    std::atomic<bool> nelze_mapovat{false};
};

// Counts the stretches of one block at data, its byte before (0 for the file's first) at
// data[-1] or given as predchozi.
void spocti_useky(const Kolo &k, const char *data, size_t delka, char predchozi, Usek *usek)
{
    for (size_t u = 0; u < delka; u += k.rozestup, usek++) {
        usek->delka = std::min(k.rozestup, delka - u);
        usek->vynechanych = vynechane_znaky(data + u, usek->delka, predchozi);
        usek->posledni = predchozi = data[u + usek->delka - 1];
    }
}

// Counts block blok into its stretches, window by window; each window takes the byte before
// it too, which settles a CR that ends the window before.
void spocti_blok(Kolo &k, size_t blok)
{
    const size_t zacatek = blok * k.velikost_bloku;
    const size_t delka = std::min(k.velikost_bloku, k.velikost - zacatek);
    Usek *usek = &k.useky[(blok - k.prvni) * k.useku_na_blok];
    for (size_t od = 0; od < delka && !k.selhalo; od += k.okno) {
        const size_t n = std::min(k.okno, delka - od), pred = zacatek + od > 0 ? 1 : 0;
        bool dal = true;
        const Okno okno = predej_okno(k.fd, static_cast<off_t>(zacatek + od - pred), n + pred,
                                      [&](const char *data, size_t) {
                                          spocti_useky(k, data + pred, n, pred ? *data : 0, usek);
                                          return true;
                                      }, dal);
        if (okno == Okno::NELZE_MAPOVAT)
            k.nelze_mapovat = true;
        if (okno != Okno::PREDANO)
            k.selhalo = true;
        usek += (n + k.rozestup - 1) / k.rozestup;
    }
}

void pracuj(Kolo &k)
{
    for (size_t b; !k.selhalo && (b = k.dalsi++) < k.bloku;)
        spocti_blok(k, k.prvni + b);
}

// Counts the round's blocks in vlaken threads, this one among them; false when a block could
// not be mapped or read. Threads the system refuses leave their share to the rest.
bool spocti_kolo(Kolo &k, unsigned vlaken)
{
    std::fill(k.useky.begin(), k.useky.end(), Usek{});
    k.dalsi = 0;
    std::vector<std::thread> vlakna;
    for (unsigned i = 1; i < vlaken; i++) {
        try {
            vlakna.emplace_back(pracuj, std::ref(k));
        } catch (const std::system_error &) {
            break;
        }
    }
    pracuj(k);
    for (std::thread &v : vlakna)
        v.join();
    return !k.selhalo;
}

// Adds the round's stretches to pocet in order; false once the length passes nejvic after a
// block, where one pass stops too.
bool secti_kolo(const Kolo &k, Pocet &pocet, std::vector<Pocet> *body, size_t nejvic)
{
    for (size_t b = 0; b < k.bloku; b++) {
        for (size_t u = 0; u < k.useku_na_blok; u++) {
            const Usek &usek = k.useky[b * k.useku_na_blok + u];
            if (usek.delka > 0)
                pridej_usek(pocet, body, k.rozestup, usek.delka, usek.vynechanych, usek.posledni);
        }
        if (delka_spojeni(pocet) > nejvic)
            return false;
    }
    return true;
}

// What became of the count of a whole file in threads.
enum class Soubezne { SPOCTENO, ZASTAVENO, NELZE_MAPOVAT, NECITELNE };

// The blocks of the regular file fd, velikost bytes, into pocet and body, round by round.
Soubezne spocti_soubor(int fd, size_t velikost, size_t nejvic, std::vector<Pocet> *body,
                       size_t rozestup, size_t velikost_bloku, unsigned vlaken, Pocet &pocet)
{
    Kolo k;
    k.fd = fd;
    k.velikost = velikost;
    k.rozestup = rozestup;
    k.velikost_bloku = velikost_bloku;
    k.useku_na_blok = (velikost_bloku + rozestup - 1) / rozestup;
    k.okno = std::min(velikost_bloku,
                      std::max<size_t>(1, MAPOVANO_NEJVIC / vlaken / rozestup) * rozestup);
    const size_t bloku_celkem = (velikost + velikost_bloku - 1) / velikost_bloku;
    const size_t v_kole = std::max<size_t>(BLOKU_V_KOLE, vlaken);
    k.useky.resize(std::min(v_kole, bloku_celkem) * k.useku_na_blok);
    HlidaniMapovani hlidani;
    for (k.prvni = 0; k.prvni < bloku_celkem; k.prvni += k.bloku) {
        k.bloku = std::min(v_kole, bloku_celkem - k.prvni);
        if (!spocti_kolo(k, vlaken))
            return k.nelze_mapovat ? Soubezne::NELZE_MAPOVAT : Soubezne::NECITELNE;
        if (!secti_kolo(k, pocet, body, nejvic))
            return Soubezne::ZASTAVENO;
    }
    return Soubezne::SPOCTENO;
}

}  // namespace

unsigned vlaken_pocitani()
{
    cpu_set_t mnozina;
    if (sched_getaffinity(0, sizeof mnozina, &mnozina) == 0 && CPU_COUNT(&mnozina) > 0)
        return static_cast<unsigned>(CPU_COUNT(&mnozina));
    return std::max(1u, std::thread::hardware_concurrency());
}

bool spocti_spojene_soubezne(FILE *fr, size_t nejvic, std::vector<Pocet> *body, size_t rozestup,
                             size_t velikost_bloku, unsigned vlaken, size_t &delka_textu,
                             std::string *err)
{
    struct stat udaje;
    const int fd = fileno(fr);
    Pocet pocet;
    const size_t bodu_pred = body != nullptr ? body->size() : 0;
    Soubezne stav = Soubezne::NELZE_MAPOVAT;
    // A file in /proc says it is empty and is not: such files, like pipes, are one pass.
    if (vlaken > 1 && fd >= 0 && fstat(fd, &udaje) == 0 && S_ISREG(udaje.st_mode) &&
        static_cast<size_t>(udaje.st_size) > velikost_bloku)
        stav = spocti_soubor(fd, static_cast<size_t>(udaje.st_size), nejvic, body, rozestup,
                             velikost_bloku, vlaken, pocet);
    if (stav == Soubezne::NECITELNE) {
        *err = CHYBA_CTENI;
        return false;
    }
    if (stav == Soubezne::NELZE_MAPOVAT) {
        // Counted again from the start the way one pass reads what cannot be mapped.
        pocet = Pocet{};
        if (body != nullptr)
            body->resize(bodu_pred);
    }
    bool precteno = stav == Soubezne::ZASTAVENO ||
                    spocti_spojene_od(fr, pocet, nejvic, body, rozestup, velikost_bloku, err);
    delka_textu = delka_spojeni(pocet);
    return precteno;
}

// SPDX-License-Identifier: MIT
// farmer's count on every core: threads take the blocks of a round one after another and count
// each stretch between two points; the stretches are then added up in order, as one pass would.
#include "soubezne_pocitani.h"

#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include "cteni.h"

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

// Bytes read at a time: small enough to stay in the cache between the read and the count.
const size_t KOUSEK = 256 << 10;

// One round of blocks [prvni, prvni + bloku) of the file, the threads' shared work.
struct Kolo {
    int fd;
    size_t velikost;  // of the file, as it was seen at the start
    size_t rozestup, velikost_bloku, useku_na_blok;
    size_t prvni = 0, bloku = 0;
    std::vector<Usek> useky;  // useku_na_blok for each block of the round
    std::atomic<size_t> dalsi{0};
    std::atomic<bool> selhalo{false};
};

// Reads delka bytes at od into kam; false on a read error or a file that ends sooner.
bool precti(int fd, char *kam, size_t delka, size_t od)
{
    while (delka > 0) {
        ssize_t n = pread(fd, kam, delka, static_cast<off_t>(od));
        if (n <= 0)
            return false;
        kam += n;
        delka -= static_cast<size_t>(n);
        od += static_cast<size_t>(n);
    }
    return true;
}

// Counts block blok into its stretches, reading it through kousek (kousek_bajtu long).
bool spocti_blok(Kolo &k, size_t blok, char *kousek, size_t kousek_bajtu)
{
    const size_t zacatek = blok * k.velikost_bloku;
    const size_t delka = std::min(k.velikost_bloku, k.velikost - zacatek);
    Usek *usek = &k.useky[(blok - k.prvni) * k.useku_na_blok];
    // The byte before the block settles a CR that ends the block before.
    char predchozi = 0;
    if (zacatek > 0 && !precti(k.fd, &predchozi, 1, zacatek - 1))
        return false;
    for (size_t od = 0; od < delka; od += kousek_bajtu) {
        const size_t n = std::min(kousek_bajtu, delka - od);
        if (!precti(k.fd, kousek, n, zacatek + od))
            return false;
        for (size_t u = 0; u < n; u += k.rozestup, usek++) {
            usek->delka = std::min(k.rozestup, n - u);
            usek->vynechanych = vynechane_znaky(kousek + u, usek->delka, predchozi);
            usek->posledni = predchozi = kousek[u + usek->delka - 1];
        }
    }
    return true;
}

void pracuj(Kolo &k, char *kousek, size_t kousek_bajtu)
{
    for (size_t b; !k.selhalo && (b = k.dalsi++) < k.bloku;)
        if (!spocti_blok(k, k.prvni + b, kousek, kousek_bajtu))
            k.selhalo = true;
}

// Counts the round's blocks in as many threads as kousky has buffers, this one among them;
// false when a block could not be read. Threads the system refuses leave their share to the rest.
bool spocti_kolo(Kolo &k, const std::vector<std::unique_ptr<char[]>> &kousky, size_t kousek_bajtu)
{
    std::fill(k.useky.begin(), k.useky.end(), Usek{});
    k.dalsi = 0;
    std::vector<std::thread> vlakna;
    for (size_t i = 1; i < kousky.size(); i++) {
        try {
            vlakna.emplace_back(pracuj, std::ref(k), kousky[i].get(), kousek_bajtu);
        } catch (const std::system_error &) {
            break;
        }
    }
    pracuj(k, kousky[0].get(), kousek_bajtu);
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

// The blocks of the regular file fd, velikost bytes, into pocet, round by round; dal false
// when the count stopped at nejvic.
bool spocti_soubor(int fd, size_t velikost, size_t nejvic, std::vector<Pocet> *body,
                   size_t rozestup, size_t velikost_bloku, unsigned vlaken, Pocet &pocet,
                   bool &dal)
{
    Kolo k;
    k.fd = fd;
    k.velikost = velikost;
    k.rozestup = rozestup;
    k.velikost_bloku = velikost_bloku;
    k.useku_na_blok = (velikost_bloku + rozestup - 1) / rozestup;
    const size_t bloku_celkem = (velikost + velikost_bloku - 1) / velikost_bloku;
    const size_t v_kole = std::max<size_t>(BLOKU_V_KOLE, vlaken);
    k.useky.resize(std::min(v_kole, bloku_celkem) * k.useku_na_blok);
    // Reads of whole stretches, so that a stretch is counted from one buffer.
    const size_t kousek_bajtu =
        std::min(velikost_bloku, std::max<size_t>(1, KOUSEK / rozestup) * rozestup);
    std::vector<std::unique_ptr<char[]>> kousky(vlaken);
    for (auto &kousek : kousky)
        kousek.reset(new char[kousek_bajtu]);
    dal = true;
    for (k.prvni = 0; k.prvni < bloku_celkem && dal; k.prvni += k.bloku) {
        k.bloku = std::min(v_kole, bloku_celkem - k.prvni);
        if (!spocti_kolo(k, kousky, kousek_bajtu))
            return false;
        dal = secti_kolo(k, pocet, body, nejvic);
    }
    return true;
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
    bool dal = true;
    // A file in /proc says it is empty and is not: such files, like pipes, are one pass.
    if (vlaken > 1 && fd >= 0 && fstat(fd, &udaje) == 0 && S_ISREG(udaje.st_mode) &&
        static_cast<size_t>(udaje.st_size) > velikost_bloku) {
        if (!spocti_soubor(fd, static_cast<size_t>(udaje.st_size), nejvic, body, rozestup,
                           velikost_bloku, vlaken, pocet, dal)) {
            *err = CHYBA_CTENI;
            return false;
        }
    }
    bool precteno =
        !dal || spocti_spojene_od(fr, pocet, nejvic, body, rozestup, velikost_bloku, err);
    delka_textu = delka_spojeni(pocet);
    return precteno;
}

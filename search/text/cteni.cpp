// SPDX-License-Identifier: MIT
// Reading the text file of the search: mapped or read in blocks, failures told in err.
#include "search/text/cteni.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "search/text/mapovani.h"

const char *const CHYBA_CTENI = "fread: Chyba pri cteni souboru.";

namespace {

bool chyba_cteni(std::string *err)
{
    *err = CHYBA_CTENI;
    return false;
}

// Passes bytes od to velikost of the regular file fd on, one mapped window at a time: no
// copy, and only one window is resident. Moves od to where it stopped: velikost, or earlier
// when a window cannot be mapped or prijemce stops (then dal is false). False when a window
// could not be read.
bool predej_mapovane(int fd, off_t &od, off_t velikost, const Prijemce &prijemce,
                     size_t velikost_bloku, bool &dal)
{
    HlidaniMapovani hlidani;
    while (od < velikost && dal) {
        size_t delka = static_cast<size_t>(std::min<off_t>(velikost_bloku, velikost - od));
        const Okno okno = predej_okno(fd, od, delka, prijemce, dal);
        if (okno == Okno::NECITELNE)
            return false;
        if (okno == Okno::NELZE_MAPOVAT)
            break;
        od += static_cast<off_t>(delka);
    }
    return true;
}

// Passes fr's bytes from its position to its end on, read in blocks; a pipe hands over
// no more than this at a time anyway, and a buffer that stays in the cache is reused fast.
bool predej_ctene(FILE *fr, const Prijemce &prijemce, size_t velikost_bloku, std::string *err)
{
    const size_t velikost = std::min(velikost_bloku, size_t{1} << 18);
    std::unique_ptr<char[]> blok(new char[velikost]);
    size_t precteno;
    while ((precteno = fread(blok.get(), 1, velikost, fr)) > 0) {
        if (!prijemce(blok.get(), precteno))
            return true;
    }
    // Silently handing back part of a file would turn into a wrong search result.
    return !ferror(fr) || chyba_cteni(err);
}

// A carriage return held back at the end of a block until the next byte shows whether it
// ends a line; alone it is an ordinary character.
const char osamely_cr = '\r';

// Passes one block on, line by line without the line ends. Returns false when prijemce stops.
bool spoj_blok(const char *blok, size_t delka, bool &cr_ceka, const Prijemce &prijemce)
{
    if (cr_ceka && blok[0] != '\n' && !prijemce(&osamely_cr, 1))
        return false;
    cr_ceka = false;
    const char *konec = blok + delka;
    for (const char *zacatek = blok; zacatek < konec;) {
        const char *lf = static_cast<const char *>(memchr(zacatek, '\n', konec - zacatek));
        const char *kus_konec = lf ? lf : konec;
        if (kus_konec > zacatek && kus_konec[-1] == '\r') {
            kus_konec--;
            cr_ceka = lf == nullptr;
        }
        if (kus_konec > zacatek && !prijemce(zacatek, kus_konec - zacatek))
            return false;
        zacatek = lf ? lf + 1 : konec;
    }
    return true;
}

// Room for the rest of a regular file: the text is never longer, so it is allocated once.
void rezervuj(FILE *fr, std::string &pom)
{
    struct stat udaje;
    long pozice = ftell(fr);
    if (fstat(fileno(fr), &udaje) == 0 && S_ISREG(udaje.st_mode) && pozice >= 0 &&
        udaje.st_size > pozice)
        pom.reserve(static_cast<size_t>(udaje.st_size - pozice));
}

}  // namespace

bool absolutni_cesta(const char *jmeno, std::string &cesta, std::string *err)
{
    char plna[PATH_MAX];
    if (realpath(jmeno, plna) != nullptr) {
        cesta = plna;
        return true;
    }
    // Any other name would be read by the workers in their own folder: another file, or none.
    const std::string proc = errno == ENAMETOOLONG
                                 ? "je delsi nez " + std::to_string(PATH_MAX - 1) + " znaku"
                                 : std::string(strerror(errno));
    *err = std::string("Absolutni cestu k souboru ") + jmeno + " nelze zjistit (" + proc +
           "), workeri by soubor nenasli!";
    return false;
}

bool otevri_soubor(const char *jmeno, const char *mod, FILE *&soubor, std::string *err)
{
    soubor = fopen(jmeno, mod);
    if (soubor != nullptr)
        return true;
    *err = std::string("fopen: Chyba pri praci se souborem : ") + jmeno;
    return false;
}

bool zavri_soubor(FILE *soubor, std::string *err)
{
    if (fclose(soubor) != EOF)
        return true;
    *err = "fclose: Soubor nelze uzavrit.";
    return false;
}

bool cti_soubor(const char *jmeno, const CteniSouboru &cteni, std::string *err)
{
    FILE *fr = nullptr;
    if (!otevri_soubor(jmeno, "r", fr, err))
        return false;
    bool precteno = cteni(fr, err);
    std::string chyba_zavreni;
    if (!zavri_soubor(fr, &chyba_zavreni) && precteno) {
        *err = chyba_zavreni;
        return false;
    }
    return precteno;
}

bool cti_bloky(FILE *fr, const Prijemce &prijemce, size_t velikost_bloku, off_t od,
               std::string *err)
{
    struct stat udaje;
    int fd = fileno(fr);
    bool dal = true;
    off_t konec = od;
    // A file in /proc says it is empty and is not; such files are read like a pipe.
    if (fd >= 0 && fstat(fd, &udaje) == 0 && S_ISREG(udaje.st_mode) && udaje.st_size > 0) {
        if (!predej_mapovane(fd, konec, udaje.st_size, prijemce, velikost_bloku, dal))
            return chyba_cteni(err);
        if (!dal)
            return true;
    }
    // Whatever could not be mapped, or was added meanwhile, is read.
    if (konec != 0 && fseeko(fr, konec, SEEK_SET) != 0)
        return chyba_cteni(err);
    return predej_ctene(fr, prijemce, velikost_bloku, err);
}

bool cti_spojene(FILE *fr, const Prijemce &prijemce, size_t velikost_bloku, std::string *err)
{
    bool cr_ceka = false;
    return cti_bloky(fr, [&](const char *blok, size_t delka) {
        return spoj_blok(blok, delka, cr_ceka, prijemce);
    }, velikost_bloku, 0, err);
}

bool spocti_spojene_od(FILE *fr, Pocet &pocet, size_t nejvic, std::vector<Pocet> *body,
                       size_t rozestup, size_t velikost_bloku, std::string *err)
{
    return cti_bloky(fr, [&](const char *blok, size_t delka) {
        for (size_t od = 0; od < delka; od += rozestup) {
            size_t kus = std::min(rozestup, delka - od);
            pridej_usek(pocet, body, rozestup, kus,
                        vynechane_znaky(blok + od, kus, pocet.posledni), blok[od + kus - 1]);
        }
        return delka_spojeni(pocet) <= nejvic;
    }, velikost_bloku, static_cast<off_t>(pocet.surovych), err);
}

bool spocti_spojene(FILE *fr, size_t nejvic, std::vector<Pocet> *body, size_t rozestup,
                    size_t velikost_bloku, size_t &delka_textu, std::string *err)
{
    Pocet pocet;
    bool precteno = spocti_spojene_od(fr, pocet, nejvic, body, rozestup, velikost_bloku, err);
    delka_textu = delka_spojeni(pocet);
    return precteno;
}

bool cti_text(FILE *fr, std::string &text, std::string *err)
{
    text.clear();
    rezervuj(fr, text);
    return cti_spojene(fr, [&text](const char *kus, size_t delka) {
        // Room first, so that the copy out of the file allocates nothing on the way.
        if (text.capacity() - text.size() < delka)
            text.reserve(std::max(2 * text.capacity(), text.size() + delka));
        text.append(kus, delka);
        return true;
    }, VELIKOST_BLOKU, err);
}

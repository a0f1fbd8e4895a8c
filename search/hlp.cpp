// hlp: file, text and allocation helpers of the substring search.
#include "hlp.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

FILE *open_f(const char *name, const char *mod)
{
    FILE *file = fopen(name, mod);
    if (file == nullptr) {
        fprintf(stderr, "fopen: Chyba pri praci se souborem : %s\n", name);
        exit(1);
    }
    return file;
}

void close_f(FILE *file)
{
    if (fclose(file) == EOF) {
        fprintf(stderr, "fclose: Soubor nelze uzavrit.\n");
        exit(1);
    }
}

namespace {

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

void read_joined(FILE *fr, const Prijemce &prijemce, size_t velikost_bloku)
{
    std::vector<char> blok(velikost_bloku);
    bool cr_ceka = false;
    size_t precteno;
    while ((precteno = fread(blok.data(), 1, blok.size(), fr)) > 0) {
        if (!spoj_blok(blok.data(), precteno, cr_ceka, prijemce))
            return;
    }
    // Silently handing back part of a file would turn into a wrong search result.
    if (ferror(fr)) {
        fprintf(stderr, "fread: Chyba pri cteni souboru.\n");
        exit(1);
    }
}

std::string read_file(FILE *fr)
{
    std::string pom;
    try {
        rezervuj(fr, pom);
        read_joined(fr, [&pom](const char *kus, size_t delka) {
            pom.append(kus, delka);
            return true;
        });
    } catch (const std::bad_alloc &) {
        printf("Malo pameti!\n");
        exit(1);
    }
    return pom;
}

char *aloc_string(int delka)
{
    void *blok = delka < 0 ? nullptr : malloc(static_cast<size_t>(delka));
    if (blok == nullptr) {
        fprintf(stderr, "malloc: Malo pameti!\n");
        exit(1);
    }
    return static_cast<char *>(blok);
}

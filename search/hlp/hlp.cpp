// SPDX-License-Identifier: MIT
// hlp: the reader's failures turned into the message and the end of the process.
#include "search/hlp/hlp.h"

#include <cstdlib>
#include <new>

#include "search/text/cteni.h"

namespace {

[[noreturn]] void skonci(FILE *proud, const std::string &zprava)
{
    fprintf(proud, "%s\n", zprava.c_str());
    exit(1);
}

}  // namespace

FILE *open_f(const char *name, const char *mod)
{
    FILE *file = nullptr;
    std::string chyba;
    if (!otevri_soubor(name, mod, file, &chyba))
        skonci(stderr, chyba);
    return file;
}

void close_f(FILE *file)
{
    std::string chyba;
    if (!zavri_soubor(file, &chyba))
        skonci(stderr, chyba);
}

std::string read_file(FILE *fr)
{
    std::string text, chyba;
    bool precteno = false;
    try {
        precteno = cti_text(fr, text, &chyba);
    } catch (const std::bad_alloc &) {
        skonci(stdout, "Malo pameti!");
    }
    if (!precteno)
        skonci(stderr, chyba);
    return text;
}

char *aloc_string(int delka)
{
    void *blok = delka < 0 ? nullptr : malloc(static_cast<size_t>(delka));
    if (blok == nullptr)
        skonci(stderr, "malloc: Malo pameti!");
    return static_cast<char *>(blok);
}

// SPDX-License-Identifier: MIT
// farmer's report, to standard output and to the report file alike.
#include "search/farmer/vypis.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "search/farmer/preruseni.h"

namespace {

// Prints format to standard output and to the report file alike.
__attribute__((format(printf, 2, 3))) void obe(FILE *fw, const char *format, ...)
{
    va_list argumenty, kopie_argumentu;
    va_start(argumenty, format);
    va_copy(kopie_argumentu, argumenty);
    vprintf(format, argumenty);
    vfprintf(fw, format, kopie_argumentu);
    va_end(kopie_argumentu);
    va_end(argumenty);
}

// Writes the same bytes to standard output and to the report file.
void zapis_obema(FILE *fw, const char *text, size_t delka)
{
    fwrite(text, 1, delka, stdout);
    fwrite(text, 1, delka, fw);
}

// Writes each position as "%d\n" would, to both places; millions of them are formatted once,
// into a buffer that goes out in large writes. False, with err, when the store cannot be read.
bool vypis_pozice(FILE *fw, const Odklad &odklad, std::string *err)
{
    std::vector<char> kus(1 << 16);
    const size_t nejdelsi = 12;  // "-2147483648\n"
    char *const zacatek = kus.data(), *const konec = zacatek + kus.size();
    size_t plno = 0;
    bool precteno = projdi_odklad(odklad, [&](const int *pozice, size_t n) {
        for (size_t i = 0; i < n; i++) {
            if (plno + nejdelsi > kus.size()) {
                zapis_obema(fw, zacatek, plno);
                plno = 0;
            }
            plno = std::to_chars(zacatek + plno, konec, pozice[i]).ptr - zacatek;
            zacatek[plno++] = '\n';
        }
        return true;
    }, err);
    zapis_obema(fw, zacatek, plno);
    return precteno;
}

}  // namespace

bool vypis_zpravu(BehFarmera &b, std::string *err)
{
    const std::string &f_str = b.zadani.f_str;
    const char *soubor = b.zadani.soubor;
    SouborZpravy &zprava = b.zprava;
    FILE *fw = zprava.fw;
    const int nalezeno_celkem = static_cast<int>(b.odklad.celkem);
    std::string chyba;
    if (nalezeno_celkem == 0) {
        obe(fw, "Nebyl nalezen zadny vyskyt podretezce: \"%s\"\n", f_str.c_str());
    } else {
        printf("Pocet nalezenych podretezcu \"%s\"\nv souboru \"%s\" : %d\n\n", f_str.c_str(),
               soubor, nalezeno_celkem);
        fprintf(fw, "Pocet nalezenych podretezcu \"%s\"\nv souboru \"%s\" : %d\n", f_str.c_str(),
                soubor, nalezeno_celkem);
        obe(fw, "Vypis indexu, urcujicich pozice nalezenych podretezcu v retezci:\n");
        if (!vypis_pozice(fw, b.odklad, &chyba)) {
            *err = "Nalezene pozice nelze precist z docasneho souboru (" + chyba + "), " +
                   zprava.jmeno + " byl odstranen!";
            return false;
        }
    }
    // A signal between the rename and the mark would remove the report just put in place.
    odloz_preruseni();
    bool zapsano = dokonci_zpravu(zprava);
    povol_preruseni();
    if (!zapsano) {
        *err = std::string("Soubor ") + zprava.jmeno + " nelze cely zapsat, byl odstranen!";
        return false;
    }
    return true;
}

// SPDX-License-Identifier: MIT
// Fuzz target: the joined text of arbitrary bytes (NUL bytes, lone CRs, long lines, no final
// line end), read in blocks of any size, mapped or read, must equal a plain reference join;
// its counted length must equal the text's, and a worker's search of a range must find the
// occurrences a naive search of the reference text finds.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "search/text/cteni.h"
#include "search/text/hledani.h"
#include "search/hlp/hlp.h"
#include "search/testy/orakula.h"

namespace {

// data as a stream: a file in memory, which is mapped, or a buffer, which is read.
FILE *otevri(std::string &data, bool mapovane)
{
    if (!mapovane)
        return fmemopen(data.data(), data.size(), "r");
    int fd = memfd_create("hlp_fuzz", 0);
    if (fd < 0 || write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size()))
        abort();
    lseek(fd, 0, SEEK_SET);
    return fdopen(fd, "r");
}

std::string spoj_po_blocich(FILE *fr, size_t velikost_bloku)
{
    std::string text, chyba;
    if (!cti_spojene(fr, [&](const char *kus, size_t delka) {
            text.append(kus, delka);
            return true;
        }, velikost_bloku, &chyba))
        abort();
    return text;
}

}  // namespace

// Input: one byte of block size and way of reading, two of range bounds, one of pattern
// length and place, then the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 5 || size > 1 << 12)
        return 0;
    const size_t velikost_bloku = 1 + data[0] % 128;
    const bool mapovane = data[0] & 128;
    size_t odkud = data[1], kam = data[2];
    if (kam < odkud)
        std::swap(odkud, kam);
    std::string soubor(reinterpret_cast<const char *>(data) + 4, size - 4);
    const std::string text = spoj_pomalu(soubor);

    // fmemopen wants a buffer of at least one byte.
    FILE *fr = otevri(soubor, mapovane || soubor.empty());
    if (spoj_po_blocich(fr, velikost_bloku) != text)
        abort();
    rewind(fr);
    if (read_file(fr) != text)
        abort();
    rewind(fr);
    size_t delka = 0;
    std::string chyba;
    if (!spocti_spojene(fr, SIZE_MAX, nullptr, ROZESTUP_BODU, velikost_bloku, delka, &chyba) ||
        delka != text.size())
        abort();
    // The pattern: a piece of the text, so that there is something to find.
    const size_t delka_vzoru = 1 + data[3] % 4, od = text.empty() ? 0 : data[3] % text.size();
    const std::string vzor = text.empty() ? "ab" : text.substr(od, delka_vzoru);
    std::vector<int> pozice;
    rewind(fr);
    bool cely = false;
    if (!hledej_v_rozsahu(fr, odkud, kam, vzor, velikost_bloku, pozice, cely, &chyba) ||
        cely != (kam < text.size()) || (cely && pozice != naivne(text, vzor, odkud, kam)))
        abort();
    fclose(fr);
    return 0;
}

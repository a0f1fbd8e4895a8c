// Fuzz target: the joined text of arbitrary bytes (NUL bytes, lone CRs, long lines, no final
// line end), read in blocks of any size, must equal a plain reference join; a worker's range
// of it must be exactly that part of the reference, and its occurrences those of a naive
// search.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hledani.h"
#include "hlp.h"

namespace {

// Line feeds left out, and a carriage return right before one or at the very end.
std::string referencni_spojeni(const std::string &data)
{
    std::string text;
    for (size_t i = 0; i < data.size(); i++) {
        char c = data[i];
        bool konec_radku = c == '\n' || (c == '\r' && (i + 1 == data.size() || data[i + 1] == '\n'));
        if (!konec_radku)
            text.push_back(c);
    }
    return text;
}

std::string spoj_po_blocich(std::string &data, size_t velikost_bloku)
{
    FILE *fr = fmemopen(data.data(), data.size(), "r");
    std::string text;
    read_joined(fr, [&](const char *kus, size_t delka) {
        text.append(kus, delka);
        return true;
    }, velikost_bloku);
    fclose(fr);
    return text;
}

std::vector<int> naivne(const std::string &text, const std::string &vzor, int odkud, int kam)
{
    std::vector<int> pozice;
    for (int p = odkud; p + (int)vzor.size() - 1 <= kam; p++)
        if (text.compare(p, vzor.size(), vzor) == 0)
            pozice.push_back(p);
    return pozice;
}

void over_usek(std::string &data, const std::string &text, int odkud, int kam,
               const std::string &vzor)
{
    FILE *fr = fmemopen(data.data(), data.size(), "r");
    std::string usek;
    bool cely = cti_usek(fr, odkud, kam, usek);
    fclose(fr);
    if (cely != (kam < (int)text.size()))
        abort();
    if (!cely)
        return;
    if (usek != text.substr(odkud, kam - odkud + 1))
        abort();
    if (najdi_vyskyty(usek, vzor, odkud) != naivne(text, vzor, odkud, kam))
        abort();
}

}  // namespace

// Input: one byte of block size, two of range bounds, one of pattern length, then the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4 || size > 1 << 16)
        return 0;
    size_t velikost_bloku = 1 + data[0] % 64;
    int a = data[1], b = data[2];
    size_t delka_vzoru = 2 + data[3] % 3;
    std::string soubor(reinterpret_cast<const char *>(data) + 4, size - 4);
    if (soubor.empty())
        return 0;  // fmemopen wants a buffer of at least one byte

    std::string text = referencni_spojeni(soubor);
    if (spoj_po_blocich(soubor, velikost_bloku) != text)
        abort();
    FILE *fr = fmemopen(soubor.data(), soubor.size(), "r");
    if (read_file(fr) != text)
        abort();
    fclose(fr);

    int odkud = a < b ? a : b, kam = a < b ? b : a;
    std::string vzor = text.substr(0, delka_vzoru);
    if (vzor.size() == delka_vzoru)
        over_usek(soubor, text, odkud, kam, vzor);
    return 0;
}

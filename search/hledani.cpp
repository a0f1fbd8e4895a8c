// The worker's search over its range of the joined text.
#include "hledani.h"

#include <algorithm>
#include <cstring>

#include "hlp.h"

bool cti_usek(FILE *fr, int odkud, int kam, std::string &usek)
{
    const size_t prvni = static_cast<size_t>(odkud), posledni = static_cast<size_t>(kam);
    usek.clear();
    usek.reserve(posledni - prvni + 1);
    // Only the range is kept, so a worker needs memory for its own part, not the whole text.
    size_t index = 0;
    read_joined(fr, [&](const char *kus, size_t delka) {
        size_t od = std::max(index, prvni), po = std::min(index + delka, posledni + 1);
        if (od < po)
            usek.append(kus + (od - index), po - od);
        index += delka;
        return index <= posledni;
    });
    return index > posledni;
}

std::vector<int> najdi_vyskyty(const std::string &usek, const std::string &vzor, int posun)
{
    std::vector<int> pozice;
    const char *text = usek.data();
    const size_t n = usek.size(), m = vzor.size();
    // Searching again one character after each find keeps overlapping occurrences.
    for (size_t i = 0; m > 0 && i + m <= n;) {
        const void *nalez = memmem(text + i, n - i, vzor.data(), m);
        if (nalez == nullptr)
            break;
        size_t k = static_cast<const char *>(nalez) - text;
        pozice.push_back(posun + static_cast<int>(k));
        i = k + 1;
    }
    return pozice;
}

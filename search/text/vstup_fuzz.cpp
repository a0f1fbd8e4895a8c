// SPDX-License-Identifier: MIT
// Fuzz target: farmer's worker count argument and typed pattern, then the range layout they
// lead to. Arbitrary input must end in a refusal or in ranges that lie inside the text,
// overlap by the pattern length less one, and hold every possible occurrence in exactly one.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "search/text/rozsahy.h"
#include "search/text/vstup.h"

namespace {

// Every start p of an occurrence must lie wholly in exactly one range; checked by brute
// force on short texts, by the boundaries between ranges on long ones.
void over_pokryti(const std::vector<Rozsah> &r, long long delka_in, int delka_f)
{
    for (size_t i = 0; i + 1 < r.size(); i++)
        if ((long long)r[i].kam - r[i + 1].odkud + 1 != delka_f - 1)
            abort();
    if (delka_in > 4096)
        return;
    for (long long p = 0; p + delka_f <= delka_in; p++) {
        int v_kolika = 0;
        for (const Rozsah &rozsah : r)
            v_kolika += p >= rozsah.odkud && p + delka_f - 1 <= rozsah.kam;
        if (v_kolika != 1)
            abort();
    }
}

// farmer's plan: no worker for a text shorter than the pattern, the asked count lowered only
// to the largest sensible one, and ranges that cover the text.
void over_plan(int delka_in, int delka_f, int pozadano)
{
    PlanHledani plan = planuj_hledani(delka_in, delka_f, pozadano);
    if (delka_f > delka_in) {
        if (plan.num_workers != 0 || !plan.rozsahy.empty())
            abort();
        return;
    }
    const int num = num_workers_max(delka_in, delka_f);
    if (plan.snizeno != (pozadano > num) || plan.num_workers != std::min(pozadano, num))
        abort();
    const std::vector<Rozsah> &r = plan.rozsahy;
    if ((int)r.size() != plan.num_workers || r.front().odkud != 0 ||
        r.back().kam != delka_in - 1)
        abort();
    for (const Rozsah &rozsah : r)
        if (rozsah.odkud < 0 || rozsah.kam >= delka_in ||
            (long long)rozsah.kam - rozsah.odkud + 1 < delka_f)
            abort();
    over_pokryti(r, delka_in, delka_f);
}

}  // namespace

// Input: four bytes of text length, the count argument up to a NUL, then standard input.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    uint32_t surova_delka;
    memcpy(&surova_delka, data, 4);
    int delka_in = (int)(surova_delka & INT_MAX);
    const char *zbytek = reinterpret_cast<const char *>(data) + 4;
    size_t zbyva = size - 4;
    const char *nul = static_cast<const char *>(memchr(zbytek, 0, zbyva));
    std::string argument(zbytek, nul ? nul - zbytek : zbyva);
    std::string vstup = nul ? std::string(nul + 1, zbytek + zbyva) : std::string();

    int num_workers = 0;
    // farmer would start that many tasks; a layout of millions is no use to check here.
    if (!cti_cislo(argument.c_str(), num_workers) || num_workers < 1 || num_workers > 1 << 16)
        return 0;
    std::string f_str;
    // fmemopen wants a buffer of at least one byte; no input reads no word.
    FILE *fr = vstup.empty() ? nullptr : fmemopen(vstup.data(), vstup.size(), "r");
    bool slovo = fr != nullptr && cti_slovo(fr, f_str);
    if (fr != nullptr)
        fclose(fr);
    std::string chyba;
    if (!slovo || !lze_hledat(f_str, &chyba))
        return 0;
    over_plan(delka_in, (int)f_str.size(), num_workers);
    return 0;
}

// SPDX-License-Identifier: MIT
// Range layout of the substring search.
#include "search/text/rozsahy.h"

int num_workers_max(int delka_in, int delka_f) { return delka_in / delka_f; }

std::vector<Rozsah> rozloz_text(int delka_in, int delka_f, int num_workers)
{
    const int delka = delka_in / num_workers;
    std::vector<Rozsah> rozsahy;
    // The stride is one shorter than the chunk; together with the delka_f - 2 characters
    // added at the end, a range's last possible occurrence starts just before the next range.
    for (int i = 0; i < num_workers; i++) {
        int odkud = i * (delka - 1);
        int kam = i + 1 < num_workers ? odkud + delka + delka_f - 3 : delka_in - 1;
        rozsahy.push_back({odkud, kam});
    }
    return rozsahy;
}

size_t vyskytu_nejvys(const Rozsah &rozsah, int delka_f)
{
    const long long mist = static_cast<long long>(rozsah.kam) - rozsah.odkud + 2 - delka_f;
    return mist > 0 ? static_cast<size_t>(mist) : 0;
}

bool pozice_v_rozsahu(const Rozsah &rozsah, int delka_f, const int *pozice, size_t n)
{
    const long long posledni = static_cast<long long>(rozsah.kam) - delka_f + 1;
    for (size_t i = 0; i < n; i++)
        if (pozice[i] < rozsah.odkud || pozice[i] > posledni)
            return false;
    return true;
}

PlanHledani planuj_hledani(int delka_in, int delka_f, int pozadano)
{
    PlanHledani plan;
    if (delka_f > delka_in)
        return plan;
    const int num = num_workers_max(delka_in, delka_f);
    plan.num_workers = pozadano;
    if (pozadano > num) {
        plan.num_workers = num;
        plan.snizeno = true;
    }
    plan.rozsahy = rozloz_text(delka_in, delka_f, plan.num_workers);
    return plan;
}

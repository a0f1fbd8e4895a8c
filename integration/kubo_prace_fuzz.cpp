// SPDX-License-Identifier: MIT
// Fuzz target: kubo-main's seven arguments. Arbitrary strings must end either in a message
// or in arguments that are wholly numbers and parameters with which the run is finite: workers within the table, a unit size of at
// least one percent, a finite step that moves every coordinate, a finite cell volume, and a
// plan of at most 100 slabs that reaches the full x edge.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "integration/kubo_prace.h"

// The input's NUL-separated pieces, as many argument strings as given (missing ones empty).
static std::vector<std::string> argumenty(const uint8_t *data, size_t size)
{
    std::vector<std::string> kusy(1);
    for (size_t i = 0; i < size && kusy.size() <= 7; i++) {
        if (data[i] == 0)
            kusy.emplace_back();
        else
            kusy.back().push_back((char)data[i]);
    }
    kusy.resize(7);
    return kusy;
}

// An accepted argument is wholly a number: never empty, no decimal comma, nothing after it.
static void over_cisla(const std::vector<std::string> &kusy)
{
    for (const std::string &kus : kusy)
        if (kus.empty() || kus.find(',') != std::string::npos ||
            isspace((unsigned char)kus.back()))
            abort();
}

static void over_konecnost(const ParametryBehu &p)
{
    if (p.pocet_delniku < 1 || p.pocet_delniku > MAX_DELNIKU || p.velikost_prace < 1 ||
        !(p.d > 0) || !std::isfinite(p.d * p.d * p.d))
        abort();
    for (double hrana : {p.kvadr.x, p.kvadr.y, p.kvadr.z})
        if (hrana > 0 && !(hrana + p.d > hrana))
            abort();
    const std::vector<Vrstva> &plan = p.plan;
    if (plan.empty() || plan.size() > 100)
        abort();
    // Bit-exact: the last slab ends at the edge itself, NaN edges included.
    const Jednotka &posledni = plan.back().box;
    if (!(posledni.xdo == p.kvadr.x || (std::isnan(posledni.xdo) && std::isnan(p.kvadr.x))))
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<std::string> kusy = argumenty(data, size);
    const char *argv[7];
    for (int i = 0; i < 7; i++)
        argv[i] = kusy[i].c_str();
    ParametryBehu p;
    std::string chyba;
    if (nacti_parametry(argv, p, chyba)) {
        over_cisla(kusy);
        over_konecnost(p);
    }
    else if (chyba.empty() || chyba.find('\n') != std::string::npos)
        abort();
    return 0;
}

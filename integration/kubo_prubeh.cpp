// SPDX-License-Identifier: MIT
// kubo-main's progress line on a terminal, redrawn in place with a carriage return.
#include "integration/kubo_prubeh.h"

#include <algorithm>
#include <cmath>

#include "common/text.h"
#include "integration/kubo_prace.h"

// A length of time as the line gives it, rounded once: "12 s", "1 min 08 s", "2 h 05 min".
static std::string delka(double s)
{
    double t = std::isfinite(s) && s > 0 ? std::min(s, 1e15) : 0;
    if (t < 59.5)
        return naformatuj("%ld s", std::lround(t));
    if (t < 3599.5) {
        long sekund = std::lround(t);
        return naformatuj("%ld min %02ld s", sekund / 60, sekund % 60);
    }
    long minut = std::lround(t / 60);
    return naformatuj("%ld h %02ld min", minut / 60, minut % 60);
}

std::string text_prubehu(int hotovo, int vse, double uplynulo_s)
{
    std::string text =
        naformatuj("Hotovo %d/%d vrstev, uplynulo %s", hotovo, vse, delka(uplynulo_s).c_str());
    if (hotovo > 0 && hotovo < vse)
        text += ", zbyva asi " + delka(uplynulo_s / hotovo * (vse - hotovo));
    return text;
}

// Everything goes out in one write, so that the line is never seen half drawn.
static void zapis(FILE *kam, const std::string &bajty)
{
    fputs(bajty.c_str(), kam);
    fflush(kam);
}

void ukaz_prubeh(RadekPrubehu &r, const std::string &text)
{
    if (r.kam == nullptr || (r.sirka > 0 && text == r.text))
        return;
    // Spaces blank what a longer text before left on the line.
    zapis(r.kam, "\r" + text + std::string(r.sirka - std::min(r.sirka, text.size()), ' '));
    r.sirka = std::max(r.sirka, text.size());
    r.text = text;
}

void skryj_prubeh(RadekPrubehu &r)
{
    if (r.kam == nullptr || r.sirka == 0)
        return;
    zapis(r.kam, "\r" + std::string(r.sirka, ' ') + "\r");
    r.sirka = 0;
    r.text.clear();
}

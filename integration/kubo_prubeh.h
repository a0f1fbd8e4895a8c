// SPDX-License-Identifier: MIT
// kubo-main's progress line on a terminal: the slabs done, the time so far and an estimate
// of the rest, kept on the terminal's last line while the master waits and blanked before
// any other line is printed.
#pragma once

#include <cstdio>
#include <string>

// "Hotovo 3/20 vrstev, uplynulo 12 s, zbyva asi 1 min 08 s": slabs done of all, the time
// since the start, and the rest estimated from the pace so far (left out before the first
// slab is done and after the last). Times are rounded to whole seconds, past an hour to
// minutes.
std::string text_prubehu(int hotovo, int vse, double uplynulo_s);

// The progress line as the terminal shows it.
struct RadekPrubehu {
    FILE *kam = nullptr;  // the terminal; null when there is none, and nothing is ever shown
    size_t sirka = 0;     // columns the line takes on the terminal now, 0 when none is shown
    std::string text;     // what it shows
};

// Shows text on the line, in place of what it showed; writes nothing when it shows that text
// already.
void ukaz_prubeh(RadekPrubehu &r, const std::string &text);

// Blanks the line and leaves the cursor at its start, so that the next line printed starts
// on a clean line; writes nothing when no line is shown.
void skryj_prubeh(RadekPrubehu &r);

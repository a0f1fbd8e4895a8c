// SPDX-License-Identifier: MIT
// vystup_uloh: a spawned task's output cut into whole lines tagged with the task's identifier.
#pragma once

#include <cstddef>
#include <string>

// The longest line kept whole; a longer one goes out in pieces of this size as it comes, so
// that a task writing without line ends cannot fill the memory.
const size_t NEJDELSI_RADEK = 64 * 1024;

// Output of one task that has not yet ended in a line end.
struct Rozpracovany_vystup {
    int tid = 0;
    std::string zbytek;
    bool pokracovani = false;  // zbytek continues a line whose start has gone out already
};

// Appends the n bytes of data to the task's output and returns every line it completes,
// each as "[t<tid in hex>] <line>\n"; the unfinished rest waits in vystup.zbytek. A line over
// NEJDELSI_RADEK bytes comes out cut: its first piece tagged as a line, each further piece
// "[t<tid in hex>+] <piece>\n".
std::string oznac_radky(Rozpracovany_vystup &vystup, const char *data, size_t n);

// The unfinished rest as a last tagged line (with a line end added), or "" when there is none.
std::string dokonci_radky(Rozpracovany_vystup &vystup);

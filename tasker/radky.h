// radky: a spawned task's output cut into whole lines, each tagged with the task's identifier.
#pragma once

#include <cstddef>
#include <string>

// Output of one task that has not yet ended in a line end.
struct Rozpracovany_vystup {
    int tid = 0;
    std::string zbytek;
};

// Appends the n bytes of data to the task's output and returns every line it completes,
// each as "[t<tid in hex>] <line>\n"; the unfinished rest waits in vystup.zbytek.
std::string oznac_radky(Rozpracovany_vystup &vystup, const char *data, size_t n);

// The unfinished rest as a last tagged line (with a line end added), or "" when there is none.
std::string dokonci_radky(Rozpracovany_vystup &vystup);

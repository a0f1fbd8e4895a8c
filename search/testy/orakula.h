// SPDX-License-Identifier: MIT
// Test oracles of the search, written the plain way for tests and fuzz targets to compare
// against: the line join and a naive search.
#pragma once

#include <string>
#include <vector>

// The joined text of a file's bytes: every LF left out, and a CR right before one or at the
// very end.
inline std::string spoj_pomalu(const std::string &obsah)
{
    std::string text;
    for (size_t i = 0; i < obsah.size(); i++) {
        bool cr_konci_radek = obsah[i] == '\r' && (i + 1 == obsah.size() || obsah[i + 1] == '\n');
        if (obsah[i] != '\n' && !cr_konci_radek)
            text += obsah[i];
    }
    return text;
}

// Every start p of vzor in text, overlapping ones included, with odkud <= p and the whole
// occurrence at or before kam.
inline std::vector<int> naivne(const std::string &text, const std::string &vzor, size_t odkud,
                               size_t kam)
{
    std::vector<int> pozice;
    for (size_t p = odkud; p + vzor.size() <= kam + 1 && p + vzor.size() <= text.size(); p++)
        if (text.compare(p, vzor.size(), vzor) == 0)
            pozice.push_back(static_cast<int>(p));
    return pozice;
}

// SPDX-License-Identifier: MIT
// Line ends of raw text: which bytes the joined text leaves out, counted block by block.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// 1 when a byte followed by dalsi is left out of the joined text: an LF, or a CR before one.
inline unsigned char vynechany(unsigned char znak, unsigned char dalsi)
{
    return (znak == '\n') | ((znak == '\r') & (dalsi == '\n'));
}

// Bytes of blok[0..delka) the joined text leaves out: every LF, and a CR right before one,
// counted with its LF; predchozi is the byte before blok (0 at the start of the file).
size_t vynechane_znaky(const char *blok, size_t delka, char predchozi);

// Running count of the raw bytes of a file fed to it in order.
struct Pocet {
    size_t surovych = 0;     // bytes so far
    size_t vynechanych = 0;  // of them left out, as vynechane_znaky counts them
    char posledni = 0;       // the last byte so far (0 before the first)
};

// Adds the next raw block, of which vynechane_znaky gave vynechanych.
void pricti_blok(Pocet &pocet, const char *blok, size_t delka, size_t vynechanych);

// Adds to pocet the next stretch of delka raw bytes (not 0), of which vynechanych are left out
// and whose last byte is posledni; first, when body is given, records pocet as the point where
// the stretch starts. A point stands for the count up to the next one: a run of line ends that
// adds few characters moves the last point on instead of adding one, so there are never more
// points than the text has characters per rozestup / 16.
void pridej_usek(Pocet &pocet, std::vector<Pocet> *body, size_t rozestup, size_t delka,
                 size_t vynechanych, char posledni);

// Joined characters that the bytes so far settle: a CR at their end waits for the next byte,
// and at the end of the file it is left out, so this is the joined text's length there.
size_t delka_spojeni(const Pocet &pocet);

// The count as a worker's fifth argument: "raw bytes:left out:1 or 0 (the last byte a CR)".
std::string zapis_pocet(const Pocet &pocet);

// Reads what zapis_pocet wrote into pocet; false when text is not such a count.
bool cti_pocet(const char *text, Pocet &pocet);

// The last of body (ascending, as count_joined keeps them) whose joined length is at most
// index: where reading may start for a range that starts at index. The empty count (byte 0)
// when there is none.
Pocet bod_pred(const std::vector<Pocet> &body, size_t index);

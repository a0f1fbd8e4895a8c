// SPDX-License-Identifier: MIT
// hlp: file, text and allocation helpers of the substring search; each ends the process on failure.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "konce_radku.h"

// Opens name in mode mod; on failure prints "fopen: ..." on stderr and exits with status 1.
FILE *open_f(const char *name, const char *mod);

// Closes file; on failure prints "fclose: ..." on stderr and exits with status 1.
void close_f(FILE *file);

// Receives a run of bytes; returns false to stop reading.
using Prijemce = std::function<bool(const char *kus, size_t delka)>;

// Bytes read or mapped at a time; only tests choose another size.
const size_t VELIKOST_BLOKU = 4 << 20;

// Streams the raw bytes of fr, open at its start, from byte od on to prijemce in blocks of
// velikost_bloku (mapped from a regular file, read from anything else); on a read error, or a
// file cut short while it is mapped, prints "fread: ..." and exits 1.
void read_blocks(FILE *fr, const Prijemce &prijemce, size_t velikost_bloku = VELIKOST_BLOKU,
                 off_t od = 0);

// Streams fr's text with its lines joined (LF, and a CR before an LF or at the very end, left
// out; NUL bytes kept) to prijemce in runs; read errors as in read_blocks.
void read_joined(FILE *fr, const Prijemce &prijemce, size_t velikost_bloku = VELIKOST_BLOKU);

// Length of fr's joined text, counted without building it, in memory of one block.
size_t joined_length(FILE *fr, size_t velikost_bloku = VELIKOST_BLOKU);

// Raw bytes between two points of the count that count_joined keeps.
const size_t ROZESTUP_BODU = 64 << 10;

// As joined_length, but stops once the length passes nejvic (the result is then above it, and
// not the whole length); when body is given, appends to it the state of the count at raw
// byte 0 and about every rozestup bytes after, ascending (only tests choose rozestup).
size_t count_joined(FILE *fr, size_t nejvic, std::vector<Pocet> *body,
                    size_t rozestup = ROZESTUP_BODU, size_t velikost_bloku = VELIKOST_BLOKU);

// The whole text of fr with its lines joined; out of memory prints "Malo pameti!" and exits 1.
std::string read_file(FILE *fr);

// An uninitialised heap block of delka bytes, released with free; exits 1 when none is left.
char *aloc_string(int delka);

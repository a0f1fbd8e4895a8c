// hlp: file, text and allocation helpers of the substring search; each ends the process on failure.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

// Opens name in mode mod; on failure prints "fopen: ..." on stderr and exits with status 1.
FILE *open_f(const char *name, const char *mod);

// Closes file; on failure prints "fclose: ..." on stderr and exits with status 1.
void close_f(FILE *file);

// Receives one run of joined text; returns false to stop reading.
using Prijemce = std::function<bool(const char *kus, size_t delka)>;

// Streams fr's text with its lines joined (LF, and a CR before an LF or at the very end, left
// out; NUL bytes kept) to prijemce in runs; on a read error prints "fread: ..." and exits 1.
// velikost_bloku is the read size; only tests choose another one.
void read_joined(FILE *fr, const Prijemce &prijemce, size_t velikost_bloku = 1 << 18);

// The whole text of fr with its lines joined; out of memory prints "Malo pameti!" and exits 1.
std::string read_file(FILE *fr);

// An uninitialised heap block of delka bytes, released with free; exits 1 when none is left.
char *aloc_string(int delka);

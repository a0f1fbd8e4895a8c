// SPDX-License-Identifier: MIT
// hlp: the search's four file, text and allocation helpers; each ends the process on failure,
// so their callers never test a result. No program links them: farmer and worker read through
// search/text/cteni.h, whose failures come back to their main, which alone may end the run.
// They are kept as the helper module with the classic contract, over that same reader: a
// reference a reader of the search can hold the programs against, held to its contract by
// hlp_test.cpp, and the entry of the fuzz target hlp_fuzz.cpp.
#pragma once

#include <cstdio>
#include <string>

// Opens name in mode mod; on failure prints "fopen: ..." on stderr and exits with status 1.
FILE *open_f(const char *name, const char *mod);

// Closes file; on failure prints "fclose: ..." on stderr and exits with status 1.
void close_f(FILE *file);

// The whole text of fr, open at its start, with its lines joined (see cti_spojene); a read
// error prints "fread: ..." on stderr, out of memory "Malo pameti!" on stdout, each exiting 1.
std::string read_file(FILE *fr);

// An uninitialised heap block of delka bytes, released with free; exits 1 when none is left.
char *aloc_string(int delka);

// SPDX-License-Identifier: MIT
// Reading the text file of the search: opening and closing it, its raw bytes streamed in
// blocks, its text with the lines joined, and the count of that text. Every failure comes back
// as false with the message in err ("fopen: ...", "fclose: ...", "fread: ...", as farmer and
// worker print it); nothing here ends the process.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "search/text/konce_radku.h"

// The message of a read error.
extern const char *const CHYBA_CTENI;

// Opens jmeno in mode mod into soubor.
bool otevri_soubor(const char *jmeno, const char *mod, FILE *&soubor, std::string *err);

// Closes soubor; false when the close reports a failure (the stream is gone all the same).
bool zavri_soubor(FILE *soubor, std::string *err);

// The absolute path of jmeno, with no link or dot left in it, into cesta: the workers may
// start in another folder, on another host. False, with the message, when it cannot be made
// (a path longer than PATH_MAX, a folder on the way that may not be read).
bool absolutni_cesta(const char *jmeno, std::string &cesta, std::string *err);

// Reads an open file; false, with err, when it cannot.
using CteniSouboru = std::function<bool(FILE *fr, std::string *err)>;

// Opens jmeno for reading, reads it with cteni and closes it; false with the message of the
// first of the three that fails.
bool cti_soubor(const char *jmeno, const CteniSouboru &cteni, std::string *err);

// Receives a run of bytes; returns false to stop reading. The bytes of a regular file are
// mapped, and a file cut short under them ends the read with a jump out of the receiver
// (mapovani.h): it reads them with nothing alive that has a destructor, and writes only into
// room made before.
using Prijemce = std::function<bool(const char *kus, size_t delka)>;

// Bytes read or mapped at a time; only tests and the worker choose another size.
const size_t VELIKOST_BLOKU = 4 << 20;

// Streams the raw bytes of fr, open at its start, from byte od on to prijemce in blocks of
// velikost_bloku (mapped from a regular file, read from anything else). False on a read
// error, or a file cut short while it is mapped.
bool cti_bloky(FILE *fr, const Prijemce &prijemce, size_t velikost_bloku, off_t od,
               std::string *err);

// Streams fr's text with its lines joined (LF, and a CR before an LF or at the very end, left
// out; NUL bytes kept) to prijemce in runs; read errors as in cti_bloky.
bool cti_spojene(FILE *fr, const Prijemce &prijemce, size_t velikost_bloku, std::string *err);

// Raw bytes between two points of the count that spocti_spojene keeps.
const size_t ROZESTUP_BODU = 64 << 10;

// Length of fr's joined text into delka_textu, counted without building it, in memory of one
// block. Stops once the length passes nejvic (delka_textu is then above it, and not the whole
// length); when body is given, appends to it the state of the count at raw byte 0 and about
// every rozestup bytes after, ascending. Read errors as in cti_bloky.
bool spocti_spojene(FILE *fr, size_t nejvic, std::vector<Pocet> *body, size_t rozestup,
                    size_t velikost_bloku, size_t &delka_textu, std::string *err);

// As spocti_spojene, going on from pocet, the count of fr's first pocet.surovych raw bytes,
// with pocet at the end; blocks start at that byte.
bool spocti_spojene_od(FILE *fr, Pocet &pocet, size_t nejvic, std::vector<Pocet> *body,
                       size_t rozestup, size_t velikost_bloku, std::string *err);

// The whole text of fr with its lines joined into text. Out of memory throws std::bad_alloc.
bool cti_text(FILE *fr, std::string &text, std::string *err);

// SPDX-License-Identifier: MIT
// The report file: written as a temporary file beside it and put in its place only whole, so
// that no run truncates a report early or leaves a half-written one.
#pragma once

#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <string>

struct SouborZpravy {
    const char *jmeno = nullptr;  // the report's name in the current folder
    char docasny[64] = {};        // the temporary file's name, once it is made
    FILE *fw = nullptr;           // where the report is written
    bool stary = false;           // a file of that name was there at the start ...
    struct stat stary_udaje {};   // ... and this is what it was
    volatile sig_atomic_t hotovo = 0;  // the report is in its place
};

// Checks that jmeno is a regular file that may be written, a symbolic link to one, or
// nothing, and makes the temporary file in the current folder (which proves the folder
// writable). False, with the message, when the report could not be written there.
bool priprav_zpravu(const char *jmeno, SouborZpravy &zprava, std::string *err);

// Closes the written report and puts it in place of jmeno. False when it could not be
// written whole or put there; the clean-up then removes what is left.
bool dokonci_zpravu(SouborZpravy &zprava);

// For a run that has not put its report in place: removes its temporary file, and the old
// report seen at the start if that very file is still there (so a report another run has
// written meanwhile stays). Uses only async-signal-safe calls.
void uklid_zpravu(const SouborZpravy &zprava);

// SPDX-License-Identifier: MIT
// Standard streams of every program: a closed descriptor must not be taken over by another
// file, and a report that could not be written must not pass for a completed one.
#pragma once

// Holds each of the descriptors 0-2 that was closed on /dev/null, opened for reading only.
// A file opened later (libpvm's socket, a report) then cannot take its number and catch the
// lines meant for the terminal, and writing to it still fails, as it did while it was closed.
// Also turns a closed pipe into a failed write (EPIPE) instead of a silent death by SIGPIPE,
// so that a program can clean up, stop its workers and end with status 1.
void hlidej_standardni_proudy();

// True when everything printed on standard output has been written.
bool vystup_zapsan();

// SPDX-License-Identifier: MIT
// Checks of what the user gives the search programs: numbers in arguments, a word on input.
#pragma once

#include <cstdio>
#include <string>

// Reads text as a whole decimal int into hodnota; false when it is not one (or out of range).
bool cti_cislo(const char *text, int &hodnota);

// Reads the next white-space-delimited word of any length from vstup into slovo; false when
// the input ends before a word starts.
bool cti_slovo(FILE *vstup, std::string &slovo);

// Longest pattern a worker can be handed: the kernel refuses a program argument of 32 pages
// (131072 bytes with its NUL) or more, and PVM's spawn then fails without a word.
const size_t NEJDELSI_VZOR = 131071;

// Whether farmer can search for the pattern f_str; false, with err, when it is shorter than 2
// characters, holds a NUL or is longer than NEJDELSI_VZOR. err is the text as farmer prints
// it, line end included: the one on too short a pattern has none.
bool lze_hledat(const std::string &f_str, std::string *err);

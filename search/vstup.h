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

// Why farmer cannot search for the pattern f_str, as the text it prints (shorter than 2
// characters, holding a NUL, longer than NEJDELSI_VZOR), or empty when it can.
std::string chyba_vzoru(const std::string &f_str);

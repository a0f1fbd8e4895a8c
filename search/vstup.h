// Checks of what the user gives the search programs: numbers in arguments, a word on input.
#pragma once

#include <cstdio>
#include <string>

// Reads text as a whole decimal int into hodnota; false when it is not one (or out of range).
bool cti_cislo(const char *text, int &hodnota);

// Reads the next white-space-delimited word of any length from vstup into slovo; false when
// the input ends before a word starts.
bool cti_slovo(FILE *vstup, std::string &slovo);

// Why farmer cannot search for the pattern f_str, as the line it prints (shorter than 2
// characters, or holding a NUL), or nullptr when it can.
const char *chyba_vzoru(const std::string &f_str);

// SPDX-License-Identifier: MIT
// farmer's report: the total and the positions, on standard output and in the report file.
#pragma once

#include <string>

#include "search/farmer/odklad.h"
#include "search/farmer/soubor_zpravy.h"

// Prints the report of the search for f_str in soubor and writes it to zprava, which it puts
// in its place; false, with the message, when the positions cannot be read back or the file
// could not be written whole (the clean-up then removes it).
bool vypis_zpravu(const std::string &f_str, const char *soubor, const Odklad &odklad,
                  SouborZpravy &zprava, std::string *err);

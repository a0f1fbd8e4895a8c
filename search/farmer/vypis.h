// SPDX-License-Identifier: MIT
// farmer's report: the total and the positions, on standard output and in the report file.
#pragma once

#include <string>

#include "search/farmer/beh_farmera.h"

// Prints the report of b's search (the pattern, the file as named, the positions stored) and
// writes it to b.zprava, which it puts in its place; false, with the message, when the
// positions cannot be read back or the file could not be written whole (the clean-up then
// removes it).
bool vypis_zpravu(BehFarmera &b, std::string *err);

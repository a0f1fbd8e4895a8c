// SPDX-License-Identifier: MIT
// Numbers read from what a user types and lines formatted as printf would: the parsing and
// formatting every program shares, without PVM.
#pragma once

#include <string>

// Reads text, wholly a decimal whole number (blanks before it allowed, as strtol allows them),
// into hodnota; one beyond long's range reads as the nearest long. False when text is not
// wholly a whole number (empty, a sign alone, junk after the digits).
bool cti_cele_cislo(const char *text, long &hodnota);

// Reads text, wholly a real number as strtod reads one (blanks before it allowed), into
// hodnota. False when text is not wholly a number.
bool cti_realne_cislo(const char *text, double &hodnota);

// The text that printf would print for format and the values, up to 255 characters.
std::string naformatuj(const char *format, ...) __attribute__((format(printf, 1, 2)));

// SPDX-License-Identifier: MIT
// Numbers read from what a user types, and printf into a string.
#include "common/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

bool cti_cele_cislo(const char *text, long &hodnota)
{
    char *konec = nullptr;
    hodnota = strtol(text, &konec, 10);
    return konec != text && *konec == '\0';
}

bool cti_realne_cislo(const char *text, double &hodnota)
{
    char *konec = nullptr;
    hodnota = strtod(text, &konec);
    return konec != text && *konec == '\0';
}

std::string naformatuj(const char *format, ...)
{
    char radek[256];
    va_list argumenty;
    va_start(argumenty, format);
    vsnprintf(radek, sizeof radek, format, argumenty);
    va_end(argumenty);
    return radek;
}

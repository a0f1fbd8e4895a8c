// SPDX-License-Identifier: MIT
// Checks of what the user gives the search programs.
#include "search/text/vstup.h"

#include <cctype>
#include <climits>
#include <cstdio>

#include "common/text.h"

bool cti_cislo(const char *text, int &hodnota)
{
    long cislo;
    if (!cti_cele_cislo(text, cislo) || cislo < INT_MIN || cislo > INT_MAX)
        return false;
    hodnota = static_cast<int>(cislo);
    return true;
}

bool cti_slovo(FILE *vstup, std::string &slovo)
{
    int znak;
    while ((znak = getc(vstup)) != EOF && isspace(znak)) {
    }
    if (znak == EOF)
        return false;
    slovo.clear();
    do {
        slovo.push_back(static_cast<char>(znak));
    } while ((znak = getc(vstup)) != EOF && !isspace(znak));
    return true;
}

bool lze_hledat(const std::string &f_str, std::string *err)
{
    if (f_str.size() < 2) {
        *err = "Spatne zadany retezec (velikost min. 2 znaky)!";
        return false;
    }
    // A NUL would cut the pattern short on its way to the workers and in the report.
    if (f_str.find('\0') != std::string::npos) {
        *err = "Hledany retezec nesmi obsahovat znak NUL!\n";
        return false;
    }
    if (f_str.size() > NEJDELSI_VZOR) {
        char zprava[160];
        snprintf(zprava, sizeof zprava,
                 "Hledany retezec je prilis dlouhy (%zu znaku), workerum lze predat nejvys %zu!\n",
                 f_str.size(), NEJDELSI_VZOR);
        *err = zprava;
        return false;
    }
    return true;
}

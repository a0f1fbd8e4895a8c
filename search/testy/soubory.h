// SPDX-License-Identifier: MIT
// Files of the search's unit tests: bytes in a temporary file, and its text read back joined.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "search/text/cteni.h"

// A temporary file holding obsah, open for reading at its start; gone once closed.
inline FILE *soubor_s(const std::string &obsah)
{
    FILE *f = tmpfile();
    fwrite(obsah.data(), 1, obsah.size(), f);
    rewind(f);
    return f;
}

// The joined text of all of f, as the reader builds it.
inline std::string text_z(FILE *f)
{
    std::string text, chyba;
    rewind(f);
    EXPECT_TRUE(cti_text(f, text, &chyba)) << chyba;
    return text;
}

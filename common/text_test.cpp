// SPDX-License-Identifier: MIT
// The shared number readers, one case a line, and the formatting helper.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <random>

#include "common/text.h"

struct Pripad {
    const char *text;
    bool cislo;
    const char *proc;
};

TEST(CeleCislo, PrijmeJenCeleCisloBezZbytku)
{
    const Pripad pripady[] = {
        {"5", true, "a digit is a number"},
        {"-12", true, "a sign belongs to the number"},
        {"+7", true, "so does a plus"},
        {"  42", true, "blanks before it are skipped"},
        {"", false, "an empty argument is no number"},
        {"-", false, "a sign alone is no number"},
        {"5abc", false, "junk after the digits makes it no number"},
        {"1e2", false, "an exponent is no part of a whole number"},
        {"2.5", false, "a decimal point is no part of a whole number"},
        {"20,5", false, "nor is a decimal comma"},
        {"42 ", false, "blanks after it are junk too"},
        {"0x10", false, "only decimal digits count"},
    };
    for (const Pripad &p : pripady) {
        long hodnota = 0;
        EXPECT_EQ(cti_cele_cislo(p.text, hodnota), p.cislo) << '"' << p.text << "\": " << p.proc;
    }
}

TEST(CeleCislo, KazdeCisloTamAZpetASouseneMezeMimoRozsahDoKraje)
{
    std::mt19937_64 nahoda(25);
    for (int i = 0; i < 20000; i++) {
        long cislo = static_cast<long>(nahoda()) >> (nahoda() % 64);
        char text[32];
        snprintf(text, sizeof text, "%ld", cislo);
        long hodnota = 0;
        ASSERT_TRUE(cti_cele_cislo(text, hodnota)) << text;
        ASSERT_EQ(hodnota, cislo) << text;
    }
    long hodnota = 0;
    ASSERT_TRUE(cti_cele_cislo("99999999999999999999999", hodnota));
    EXPECT_EQ(hodnota, LONG_MAX);
    ASSERT_TRUE(cti_cele_cislo("-99999999999999999999999", hodnota));
    EXPECT_EQ(hodnota, LONG_MIN);
}

TEST(RealneCislo, PrijmeJenCeleRealneCislo)
{
    const Pripad pripady[] = {
        {"0.005", true, "a decimal point"},
        {"1e-6", true, "an exponent"},
        {" 20", true, "blanks before it are skipped"},
        {"inf", true, "strtod reads infinity; the caller judges it"},
        {"20,5", false, "a decimal comma leaves junk"},
        {"3abc", false, "junk after the number"},
        {"", false, "an empty argument"},
        {".", false, "a point alone"},
    };
    for (const Pripad &p : pripady) {
        double hodnota = 0;
        EXPECT_EQ(cti_realne_cislo(p.text, hodnota), p.cislo) << '"' << p.text << "\": " << p.proc;
    }
}

TEST(Naformatuj, JakoPrintfAzDo255Znaku)
{
    EXPECT_EQ(naformatuj("Delnik %d: %6.10f\n", 262146, 0.5), "Delnik 262146: 0.5000000000\n");
    EXPECT_EQ(naformatuj("%s", std::string(300, 'x').c_str()), std::string(255, 'x'));
}

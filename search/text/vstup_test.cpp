// SPDX-License-Identifier: MIT
// Tests of the checks of numbers in arguments and of the pattern word on input.
#include "search/text/vstup.h"

#include <gtest/gtest.h>

namespace {

TEST(CtiCislo, BereJenCeleCisloVRozsahuInt)
{
    int hodnota = 0;
    EXPECT_TRUE(cti_cislo("5", hodnota) && hodnota == 5);
    EXPECT_TRUE(cti_cislo("2147483647", hodnota) && hodnota == 2147483647);
    EXPECT_TRUE(cti_cislo("-3", hodnota) && hodnota == -3);
    for (const char *spatne : {"", "abc", "5x", "2.5", "2147483648", "-2147483649", "0x10"})
        EXPECT_FALSE(cti_cislo(spatne, hodnota)) << spatne;
}

std::vector<std::string> slova(const std::string &vstup)
{
    FILE *f = tmpfile();
    fwrite(vstup.data(), 1, vstup.size(), f);
    rewind(f);
    std::vector<std::string> vysledek;
    std::string slovo;
    while (cti_slovo(f, slovo))
        vysledek.push_back(slovo);
    fclose(f);
    return vysledek;
}

TEST(CtiSlovo, CteSlovaLibovolneDelkyMeziMezerami)
{
    EXPECT_EQ(slova(""), std::vector<std::string>{});
    EXPECT_EQ(slova(" \n\t\r\n"), std::vector<std::string>{});
    EXPECT_EQ(slova("  ab\tcd\r\nef"), (std::vector<std::string>{"ab", "cd", "ef"}));
    const std::string dlouhe(100000, 'z');
    EXPECT_EQ(slova(dlouhe + "\n"), std::vector<std::string>{dlouhe});
}

// The pattern's message, or "" when farmer can search for it.
std::string chyba_vzoru(const std::string &f_str)
{
    std::string chyba;
    return lze_hledat(f_str, &chyba) ? "" : chyba;
}

TEST(LzeHledat, OdmitneKratkyNulANejdelsiNezLzePredatWorkerum)
{
    EXPECT_EQ(chyba_vzoru("ab"), "");
    EXPECT_EQ(chyba_vzoru(std::string(NEJDELSI_VZOR, 'v')), "");
    EXPECT_EQ(chyba_vzoru("a"), "Spatne zadany retezec (velikost min. 2 znaky)!");
    EXPECT_EQ(chyba_vzoru(std::string("a\0b", 3)), "Hledany retezec nesmi obsahovat znak NUL!\n");
    EXPECT_EQ(chyba_vzoru(std::string(NEJDELSI_VZOR + 1, 'v')),
              "Hledany retezec je prilis dlouhy (131072 znaku), workerum lze predat nejvys "
              "131071!\n");
}

}  // namespace

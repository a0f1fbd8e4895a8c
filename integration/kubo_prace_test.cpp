// SPDX-License-Identifier: MIT
// Unit tests of the master's argument checks and slab plan.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "integration/kubo_prace.h"
#include "integration/jadro/kubo_jadro.h"

namespace {

struct Argumenty {
    const char *a[7];
};

bool nacti(Argumenty arg, ParametryBehu &p, std::string &chyba)
{
    return nacti_parametry(arg.a, p, chyba);
}

TEST(Parametry, PrikladZNapovedy)
{
    ParametryBehu p;
    std::string chyba;
    ASSERT_TRUE(nacti({{"20", "10", "1", "0.005", "1", "5", "5"}}, p, chyba)) << chyba;
    EXPECT_EQ(p.kvadr.x, 20.0);
    EXPECT_EQ(p.kvadr.y, 10.0);
    EXPECT_EQ(p.kvadr.z, 1.0);
    EXPECT_EQ(p.d, 0.005);
    EXPECT_EQ(p.druh_funkce, 1);
    EXPECT_EQ(p.pocet_delniku, 5);
    EXPECT_EQ(p.velikost_prace, 5);
}

// One argument as the user may type it: what the master reads from it, or the message that
// refuses it, and why, as a sentence.
struct ZapsaneCislo {
    const char *text;
    double hodnota;      // read, when zprava is null
    const char *zprava;  // the whole message refusing it, or null
    const char *proc;
};

void PrintTo(const ZapsaneCislo &c, std::ostream *os) { *os << '"' << c.text << "\": " << c.proc; }

// The example run with argument i replaced by text.
bool nacti_s_argumentem(int i, const char *text, ParametryBehu &p, std::string &chyba)
{
    Argumenty arg = {{"20", "10", "1", "0.5", "1", "5", "5"}};
    arg.a[i] = text;
    return nacti(arg, p, chyba);
}

const ZapsaneCislo ROZMERY_X[] = {
    {"20", 20, nullptr, "A whole number is a real number."},
    {"20.5", 20.5, nullptr, "A decimal point is the decimal mark."},
    {".5", 0.5, nullptr, "The whole part may be left out."},
    {"5.", 5, nullptr, "The decimal part may be left out."},
    {"+3", 3, nullptr, "A plus sign is allowed."},
    {"-0", 0, nullptr, "A negative zero is a number (an edge of no length)."},
    {"1e2", 100, nullptr, "An exponent is part of a real number."},
    {"2.5E-1", 0.25, nullptr, "The exponent's letter may be capital and its sign negative."},
    {"0x1p3", 8, nullptr, "A hexadecimal real is read as strtod reads it."},
    {" 7", 7, nullptr, "Blanks before the number are skipped, as strtod skips them."},
    {"1e-400", 0, nullptr, "A number too small for a double is still a number, read as 0."},
    {"20,5", 0,
     "Argument <x> \"20,5\" neni cislo: desetinnou cast oddelte teckou, ne carkou (20.5).",
     "A decimal comma is refused with the number written with a point."},
    {"1,2,5", 0, "Argument <x> \"1,2,5\" neni cislo: desetinnou cast oddelte teckou, ne carkou.",
     "Commas that no point would mend are refused with the advice alone."},
    {"20abc", 0, "Argument <x> \"20abc\" neni cislo.", "Letters after the number are refused."},
    {"5 ", 0, "Argument <x> \"5 \" neni cislo.", "A blank after the number is refused."},
    {"1e", 0, "Argument <x> \"1e\" neni cislo.", "An exponent without digits is refused."},
    {"1..2", 0, "Argument <x> \"1..2\" neni cislo.", "A second point is refused."},
    {"abc", 0, "Argument <x> \"abc\" neni cislo.", "A word is refused, not read as 0."},
    {"", 0, "Argument <x> \"\" neni cislo.", "An empty argument is refused, not read as 0."},
    {"--5", 0, "Argument <x> \"--5\" neni cislo.", "Two signs are refused."},
    {"2\n0", 0, "Argument <x> \"2?0\" neni cislo.",
     "A control character is refused and quoted as ?, so the message stays one line."},
    {"12345678901234567890123456789012345678901234567890x", 0,
     "Argument <x> \"1234567890123456789012345678901234567890...\" neni cislo.",
     "A long argument is quoted by its first 40 characters."},
};

TEST(Parametry, RozmerJeCisloBezZbytkuNeboJeOdmitnut)
{
    for (const ZapsaneCislo &c : ROZMERY_X) {
        ParametryBehu p;
        std::string chyba;
        bool prijato = nacti_s_argumentem(0, c.text, p, chyba);
        EXPECT_EQ(prijato, c.zprava == nullptr) << ::testing::PrintToString(c) << chyba;
        if (c.zprava == nullptr)
            EXPECT_EQ(p.kvadr.x, c.hodnota) << ::testing::PrintToString(c);
        else
            EXPECT_EQ(chyba, c.zprava) << ::testing::PrintToString(c);
    }
}

// Each real argument names itself; the step's comma gets the same advice.
TEST(Parametry, KazdyRealnyArgumentSeJmenuje)
{
    const char *nazvy[] = {"<x>", "<y>", "<z>", "<d>"};
    for (int i = 0; i < 4; i++) {
        ParametryBehu p;
        std::string chyba;
        EXPECT_FALSE(nacti_s_argumentem(i, "0,25", p, chyba));
        EXPECT_EQ(chyba, std::string("Argument ") + nazvy[i] +
                             " \"0,25\" neni cislo: desetinnou cast oddelte teckou, ne carkou (0.25).");
    }
}

const ZapsaneCislo CELA_CISLA[] = {
    {"5", 5, nullptr, "Digits alone are a whole number."},
    {"+5", 5, nullptr, "A plus sign is allowed, as %d allows it."},
    {"007", 7, nullptr, "Leading zeros are decimal, not octal."},
    {" 5", 5, nullptr, "Blanks before the number are skipped, as %d skips them."},
    {"99999999999", 2147483647, nullptr, "A whole number beyond int is read as the largest int."},
    {"5abc", 0, "neni cele cislo.", "Letters after the number are refused, not dropped."},
    {"1e2", 0, "neni cele cislo.", "An exponent makes no whole number, so 1e2 is not 1."},
    {"5.0", 0, "neni cele cislo.", "A decimal point makes no whole number."},
    {"5,0", 0, "neni cele cislo.", "A decimal comma makes no whole number."},
    {"0x10", 0, "neni cele cislo.", "A hexadecimal number is refused, not read as 0."},
    {"5 ", 0, "neni cele cislo.", "A blank after the number is refused."},
    {"", 0, "neni cele cislo.", "An empty argument is refused, not read as 0."},
    {"pet", 0, "neni cele cislo.", "A number in words is refused."},
};

// Density number, worker count and unit size are read alike; a refusal names the argument.
TEST(Parametry, CeleArgumentyJsouCelaCislaNeboJsouOdmitnuty)
{
    const char *nazvy[] = {"<c. funkce>", "<pocet vlaken>", "<velikost prace>"};
    for (int i = 0; i < 3; i++)
        for (const ZapsaneCislo &c : CELA_CISLA) {
            ParametryBehu p;
            std::string chyba;
            bool prijato = nacti_s_argumentem(4 + i, c.text, p, chyba);
            int precteno[] = {p.druh_funkce, p.pocet_delniku, p.velikost_prace};
            if (c.zprava != nullptr) {
                EXPECT_FALSE(prijato) << nazvy[i] << ::testing::PrintToString(c);
                EXPECT_EQ(chyba, std::string("Argument ") + nazvy[i] + " \"" + c.text + "\" " +
                                     c.zprava);
            } else if (prijato) {
                EXPECT_EQ(precteno[i], c.hodnota) << nazvy[i] << ::testing::PrintToString(c);
            } else {
                // Read, and then refused for its value: too many workers.
                EXPECT_EQ(i, 1) << ::testing::PrintToString(c) << chyba;
                EXPECT_EQ(chyba, "Pocet delniku musi byt cele cislo od 1 do 256.")
                    << nazvy[i] << ::testing::PrintToString(c);
            }
        }
}

TEST(Parametry, SpatneHodnotyMajiKazdaSvouZpravu)
{
    struct Pripad {
        Argumenty arg;
        const char *cast_zpravy;
    } pripady[] = {
        {{{"1", "1", "1", "0.1", "1", "0", "5"}}, "Pocet delniku musi byt cele cislo od 1 do 256."},
        {{{"1", "1", "1", "0.1", "1", "-3", "5"}}, "Pocet delniku"},
        {{{"1", "1", "1", "0.1", "1", "pet", "5"}}, "Argument <pocet vlaken> \"pet\" neni cele cislo."},
        {{{"1", "1", "1", "0.1", "1", "257", "5"}}, "Pocet delniku"},
        {{{"1", "1", "1", "0.1", "1", "99999999999", "5"}}, "Pocet delniku"},
        {{{"1", "1", "1", "0.1", "1", "2", "0"}}, "Velikost prace"},
        {{{"1", "1", "1", "0.1", "1", "2", "x"}}, "Argument <velikost prace> \"x\" neni cele cislo."},
        {{{"1", "1", "1", "0", "1", "2", "5"}}, "Integracni krok musi byt kladne cislo."},
        {{{"1", "1", "1", "-0.1", "1", "2", "5"}}, "Integracni krok"},
        {{{"1", "1", "1", "nan", "1", "2", "5"}}, "Integracni krok nan neni konecne cislo."},
        {{{"1", "1", "1", "inf", "1", "1", "1"}}, "Integracni krok inf neni konecne cislo."},
        {{{"1", "1", "1", "-inf", "1", "1", "1"}}, "Integracni krok -inf neni konecne cislo."},
        {{{"1e300", "1e300", "1e300", "1e290", "1", "2", "5"}},
         "Objem bunky 1e+290 x 1e+290 x 1e+290 neni konecne cislo."},
        {{{"1", "1", "1", "1e300", "0", "2", "5"}}, "Objem bunky"},
        {{{"1e103", "1e103", "1e103", "1e102", "2", "2", "5"}},
         "Hmotnost kvadru 1e+103 x 1e+103 x 1e+103 s krokem 1e+102 by nebyla konecne cislo."},
        {{{"1e100", "1e100", "1e110", "1e99", "1", "2", "5"}}, "Hmotnost kvadru"},
        {{{"1", "1", "1", "krok", "1", "2", "5"}}, "Argument <d> \"krok\" neni cislo."},
        {{{"1e20", "1", "1", "0.5", "1", "2", "5"}}, "prilis maly"},
        {{{"1", "1", "inf", "0.5", "1", "2", "5"}}, "Rozmer kvadru inf neni konecne cislo."},
        {{{"inf", "1", "1", "1", "1", "5", "5"}}, "Rozmer kvadru inf neni konecne cislo."},
        {{{"1", "nan", "1", "0.5", "1", "2", "5"}}, "Rozmer kvadru nan neni konecne cislo."},
    };
    for (const Pripad &pripad : pripady) {
        ParametryBehu p;
        std::string chyba;
        EXPECT_FALSE(nacti(pripad.arg, p, chyba)) << pripad.cast_zpravy;
        EXPECT_NE(chyba.find(pripad.cast_zpravy), std::string::npos) << chyba;
    }
}

// A run that is accepted has a finite step and cell volume, and where it is small enough to
// compute here, a finite total.
void over_konecny_beh(Argumenty argumenty)
{
    std::string popis;
    for (const char *a : argumenty.a)
        popis += std::string(a) + " ";
    ParametryBehu p;
    std::string chyba;
    if (!nacti(argumenty, p, chyba)) {
        EXPECT_EQ(chyba.find('\n'), std::string::npos) << chyba;
        return;
    }
    ASSERT_TRUE(std::isfinite(p.d * p.d * p.d)) << popis;
    if (!(p.kvadr.x / p.d <= 40 && p.kvadr.y / p.d <= 40))
        return;
    double hmotnost = 0.0;
    for (const Vrstva &v : p.plan)
        hmotnost += vypocti(v.box, p.d, p.druh_funkce, HlaseniPostupu());
    EXPECT_TRUE(std::isfinite(hmotnost)) << popis;
}

// Edges and steps from the smallest to the largest doubles, every density, one slab per
// percent (each slab's cells sticking out past it) and two slabs.
TEST(Parametry, PrijatyBehMaKonecnyKrokObjemIHmotnost)
{
    const char *velikosti[] = {"-1", "0", "1e-300", "1e-5", "0.37", "1", "97.3", "1e100",
                               "1e102", "1.3e102", "1e103", "1e150", "1e300", "1.7e308"};
    for (const char *x : velikosti)
        for (const char *yz : velikosti)
            for (const char *d : velikosti)
                for (const char *funkce : {"0", "1", "2", "3"})
                    for (const char *prace : {"1", "50"})
                        over_konecny_beh({{x, yz, yz, d, funkce, "2", prace}});
}

TEST(Parametry, NejvetsiTabulkaDelnikuProjde)
{
    ParametryBehu p;
    std::string chyba;
    EXPECT_TRUE(nacti({{"1", "1", "1", "0.1", "1", "256", "1"}}, p, chyba)) << chyba;
}

TEST(PlanPrace, JednotkyPoTricetiProcentech)
{
    Kvadr k;
    k.x = 20;
    k.y = 10;
    k.z = 1;
    std::vector<Vrstva> plan = plan_vrstev(k, 30);
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(plan[0].box.xod, 0.0);
    EXPECT_EQ(plan[0].box.xdo, (20 / 100.0) * 30);
    EXPECT_EQ(plan[2].box.xdo, (20 / 100.0) * 90);
    EXPECT_EQ(plan[3].box.xod, (20 / 100.0) * 90);
    EXPECT_EQ(plan[3].box.xdo, 20.0);
    for (size_t i = 0; i < plan.size(); i++) {
        EXPECT_EQ(plan[i].od_procent, 30 * (int)i);
        EXPECT_EQ(plan[i].box.yod, 0.0);
        EXPECT_EQ(plan[i].box.zod, 0.0);
        EXPECT_EQ(plan[i].box.ydo, 10.0);
        EXPECT_EQ(plan[i].box.zdo, 1.0);
    }
}

// The run's plan is made once, with its parameters, and is the plan of its cuboid.
TEST(PlanPrace, NactenyBehMaSvujPlan)
{
    ParametryBehu p;
    std::string chyba;
    ASSERT_TRUE(nacti({{"20", "10", "1", "0.5", "3", "2", "30"}}, p, chyba)) << chyba;
    std::vector<Vrstva> plan = plan_vrstev(Kvadr{20, 10, 1}, 30);
    ASSERT_EQ(p.plan.size(), plan.size());
    for (size_t i = 0; i < plan.size(); i++) {
        EXPECT_EQ(p.plan[i].od_procent, plan[i].od_procent);
        EXPECT_EQ(p.plan[i].box.xod, plan[i].box.xod);
        EXPECT_EQ(p.plan[i].box.xdo, plan[i].box.xdo);
    }
}

TEST(PlanPrace, CelaHranaNeboViceJeJedinaJednotka)
{
    Kvadr k;
    k.x = 3;
    for (int velikost : {100, 150, 2147483647}) {
        std::vector<Vrstva> plan = plan_vrstev(k, velikost);
        ASSERT_EQ(plan.size(), 1u) << velikost;
        EXPECT_EQ(plan[0].box.xdo, 3.0);
    }
}

TEST(PlanPrace, PetProcentDavaDvacetVrstev)
{
    Kvadr k;
    k.x = 20;
    std::vector<Vrstva> plan = plan_vrstev(k, 5);
    ASSERT_EQ(plan.size(), 20u);
    EXPECT_EQ(plan[19].box.xod, (20 / 100.0) * 95);
    EXPECT_EQ(plan[19].box.xdo, 20.0);
}

// The last slab ends at the edge itself, also where the inner slabs' formula would not reach
// it: x / 100 * 100 is not x for edges like 3/7, and a unit size that divides 100 brings the
// last slab to exactly 100 percent.
TEST(PlanPrace, PosledniVrstvaKonciPresneNaHrane)
{
    int nerovnych = 0;
    for (int citatel = 1; citatel <= 60; citatel++) {
        Kvadr k;
        k.x = citatel / 7.0;
        nerovnych += (k.x / 100.0) * 100 != k.x;
        for (int velikost : {1, 3, 4, 5, 10, 20, 25, 33, 50, 99, 100}) {
            std::vector<Vrstva> plan = plan_vrstev(k, velikost);
            EXPECT_EQ(plan.back().box.xdo, k.x) << citatel << "/7, " << velikost << " %";
            for (size_t i = 1; i < plan.size(); i++)
                EXPECT_EQ(plan[i].box.xod, plan[i - 1].box.xdo) << citatel << "/7, " << velikost;
        }
    }
    EXPECT_GT(nerovnych, 5);
}

}  // namespace

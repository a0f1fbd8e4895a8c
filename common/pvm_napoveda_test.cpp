// SPDX-License-Identifier: MIT
// The advice on a task program the daemon did not find, against folders made for each test.
#include "common/pvm_napoveda.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace {

// A scratch folder as HOME, and PVM_PATH unset, for one test; both are put back afterwards.
class NapovedaProgramu : public ::testing::Test {
protected:
    void SetUp() override
    {
        domov_ = zachovej("HOME");
        cesta_ = zachovej("PVM_PATH");
        koren_ = fs::temp_directory_path() / ("kvs-napoveda-" + std::to_string(getpid()));
        fs::create_directories(koren_);
        setenv("HOME", koren_.c_str(), 1);
        unsetenv("PVM_PATH");
    }

    void TearDown() override
    {
        fs::remove_all(koren_);
        obnov("HOME", domov_);
        obnov("PVM_PATH", cesta_);
    }

    // A file jmeno in folder slozka of the scratch folder, with or without its execute bit;
    // returns its path.
    std::string program(const std::string &slozka, const std::string &jmeno, bool spustitelny)
    {
        fs::create_directories(koren_ / slozka);
        const fs::path soubor = koren_ / slozka / jmeno;
        std::ofstream(soubor) << "#!/bin/sh\n";
        fs::permissions(soubor, spustitelny ? fs::perms::owner_all
                                            : fs::perms::owner_read | fs::perms::owner_write);
        return soubor.string();
    }

    std::string slozka(const std::string &jmeno) const { return (koren_ / jmeno).string(); }

private:
    static std::optional<std::string> zachovej(const char *promenna)
    {
        const char *hodnota = getenv(promenna);
        return hodnota != nullptr ? std::optional<std::string>(hodnota) : std::nullopt;
    }

    static void obnov(const char *promenna, const std::optional<std::string> &hodnota)
    {
        if (hodnota)
            setenv(promenna, hodnota->c_str(), 1);
        else
            unsetenv(promenna);
    }

    fs::path koren_;
    std::optional<std::string> domov_, cesta_;
};

TEST_F(NapovedaProgramu, NespustitelnyVPvmPathJeJmenovan)
{
    const std::string soubor = program("b", "uloha", false);
    setenv("PVM_PATH", (slozka("a") + ":" + slozka("b")).c_str(), 1);
    const std::vector<std::string> radky = napoveda_nenalezeneho_programu("uloha", "LINUX64");
    ASSERT_EQ(radky.size(), 2u);
    EXPECT_EQ(radky[0], "Demon PVM nenasel spustitelny program uloha: soubor " + soubor +
                            " neni spustitelny.");
    EXPECT_EQ(radky[1], "Povolte jeho spusteni (chmod +x " + soubor + ").");
}

TEST_F(NapovedaProgramu, NespustitelnyTamKdeHledaVychoziDemonJeJmenovan)
{
    const std::string soubor = program("pvm3/bin/LINUX64", "uloha", false);
    const std::vector<std::string> radky = napoveda_nenalezeneho_programu("uloha", "LINUX64");
    ASSERT_FALSE(radky.empty());
    EXPECT_EQ(radky[0], "Demon PVM nenasel spustitelny program uloha: soubor " + soubor +
                            " neni spustitelny.");
}

TEST_F(NapovedaProgramu, BezSouboruZustavaRadaKamHoDat)
{
    setenv("PVM_PATH", slozka("a").c_str(), 1);
    const std::vector<std::string> radky = napoveda_nenalezeneho_programu("uloha", "LINUX64");
    ASSERT_EQ(radky.size(), 3u);
    EXPECT_EQ(radky[0], "Demon PVM nenasel program uloha.");
}

TEST_F(NapovedaProgramu, SpustitelnySouborNeboSlozkaNejsouNespustitelnyProgram)
{
    program("a", "uloha", true);
    fs::create_directories(slozka("b") + "/uloha");
    setenv("PVM_PATH", (slozka("a") + ":" + slozka("b")).c_str(), 1);
    EXPECT_EQ(napoveda_nenalezeneho_programu("uloha", "LINUX64")[0],
              "Demon PVM nenasel program uloha.");
}

}  // namespace

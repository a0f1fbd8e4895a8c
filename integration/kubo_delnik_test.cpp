// SPDX-License-Identifier: MIT
// kubo-worker's life driven through the scripted PVM: its master's messages queued by the
// test, everything it sends, prints and logs looked at, with no daemon.
#include <gtest/gtest.h>
#include <pvm3.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/falesne_pvm.h"
#include "integration/kubo_delnik.h"
#include "integration/kubo_zpravy.h"

namespace {

// The worker and the master that spawned it.
const int JA = 0x40002, HLAVNI = 0x40001;

std::string tid(int t) { return std::to_string(t); }

// The scripted PVM of a worker spawned by HLAVNI, the announcement already waiting.
FalesnePvm pvm_delnika()
{
    FalesnePvm pvm;
    pvm.mytid = JA;
    pvm.rodic_tid = HLAVNI;
    pvm.doruc(HLAVNI, ZNACKA_HLAVNI, {cele(HLAVNI)});
    return pvm;
}

// A work unit from od: box j, step d, density funkce.
void posli_jednotku(FalesnePvm &pvm, int od, const Jednotka &j, double d, int funkce)
{
    pvm.doruc(od, ZNACKA_PRACE,
              {realne(j.xod), realne(j.yod), realne(j.zod), realne(j.xdo), realne(j.ydo),
               realne(j.zdo), realne(d), cele(funkce)});
}

// How the worker's life ended: its status, standard output and error, and its log.
struct Zivot {
    int status = 0;
    std::string vystup, chyby, log;
};

// The worker's whole life through pvm, its log in a folder of its own.
Zivot zij(FalesnePvm &pvm)
{
    std::string sablona = (std::filesystem::temp_directory_path() / "kubo_delnik_XXXXXX").string();
    std::string slozka = mkdtemp(sablona.data());
    BehDelnika beh(pvm);
    beh.log = slozka + "/delnik.out";
    Zivot z;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    z.status = zij_jako_delnik(beh);
    fflush(stdout);
    z.chyby = ::testing::internal::GetCapturedStderr();
    z.vystup = ::testing::internal::GetCapturedStdout();
    std::ostringstream log;
    log << std::ifstream(beh.log).rdbuf();
    z.log = log.str();
    std::filesystem::remove_all(slozka);
    return z;
}

const Jednotka MALY_BOX{0, 0, 0, 1, 0.5, 0.25};
// A thousand cell layers along x, a hundred cells each: a progress report every ten layers.
const Jednotka TENKY_BOX{0, 0, 0, 1, 0.01, 0.01};

// Ready, two units computed, a unit from a stranger ignored, stopped: what it sends is the
// protocol's, its stopped reply packed behind its last result.
TEST(ZivotDelnika, SpocitaJednotkyAZastaviSe)
{
    FalesnePvm pvm = pvm_delnika();
    posli_jednotku(pvm, 0x40009, MALY_BOX, 0.05, 3);
    posli_jednotku(pvm, HLAVNI, MALY_BOX, 0.125, 2);
    posli_jednotku(pvm, HLAVNI, MALY_BOX, 0.05, 3);
    pvm.doruc(HLAVNI, ZNACKA_KONEC, {});
    Zivot z = zij(pvm);
    EXPECT_EQ(z.status, 0) << z.log << z.chyby;
    double m1 = vypocti(MALY_BOX, 0.125, 2, HlaseniPostupu());
    double m2 = vypocti(MALY_BOX, 0.05, 3, HlaseniPostupu());
    ASSERT_EQ(pvm.odeslane.size(), 4u);
    const std::vector<int> znacky = {ZNACKA_PRIPRAVEN, ZNACKA_VYSLEDEK, ZNACKA_VYSLEDEK,
                                     ZNACKA_KONEC};
    for (size_t i = 0; i < znacky.size(); i++) {
        EXPECT_EQ(pvm.odeslane[i].znacka, znacky[i]) << i;
        EXPECT_EQ(pvm.odeslane[i].komu, HLAVNI) << i;
        EXPECT_EQ(pvm.odeslane[i].polozky.at(0).i, JA) << i;
    }
    EXPECT_EQ(pvm.odeslane[1].polozky.at(1).d, m1);
    EXPECT_EQ(pvm.odeslane[2].polozky.at(1).d, m2);
    ASSERT_EQ(pvm.odeslane[3].polozky.size(), 3u);
    EXPECT_EQ(pvm.odeslane[3].polozky[1].d, m2);
    EXPECT_EQ(pvm.odeslane[3].polozky[2].i, JA);
    EXPECT_EQ(pvm.hlidane, (std::vector<std::pair<int, std::vector<int>>>{{PvmTaskExit, {HLAVNI}}}));
    EXPECT_TRUE(pvm.odhlasen);
    char dilci[2][64];
    snprintf(dilci[0], sizeof dilci[0], "%6.10f", m1);
    snprintf(dilci[1], sizeof dilci[1], "%6.10f", m2);
    const std::string ja = "Delnik " + tid(JA) + ": ";
    EXPECT_EQ(z.log, ja + "Vytvoren\n" + ja + "Dilci hmotnost: " + dilci[0] + "\n" + ja +
                         "Dilci hmotnost: " + dilci[1] + "\n" + ja + "Ukoncuji smycku\n" + ja +
                         "Koncim s behem\n");
}

// The master ends while the worker computes: at its next percent the worker sees the notice,
// gives the slab up and ends, sending nothing for it.
TEST(ZivotDelnika, KonecHlavnihoUkonciVypocet)
{
    FalesnePvm pvm = pvm_delnika();
    posli_jednotku(pvm, HLAVNI, TENKY_BOX, 0.001, 1);
    pvm.oznam_konec_ulohy(HLAVNI);
    Zivot z = zij(pvm);
    EXPECT_EQ(z.status, 1);
    EXPECT_TRUE(pvm.odeslane_se_znackou(ZNACKA_VYSLEDEK).empty());
    EXPECT_EQ(z.vystup, "Delnik " + tid(JA) + ": Pocitam dilci hmotnost [1%]\n");
    EXPECT_NE(z.log.find("Delnik " + tid(JA) + ": Hlavni proces " + tid(HLAVNI) +
                         " skoncil, koncim\n"),
              std::string::npos)
        << z.log;
    EXPECT_TRUE(pvm.odhlasen);
}

// The daemon of the worker's host is gone while it computes: it stops at its next percent
// and ends with the error.
TEST(ZivotDelnika, ZtraceneSpojeniBehemVypoctuKonci)
{
    FalesnePvm pvm = pvm_delnika();
    posli_jednotku(pvm, HLAVNI, TENKY_BOX, 0.001, 1);
    pvm.pri_cekani = [](FalesnePvm &p) { p.limit_cekani = p.prazdnych_cekani; };
    Zivot z = zij(pvm);
    EXPECT_EQ(z.status, 1);
    EXPECT_TRUE(pvm.odeslane_se_znackou(ZNACKA_VYSLEDEK).empty());
    EXPECT_EQ(z.vystup, "Delnik " + tid(JA) + ": Pocitam dilci hmotnost [1%]\nDelnik " +
                            tid(JA) + ": Pocitam dilci hmotnost [2%]\n");
    EXPECT_NE(z.log.find("Spojeni s PVM ztraceno (cislo chyby " + tid(PvmSysErr) + "), koncim"),
              std::string::npos)
        << z.log;
}

// Announced by a task other than its parent, the worker does not report ready to it.
TEST(ZivotDelnika, OhlaseniOdJinehoNezRodiceUkonci)
{
    FalesnePvm pvm;
    pvm.mytid = JA;
    pvm.rodic_tid = HLAVNI;
    pvm.doruc(0x40009, ZNACKA_HLAVNI, {cele(0x40009)});
    Zivot z = zij(pvm);
    EXPECT_EQ(z.status, 1);
    EXPECT_TRUE(pvm.odeslane.empty());
    EXPECT_TRUE(pvm.hlidane.empty());
    EXPECT_EQ(z.log, "Delnik " + tid(JA) + ": Vytvoren\nDelnik " + tid(JA) + ": Ohlasil se hlavni " +
                         tid(0x40009) + ", ale spustil me " + tid(HLAVNI) + ", koncim\n");
}

// Started by hand, with no parent, it says so on standard error and logs nothing.
TEST(ZivotDelnika, BezRodiceKonciNaStandardniChybu)
{
    FalesnePvm pvm;
    pvm.mytid = JA;
    Zivot z = zij(pvm);
    EXPECT_EQ(z.status, 1);
    EXPECT_EQ(z.chyby, "Delnik " + tid(JA) + ": Nebyl spusten hlavnim procesem kubo-main, koncim\n");
    EXPECT_EQ(z.log, "");
    EXPECT_TRUE(pvm.odhlasen);
}

}  // namespace

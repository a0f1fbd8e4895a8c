// SPDX-License-Identifier: MIT
// kubo-main's run driven through the scripted PVM: workers that answer as kubo-worker does,
// or are lost, late, confused or cannot be killed, with no daemon.
#include <gtest/gtest.h>
#include <pvm3.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/falesne_pvm.h"
#include "integration/kubo_hlavni.h"
#include "integration/kubo_zpravy.h"

namespace {

// The tasks the scripted PVM gives the master and its first three workers.
const int HLAVNI = 0x40001, W1 = 0x40002, W2 = 0x40003, W3 = 0x40004;

// The mass kubo-worker returns for the unit in message z: the kernel's own for its box.
double hmotnost_jednotky(const FalesnaZprava &z)
{
    const std::vector<Polozka> &p = z.polozky;
    Jednotka j{p.at(0).d, p.at(1).d, p.at(2).d, p.at(3).d, p.at(4).d, p.at(5).d};
    return vypocti(j, p.at(6).d, p.at(7).i, HlaseniPostupu());
}

// Worker z.komu's result for the unit in message z.
FalesnaZprava vysledek(const FalesnaZprava &z)
{
    return FalesnaZprava{z.komu, HLAVNI, ZNACKA_VYSLEDEK,
                         {cele(z.komu), realne(hmotnost_jednotky(z))}};
}

// What a worker scripted by a test does with a message the master sent it; false leaves the
// message to the worker as kubo-worker would answer it.
typedef std::function<bool(FalesnePvm &, const FalesnaZprava &)> Scenar;

// A worker's answer as kubo-worker gives it: ready after the announcement, the mass of each
// unit at once, and after the stop its stopped reply, the identifier packed behind its last
// result.
void odpovez_jako_delnik(FalesnePvm &pvm, const FalesnaZprava &z)
{
    if (z.znacka == ZNACKA_HLAVNI)
        pvm.doruc(z.komu, ZNACKA_PRIPRAVEN, {cele(z.komu)});
    else if (z.znacka == ZNACKA_PRACE)
        pvm.prichozi.push_back(vysledek(z));
    else if (z.znacka == ZNACKA_KONEC)
        pvm.doruc(z.komu, ZNACKA_KONEC, {cele(z.komu), realne(1.5), cele(z.komu)});
}

// How a run through the scripted PVM ended.
struct Konec {
    bool hotovo = false;
    std::string chyba;
    std::string vystup;  // the master's standard output
    double celkem = 0;
    double jednoho_delnika = 0;  // the plan's masses added in slab order
};

// kubo-main's run with the arguments x, y, z, d, density, workers, unit size through pvm,
// its workers answering as kubo-worker does unless scenar takes a message; before the run
// pred may change the book (nothing else is ready yet), and after it po may look at it.
Konec spust_beh(FalesnePvm &pvm, std::vector<const char *> argumenty, Scenar scenar = nullptr,
                const std::function<void(BehHlavniho &)> &po = nullptr,
                volatile sig_atomic_t *prerusen = nullptr)
{
    static volatile sig_atomic_t neprerusen = 0;
    pvm.pri_odeslani = [scenar](FalesnePvm &p, const FalesnaZprava &z) {
        if (!scenar || !scenar(p, z))
            odpovez_jako_delnik(p, z);
    };
    BehHlavniho beh(pvm);
    beh.prerusen = prerusen != nullptr ? prerusen : &neprerusen;
    beh.mytid = HLAVNI;
    Konec konec;
    EXPECT_TRUE(nacti_parametry(argumenty.data(), beh.parametry, konec.chyba)) << konec.chyba;
    ::testing::internal::CaptureStdout();
    konec.hotovo = probehni(beh, &konec.chyba);
    fflush(stdout);
    konec.vystup = ::testing::internal::GetCapturedStdout();
    konec.celkem = celkova_hmotnost(beh.prideleni);
    for (const Vrstva &v : beh.parametry.plan)
        konec.jednoho_delnika +=
            vypocti(v.box, beh.parametry.d, beh.parametry.druh_funkce, HlaseniPostupu());
    if (po)
        po(beh);
    return konec;
}

// How many lines of text hold co.
size_t radku_s(const std::string &text, const std::string &co)
{
    size_t n = 0;
    for (size_t i = text.find(co); i != std::string::npos; i = text.find(co, i + 1))
        n++;
    return n;
}

// The units the master sent worker tid.
size_t jednotek_pro(const FalesnePvm &pvm, int tid)
{
    size_t n = 0;
    for (const FalesnaZprava &z : pvm.odeslane_se_znackou(ZNACKA_PRACE))
        n += z.komu == tid;
    return n;
}

std::string tid(int t) { return std::to_string(t); }

TEST(BehHlavniho, SkriptovaniDelniciDajiSoucetJednohoDelnika)
{
    FalesnePvm pvm;
    Konec k = spust_beh(pvm, {"2", "1", "0.5", "0.1", "3", "3", "10"});
    ASSERT_TRUE(k.hotovo) << k.chyba << k.vystup;
    EXPECT_EQ(k.celkem, k.jednoho_delnika);
    EXPECT_EQ(pvm.spustene.size(), 3u);
    EXPECT_EQ(pvm.odeslane_se_znackou(ZNACKA_PRACE).size(), 10u);
    EXPECT_EQ(radku_s(k.vystup, "Parcialni hmotnost z delnika"), 10u);
    // Each worker watched for its end and its host, announced to and stopped once.
    ASSERT_EQ(pvm.hlidane.size(), 2u);
    EXPECT_EQ(pvm.hlidane[0], std::make_pair(PvmTaskExit, std::vector<int>{W1, W2, W3}));
    EXPECT_EQ(pvm.odeslane_se_znackou(ZNACKA_HLAVNI).size(), 3u);
    EXPECT_EQ(pvm.odeslane_se_znackou(ZNACKA_KONEC).size(), 3u);
    for (int w : {W1, W2, W3})
        EXPECT_EQ(radku_s(k.vystup, "Delnik cislo " + tid(w) + " ukoncen"), 1u) << k.vystup;
}

// A stopped reply is read for its first item only: the rest of the buffer it was packed
// onto, however long, is left unread.
TEST(BehHlavniho, ZastavenaOdpovedSDalsimiPolozkamiSePrijme)
{
    FalesnePvm pvm;
    Konec k = spust_beh(pvm, {"2", "1", "0.5", "0.1", "2", "2", "50"},
                        [](FalesnePvm &p, const FalesnaZprava &z) {
                            if (z.znacka != ZNACKA_KONEC)
                                return false;
                            p.doruc(z.komu, ZNACKA_KONEC,
                                    {cele(z.komu), realne(2.5), cele(7), realne(-1), cele(z.komu)});
                            return true;
                        });
    ASSERT_TRUE(k.hotovo) << k.chyba << k.vystup;
    for (int w : {W1, W2})
        EXPECT_EQ(radku_s(k.vystup, "Delnik cislo " + tid(w) + " ukoncen"), 1u) << k.vystup;
    EXPECT_EQ(k.celkem, k.jednoho_delnika);
}

// W1 is lost with its first unit; its result comes after all, once W2 holds that unit again.
// It is counted once, W2's rerun is not, and W1, lost, is handed nothing more.
TEST(BehHlavniho, PozdniVysledekZtracenehoSeZapocteJednouANedostaneDalsiPraci)
{
    FalesnePvm pvm;
    std::optional<FalesnaZprava> pozdni;
    bool doruceno = false;
    Konec k = spust_beh(pvm, {"2", "1", "0.5", "0.1", "3", "2", "25"},
                        [&](FalesnePvm &p, const FalesnaZprava &z) {
                            if (z.znacka != ZNACKA_PRACE)
                                return false;
                            if (z.komu == W1 && !pozdni) {
                                pozdni = vysledek(z);
                                p.oznam_konec_ulohy(W1);
                                return true;
                            }
                            // W2 is handed W1's unit, the one from the edge's start.
                            if (z.komu == W2 && pozdni && z.polozky.at(0).d == 0.0) {
                                p.prichozi.push_back(*pozdni);
                                doruceno = true;
                            }
                            return false;
                        });
    ASSERT_TRUE(k.hotovo) << k.chyba << k.vystup;
    ASSERT_TRUE(doruceno);
    EXPECT_EQ(jednotek_pro(pvm, W1), 1u);
    EXPECT_EQ(k.celkem, k.jednoho_delnika);
    EXPECT_EQ(radku_s(k.vystup, "Delnik " + tid(W1) + " ztracen, jeho praci od 0% pridelim znovu"),
              1u) << k.vystup;
    EXPECT_EQ(radku_s(k.vystup, "Vysledek delnika " + tid(W2) + " uz byl zapocten"), 1u);
    EXPECT_EQ(radku_s(k.vystup, "Parcialni hmotnost z delnika"), 4u);
    EXPECT_EQ(pvm.odeslane_se_znackou(ZNACKA_KONEC).size(), 1u);
}

// A result from a worker that holds no unit, W3 (more workers than units), and one from a
// task that is no worker count for nothing: the run still waits for W2's real one.
TEST(BehHlavniho, VysledekDelnikaBezJednotkySeNezapocte)
{
    FalesnePvm pvm;
    std::optional<FalesnaZprava> w2;
    pvm.pri_cekani = [&](FalesnePvm &p) {
        if (w2)
            p.prichozi.push_back(*w2);
        w2.reset();
    };
    Konec k = spust_beh(pvm, {"2", "1", "0.5", "0.1", "3", "3", "50"},
                        [&](FalesnePvm &p, const FalesnaZprava &z) {
                            if (z.znacka != ZNACKA_PRACE)
                                return false;
                            if (z.komu == W2) {
                                w2 = vysledek(z);
                                return true;
                            }
                            p.prichozi.push_back(vysledek(z));
                            p.doruc(W3, ZNACKA_VYSLEDEK, {cele(W3), realne(1000.0)});
                            p.doruc(0x7777, ZNACKA_VYSLEDEK, {cele(0x7777), realne(1000.0)});
                            return true;
                        });
    ASSERT_TRUE(k.hotovo) << k.chyba << k.vystup;
    EXPECT_EQ(k.celkem, k.jednoho_delnika);
    EXPECT_EQ(jednotek_pro(pvm, W3), 0u);
    EXPECT_EQ(radku_s(k.vystup, "Parcialni hmotnost z delnika"), 2u) << k.vystup;
}

// W2 and W3 run on one host, whose loss is one notice: both are lost, both their slabs go to
// W1, and the total is still the one-worker total.
TEST(BehHlavniho, ZtrataHostiteleSeDvemaDelnikyVratiObeJejichPrace)
{
    FalesnePvm pvm;
    const int HOSTITEL = 0x80000;
    pvm.hostitele_uloh = {{W2, HOSTITEL}, {W3, HOSTITEL}};
    Konec k = spust_beh(pvm, {"2", "1", "0.5", "0.1", "3", "3", "20"},
                        [&](FalesnePvm &p, const FalesnaZprava &z) {
                            if (z.znacka != ZNACKA_PRACE || z.komu == W1)
                                return false;
                            if (z.komu == W3)
                                p.oznam_ztratu_hostitele(HOSTITEL);
                            return true;
                        });
    ASSERT_TRUE(k.hotovo) << k.chyba << k.vystup;
    EXPECT_EQ(k.celkem, k.jednoho_delnika);
    EXPECT_EQ(radku_s(k.vystup, "Delnik " + tid(W2) + " ztracen, jeho praci od 20% pridelim"),
              1u) << k.vystup;
    EXPECT_EQ(radku_s(k.vystup, "Delnik " + tid(W3) + " ztracen, jeho praci od 40% pridelim"),
              1u);
    EXPECT_EQ(radku_s(k.vystup, "Prideluji znovu praci delnikovi " + tid(W1)), 2u);
    EXPECT_EQ(jednotek_pro(pvm, W2) + jednotek_pro(pvm, W3), 2u);
    EXPECT_EQ(jednotek_pro(pvm, W1), 5u);
    ASSERT_EQ(pvm.odeslane_se_znackou(ZNACKA_KONEC).size(), 1u);
    EXPECT_EQ(pvm.odeslane_se_znackou(ZNACKA_KONEC)[0].komu, W1);
}

// A worker announced by a task other than its parent ends instead of reporting ready, which
// its master hears as that worker's end: it is lost, and the others do the run.
TEST(BehHlavniho, DelnikJinehoRodiceSeNeohlasiAJeZtracen)
{
    FalesnePvm pvm;
    Konec k = spust_beh(pvm, {"2", "1", "0.5", "0.1", "1", "2", "30"},
                        [](FalesnePvm &p, const FalesnaZprava &z) {
                            if (z.znacka != ZNACKA_HLAVNI || z.komu != W2)
                                return false;
                            p.oznam_konec_ulohy(W2);
                            return true;
                        });
    ASSERT_TRUE(k.hotovo) << k.chyba << k.vystup;
    EXPECT_EQ(k.celkem, k.jednoho_delnika);
    EXPECT_EQ(radku_s(k.vystup, "Delnik cislo " + tid(W1) + " k praci pripraven"), 1u);
    EXPECT_EQ(radku_s(k.vystup, "Delnik cislo " + tid(W2)), 0u) << k.vystup;
    EXPECT_EQ(radku_s(k.vystup, "Delnik " + tid(W2) + " ztracen\n"), 1u);
    EXPECT_EQ(jednotek_pro(pvm, W2), 0u);
    EXPECT_EQ(jednotek_pro(pvm, W1), 4u);
}

// Interrupted while all three compute, the master kills them all, even though the kill of
// the first fails; the first failure is what it tells.
TEST(BehHlavniho, NezdareneZabitiMeziNekolikaNezastaviOstatni)
{
    FalesnePvm pvm;
    pvm.nezabitelne = {W1};
    volatile sig_atomic_t prerusen = 0;
    std::string chyba_zabiti;
    bool zabiti = true;
    Konec k = spust_beh(
        pvm, {"2", "1", "0.5", "0.1", "3", "3", "10"},
        [&](FalesnePvm &, const FalesnaZprava &z) {
            if (z.znacka != ZNACKA_PRACE)
                return false;
            prerusen = z.komu == W3 ? SIGINT : 0;
            return true;
        },
        [&](BehHlavniho &beh) { zabiti = zabij_pracujici(beh, &chyba_zabiti); }, &prerusen);
    EXPECT_FALSE(k.hotovo);
    EXPECT_EQ(k.chyba, "");
    EXPECT_FALSE(zabiti);
    EXPECT_EQ(pvm.zabite, (std::vector<int>{W1, W2, W3}));
    EXPECT_EQ(chyba_zabiti, "pvm_kill selhalo (cislo chyby " + tid(PvmNoTask) + ")");
}

// A worker program the daemon cannot find: five tries of the slot, the advice once, with the
// architecture PVM names, and the run given up.
TEST(BehHlavniho, NenalezenyDelnikSeZkusiPetkratAPoradiJednou)
{
    FalesnePvm pvm;
    pvm.selhani_spusteni = {PvmNoFile, PvmNoFile, PvmNoFile, PvmNoFile, PvmNoFile};
    ::testing::internal::CaptureStderr();
    Konec k = spust_beh(pvm, {"2", "1", "0.5", "0.1", "3", "2", "50"});
    std::string rady = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(k.hotovo);
    EXPECT_EQ(k.chyba, "Delnika se nepodarilo vytvorit ani na 5 pokusu, koncim.");
    EXPECT_EQ(radku_s(k.vystup, "Hlavni " + tid(HLAVNI) + ": Chyba pri vytvareni delnika. Cislo "
                                "chyby " + tid(PvmNoFile) + "\n"),
              5u) << k.vystup;
    EXPECT_EQ(radku_s(rady, "Hlavni " + tid(HLAVNI) + ": "), 3u) << rady;
    EXPECT_EQ(radku_s(rady, "Demon PVM nenasel program kubo-worker.exe."), 1u) << rady;
    EXPECT_EQ(radku_s(rady, "/bin/LINUX64"), 3u) << rady;
    EXPECT_TRUE(pvm.odeslane.empty());
}

// Lost during the run, a worker's daemon gone: the run ends with the error instead of
// waiting for ever.
TEST(BehHlavniho, BezOdpovediKonciZtratouSpojeni)
{
    FalesnePvm pvm;
    pvm.limit_cekani = 50;
    Konec k = spust_beh(pvm, {"2", "1", "0.5", "0.1", "3", "2", "50"},
                        [](FalesnePvm &, const FalesnaZprava &z) {
                            return z.znacka == ZNACKA_PRACE;
                        });
    EXPECT_FALSE(k.hotovo);
    EXPECT_EQ(k.chyba, "Spojeni s PVM ztraceno (cislo chyby " + tid(PvmSysErr) + "), koncim");
}

}  // namespace

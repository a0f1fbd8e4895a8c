// SPDX-License-Identifier: MIT
// farmer's part on PVM (starting, gathering, replacing, killing workers) driven through the
// scripted PVM, with no daemon: the workers are the test's script.
#include <gtest/gtest.h>
#include <pvm3.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/falesne_pvm.h"
#include "search/farmer/farmer.h"
#include "search/farmer/workeri.h"
#include "search/testy/orakula.h"
#include "search/zpravy/hledani_zpravy.h"

namespace {

// The scripted PVM's first spawned task; the next ones count up from it.
const int PRVNI_TID = 0x40002;

// A piece of a reply: its head k and the positions.
std::vector<Polozka> kus(int k, const std::vector<int> &pozice)
{
    std::vector<Polozka> polozky{cele(k)};
    for (int p : pozice)
        polozky.push_back(cele(p));
    return polozky;
}

// farmer's run on the scripted PVM, for the pattern vzor over the given ranges.
struct Beh {
    FalesnePvm pvm;
    BehFarmera b{pvm};
    std::string chyba;

    explicit Beh(const std::vector<Rozsah> &rozsahy, const std::string &vzor = "ab")
    {
        b.zadani.f_str = vzor;
        b.cesta = "/data/text.txt";
        b.rozsahy = rozsahy;
        // A run that waits for nothing fails soon instead of spinning for long.
        pvm.limit_cekani = 1000;
    }
    ~Beh() { zavri_odklad(b.odklad); }

    bool hledej() { return hledej_na_pvm(b, &chyba); }

    // The positions stored, in range order.
    std::vector<int> ulozene()
    {
        std::vector<int> vse;
        std::string chyba_cteni;
        EXPECT_TRUE(projdi_odklad(b.odklad, [&vse](const int *p, size_t n) {
            vse.insert(vse.end(), p, p + n);
            return true;
        }, &chyba_cteni));
        return vse;
    }

    // The acknowledgements farmer sent to tid.
    size_t potvrzeni_pro(int tid) const
    {
        size_t n = 0;
        for (const FalesnaZprava &z : pvm.odeslane_se_znackou(ZNACKA_POTVRZENI))
            n += z.komu == tid;
        return n;
    }
};

const std::vector<Rozsah> DVA_ROZSAHY = {{0, 9}, {9, 19}};

TEST(FarmerNaPvm, OdpovedVJedneZpraveSePrijmeBezPotvrzeni)
{
    Beh beh(DVA_ROZSAHY);
    // The classic form, "int count, then count ints", the second worker's before the first's.
    beh.pvm.doruc(PRVNI_TID + 1, ZNACKA_ODPOVED, kus(2, {10, 14}));
    beh.pvm.doruc(PRVNI_TID, ZNACKA_ODPOVED, kus(3, {0, 4, 8}));
    ASSERT_TRUE(beh.hledej()) << beh.chyba;
    EXPECT_EQ(beh.ulozene(), (std::vector<int>{0, 4, 8, 10, 14}));
    EXPECT_TRUE(beh.pvm.odeslane_se_znackou(ZNACKA_POTVRZENI).empty());
    ASSERT_EQ(beh.pvm.spustene.size(), 2u);
    EXPECT_EQ(beh.pvm.spustene[0].first, "worker");
    EXPECT_EQ(beh.pvm.spustene[1].second,
              (std::vector<std::string>{"/data/text.txt", "9", "19", "ab", "0:0:0"}));
    EXPECT_TRUE(beh.pvm.zabite.empty());
    EXPECT_TRUE(beh.pvm.odhlasen);
}

TEST(FarmerNaPvm, KusyKtereDohromadyPresahnouRozsahSeOdmitnou)
{
    // Range 0-9 holds 9 places where "ab" can start: each piece fits, the two together do not.
    Beh beh(DVA_ROZSAHY);
    beh.pvm.doruc(PRVNI_TID, ZNACKA_ODPOVED, kus(-5, {0, 1, 2, 3, 4}));
    beh.pvm.doruc(PRVNI_TID, ZNACKA_ODPOVED, kus(5, {4, 5, 6, 7, 8}));
    beh.pvm.doruc(PRVNI_TID + 1, ZNACKA_ODPOVED, kus(0, {}));
    EXPECT_FALSE(beh.hledej());
    EXPECT_EQ(beh.chyba, "Worker t40002 (rozsah 0-9) poslal neplatnou odpoved!");
    EXPECT_EQ(beh.pvm.zabite, (std::vector<int>{PRVNI_TID, PRVNI_TID + 1}));
    EXPECT_TRUE(beh.pvm.odhlasen);
}

TEST(FarmerNaPvm, ZtracenyWorkerSeNahradiAJehoKusySeZahodi)
{
    Beh beh(DVA_ROZSAHY);
    beh.pvm.doruc(PRVNI_TID, ZNACKA_ODPOVED, kus(-2, {1, 3}));
    beh.pvm.oznam_konec_ulohy(PRVNI_TID);
    beh.pvm.doruc(PRVNI_TID + 1, ZNACKA_ODPOVED, kus(2, {10, 12}));
    // Once range 0 has a new worker: a late piece of the lost one, then the new one's reply.
    bool odpovezeno = false;
    beh.pvm.pri_cekani = [&odpovezeno](FalesnePvm &pvm) {
        if (pvm.spustene.size() == 3 && !odpovezeno) {
            pvm.doruc(PRVNI_TID, ZNACKA_ODPOVED, kus(1, {8}));
            pvm.doruc(PRVNI_TID + 2, ZNACKA_ODPOVED, kus(2, {5, 7}));
            odpovezeno = true;
        }
    };
    testing::internal::CaptureStderr();
    ASSERT_TRUE(beh.hledej()) << beh.chyba;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Worker t40002 (rozsah 0-9) skoncil bez odpovedi, rozsah prohleda znovu worker "
              "t40004 (pokus 2 ze 3).\n");
    EXPECT_EQ(beh.ulozene(), (std::vector<int>{5, 7, 10, 12}));
    ASSERT_EQ(beh.pvm.spustene.size(), 3u);
    EXPECT_EQ(beh.pvm.spustene[2].second[1], "0");
    // The lost worker's first piece was acknowledged; its late one is not.
    EXPECT_EQ(beh.potvrzeni_pro(PRVNI_TID), 1u);
}

TEST(FarmerNaPvm, WorkerZtracenyPoPoslednimKusuSeNenahradi)
{
    // The notice may come before the last piece, which takes another route.
    for (bool oznameni_prvni : {false, true}) {
        Beh beh(DVA_ROZSAHY);
        if (oznameni_prvni)
            beh.pvm.oznam_konec_ulohy(PRVNI_TID);
        beh.pvm.doruc(PRVNI_TID, ZNACKA_ODPOVED, kus(1, {2}));
        if (!oznameni_prvni)
            beh.pvm.oznam_konec_ulohy(PRVNI_TID);
        beh.pvm.doruc(PRVNI_TID + 1, ZNACKA_ODPOVED, kus(1, {11}));
        beh.pvm.oznam_konec_ulohy(PRVNI_TID + 1);
        testing::internal::CaptureStderr();
        ASSERT_TRUE(beh.hledej()) << beh.chyba;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << oznameni_prvni;
        EXPECT_EQ(beh.ulozene(), (std::vector<int>{2, 11})) << oznameni_prvni;
        EXPECT_EQ(beh.pvm.spustene.size(), 2u) << oznameni_prvni;
    }
}

TEST(FarmerNaPvm, ZtrataHostiteleSDvemaWorkeryNahradiOba)
{
    Beh beh({{0, 9}, {9, 19}, {18, 29}});
    const int hostitel = 0x80000;
    beh.pvm.hostitele_uloh = {{PRVNI_TID + 1, hostitel}, {PRVNI_TID + 2, hostitel}};
    beh.pvm.doruc(PRVNI_TID, ZNACKA_ODPOVED, kus(1, {3}));
    beh.pvm.oznam_ztratu_hostitele(hostitel);
    // The new workers, on a host that stays, answer once both are started.
    beh.pvm.pri_cekani = [](FalesnePvm &pvm) {
        if (pvm.spustene.size() == 5 && pvm.prichozi.empty()) {
            pvm.doruc(PRVNI_TID + 3, ZNACKA_ODPOVED, kus(1, {12}));
            pvm.doruc(PRVNI_TID + 4, ZNACKA_ODPOVED, kus(1, {25}));
        }
    };
    testing::internal::CaptureStderr();
    ASSERT_TRUE(beh.hledej()) << beh.chyba;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Worker t40003 (rozsah 9-19) skoncil bez odpovedi, rozsah prohleda znovu worker "
              "t40005 (pokus 2 ze 3).\n"
              "Worker t40004 (rozsah 18-29) skoncil bez odpovedi, rozsah prohleda znovu worker "
              "t40006 (pokus 2 ze 3).\n");
    EXPECT_EQ(beh.ulozene(), (std::vector<int>{3, 12, 25}));
}

TEST(FarmerNaPvm, RozsahZtracenyPriKazdemSpusteniUkonciBeh)
{
    Beh beh(DVA_ROZSAHY);
    beh.pvm.doruc(PRVNI_TID + 1, ZNACKA_ODPOVED, kus(0, {}));
    // Every worker of range 0 ends at once, before any reply.
    std::set<int> skoncene = {PRVNI_TID};
    beh.pvm.pri_cekani = [&skoncene](FalesnePvm &pvm) {
        const int posledni = PRVNI_TID + static_cast<int>(pvm.spustene.size()) - 1;
        if (pvm.spustene.back().second[1] == "0" && skoncene.insert(posledni).second)
            pvm.oznam_konec_ulohy(posledni);
    };
    beh.pvm.oznam_konec_ulohy(PRVNI_TID);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(beh.hledej());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Worker t40002 (rozsah 0-9) skoncil bez odpovedi, rozsah prohleda znovu worker "
              "t40004 (pokus 2 ze 3).\n"
              "Worker t40004 (rozsah 0-9) skoncil bez odpovedi, rozsah prohleda znovu worker "
              "t40005 (pokus 3 ze 3).\n");
    EXPECT_EQ(beh.chyba, "Worker t40005 (rozsah 0-9) skoncil bez odpovedi!");
    EXPECT_EQ(beh.pvm.spustene.size(), 4u);
    EXPECT_EQ(beh.pvm.zabite, (std::vector<int>{PRVNI_TID + 3, PRVNI_TID + 1}));
}

TEST(FarmerNaPvm, NezdareneZabitiNezastaviZabijeniOstatnich)
{
    Beh beh({{0, 9}, {9, 19}, {18, 29}, {27, 39}});
    beh.pvm.nezabitelne = {PRVNI_TID, PRVNI_TID + 2};
    // A position outside its range.
    beh.pvm.doruc(PRVNI_TID + 1, ZNACKA_ODPOVED, kus(1, {3}));
    EXPECT_FALSE(beh.hledej());
    EXPECT_EQ(beh.chyba, "Worker t40003 (rozsah 9-19) poslal neplatnou odpoved!");
    EXPECT_EQ(beh.pvm.zabite,
              (std::vector<int>{PRVNI_TID, PRVNI_TID + 1, PRVNI_TID + 2, PRVNI_TID + 3}));
}

TEST(FarmerNaPvm, ZtraceneSpojeniSPvmPojmenujePrvniNehotovyRozsah)
{
    Beh beh(DVA_ROZSAHY);
    beh.pvm.doruc(PRVNI_TID, ZNACKA_ODPOVED, kus(0, {}));
    EXPECT_FALSE(beh.hledej());
    EXPECT_EQ(beh.chyba, "Worker t40003 (rozsah 9-19) skoncil bez odpovedi!");
}

TEST(FarmerNaPvm, NenalezenyProgramRekneKdeHledatANikohoNezabije)
{
    Beh beh(DVA_ROZSAHY);
    beh.pvm.selhani_spusteni = {PvmNoFile};
    EXPECT_FALSE(beh.hledej());
    EXPECT_EQ(beh.chyba.rfind("pvm_spawn: Task nebyl vytvoren!\nDemon PVM nenasel program worker.\n",
                              0),
              0u)
        << beh.chyba;
    EXPECT_NE(beh.chyba.find("/bin/LINUX64"), std::string::npos) << beh.chyba;
    EXPECT_TRUE(beh.pvm.zabite.empty());
    EXPECT_TRUE(beh.pvm.odhlasen);
}

TEST(FarmerNaPvm, BezDemonaNicNespusti)
{
    Beh beh(DVA_ROZSAHY);
    beh.pvm.mytid = PvmSysErr;
    EXPECT_FALSE(beh.hledej());
    EXPECT_EQ(beh.chyba, "Nelze se spojit s PVM (pvm_mytid: -14), bezi demon pvmd?");
    EXPECT_TRUE(beh.pvm.spustene.empty());
}

// Honest workers of a random run: each started one sends the positions of the naive search of
// its range in pieces of random size, keeping no more than KUSU_NA_CESTE unacknowledged, and
// ends with a notice; before its last piece one may end instead, its notice overtaking any of
// its pieces still on the way. Each step of the script is one worker's act.
struct PoctiviWorkeri {
    FalesnePvm &pvm;
    const std::string &text, &vzor;
    std::mt19937 &nahoda;
    std::vector<int> ztrat;  // per range: losses still to come

    struct Worker {
        std::vector<int> pozice;
        size_t poslano = 0;
        int na_ceste = 0;
        bool konec = false;
    };
    std::map<int, Worker> workeri;

    // Ends worker tid: its notice lands anywhere among the messages still on their way.
    void skonci(int tid)
    {
        workeri[tid].konec = true;
        pvm.oznam_konec_ulohy(tid);
        FalesnaZprava oznameni = pvm.prichozi.back();
        pvm.prichozi.pop_back();
        pvm.prichozi.insert(pvm.prichozi.begin() + nahoda() % (pvm.prichozi.size() + 1), oznameni);
    }

    void posli_kus(int tid, Worker &w)
    {
        const size_t zbyva = w.pozice.size() - w.poslano;
        const size_t n = zbyva == 0 ? 0 : std::min<size_t>(zbyva, 1 + nahoda() % 4);
        // Now and then the last positions go in a piece that is not the last one.
        const bool posledni = n == 0 || (n == zbyva && nahoda() % 3 != 0);
        const std::vector<int> cast(w.pozice.begin() + w.poslano, w.pozice.begin() + w.poslano + n);
        pvm.doruc(tid, ZNACKA_ODPOVED, kus(posledni ? static_cast<int>(n) : -static_cast<int>(n),
                                           cast));
        w.poslano += n;
        if (posledni)
            skonci(tid);
        else
            w.na_ceste++;
    }

    void krok()
    {
        for (size_t i = workeri.size(); i < pvm.spustene.size(); i++) {
            const std::vector<std::string> &argumenty = pvm.spustene[i].second;
            workeri[PRVNI_TID + static_cast<int>(i)].pozice =
                naivne(text, vzor, std::stoul(argumenty[1]), std::stoul(argumenty[2]));
        }
        std::vector<int> mohou;
        for (const auto &[tid, w] : workeri)
            if (!w.konec && w.na_ceste < KUSU_NA_CESTE)
                mohou.push_back(tid);
        if (mohou.empty())
            return;
        const int tid = mohou[nahoda() % mohou.size()];
        const size_t rozsah = std::stoul(pvm.spustene[tid - PRVNI_TID].second[1]);
        int &zbyva_ztrat = ztrat[rozsah];
        if (zbyva_ztrat > 0 && nahoda() % 5 == 0) {
            zbyva_ztrat--;
            skonci(tid);
        } else {
            posli_kus(tid, workeri[tid]);
        }
    }
};

TEST(FarmerNaPvm, NahodneKusyAZtratyDajiPoziceNaivnihoHledani)
{
    std::mt19937 nahoda(17);
    for (int pokus = 0; pokus < 300; pokus++) {
        std::string text;
        for (size_t i = 0, n = 2 + nahoda() % 150; i < n; i++)
            text += "aab"[nahoda() % 3];
        const std::string vzor = pokus % 2 ? "ab" : "aa";
        const int delka = static_cast<int>(text.size());
        const int workeru = 1 + static_cast<int>(nahoda() % num_workers_max(delka, 2));
        Beh beh(rozloz_text(delka, 2, workeru), vzor);
        // Ranges are named by where they start; each loses up to two workers.
        PoctiviWorkeri skript{beh.pvm, text, vzor, nahoda, std::vector<int>(text.size()), {}};
        for (const Rozsah &r : beh.b.rozsahy)
            skript.ztrat[r.odkud] = static_cast<int>(nahoda() % 3);
        beh.pvm.pri_cekani = [&skript](FalesnePvm &) { skript.krok(); };
        beh.pvm.pri_odeslani = [&skript](FalesnePvm &, const FalesnaZprava &z) {
            if (z.znacka == ZNACKA_POTVRZENI)
                skript.workeri[z.komu].na_ceste--;
        };
        testing::internal::CaptureStderr();
        const bool hotovo = beh.hledej();
        testing::internal::GetCapturedStderr();
        ASSERT_TRUE(hotovo) << beh.chyba << " pokus " << pokus;
        ASSERT_EQ(beh.ulozene(), naivne(text, vzor, 0, text.size() - 1)) << "pokus " << pokus;
        for (const auto &[tid, w] : skript.workeri)
            ASSERT_GE(w.na_ceste, 0) << "pokus " << pokus;
    }
}

}  // namespace

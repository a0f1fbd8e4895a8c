// SPDX-License-Identifier: MIT
// The worker's loop driven through the scripted PVM, with no daemon: its pieces, the
// acknowledgements it waits for, and farmer's end.
#include "search/worker/worker.h"

#include <gtest/gtest.h>
#include <pvm3.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/falesne_pvm.h"
#include "search/testy/orakula.h"
#include "search/zpravy/hledani_zpravy.h"

namespace {

const int FARMER = 0x40001;

// A text file of the test's, gone with it.
struct Text {
    std::string jmeno = "/tmp/kvs-worker-XXXXXX";
    explicit Text(const std::string &obsah)
    {
        int fd = mkstemp(&jmeno[0]);
        EXPECT_EQ(write(fd, obsah.data(), obsah.size()), static_cast<ssize_t>(obsah.size()));
        close(fd);
    }
    ~Text() { unlink(jmeno.c_str()); }
};

// A worker started by farmer, sending pieces of kus positions; its stderr into hlaseni.
struct Worker {
    FalesnePvm pvm;
    std::string hlaseni;

    Worker()
    {
        pvm.mytid = 0x40002;
        pvm.rodic_tid = FARMER;
        pvm.limit_cekani = 100;
    }

    int spust(const Text &text, int odkud, int kam, const char *vzor, int kus)
    {
        std::vector<std::string> argumenty = {"worker", text.jmeno, std::to_string(odkud),
                                              std::to_string(kam), vzor};
        std::vector<char *> argv;
        for (std::string &a : argumenty)
            argv.push_back(&a[0]);
        setenv(PROMENNA_KUS_POZIC, std::to_string(kus).c_str(), 1);
        testing::internal::CaptureStderr();
        const int status = spust_workera(pvm, static_cast<int>(argv.size()), argv.data());
        hlaseni = testing::internal::GetCapturedStderr();
        unsetenv(PROMENNA_KUS_POZIC);
        return status;
    }

    // The pieces sent to farmer, each as its head and positions.
    std::vector<std::vector<int>> kusy() const
    {
        std::vector<std::vector<int>> vsechny;
        for (const FalesnaZprava &z : pvm.odeslane_se_znackou(ZNACKA_ODPOVED)) {
            EXPECT_EQ(z.komu, FARMER);
            vsechny.emplace_back();
            for (const Polozka &p : z.polozky)
                vsechny.back().push_back(p.i);
        }
        return vsechny;
    }
};

// "ab" 40 times over lines: 40 positions, 14 pieces of 3.
const std::string TEXT = [] {
    std::string t;
    for (int i = 0; i < 40; i++)
        t += i % 3 ? "ab" : "ab\r\n";
    return t;
}();

TEST(WorkerNaPvm, CekaNaPotvrzeniANejvysDvaKusyNaCeste)
{
    Worker w;
    Text text(TEXT);
    int potvrzeno = 0, nejvic_na_ceste = 0;
    w.pvm.pri_odeslani = [&](FalesnePvm &pvm, const FalesnaZprava &) {
        nejvic_na_ceste = std::max(nejvic_na_ceste,
                                   static_cast<int>(pvm.odeslane.size()) - potvrzeno);
    };
    // Each wait is answered by a stranger's acknowledgement, which counts for nothing, and
    // then by farmer's.
    w.pvm.pri_cekani = [&](FalesnePvm &pvm) {
        pvm.doruc(0x40077, ZNACKA_POTVRZENI, {});
        pvm.doruc(FARMER, ZNACKA_POTVRZENI, {});
        potvrzeno++;
    };
    ASSERT_EQ(w.spust(text, 0, 79, "ab", 3), 0) << w.hlaseni;
    EXPECT_EQ(w.hlaseni, "");
    EXPECT_EQ(nejvic_na_ceste, KUSU_NA_CESTE);
    std::vector<int> pozice;
    const std::vector<std::vector<int>> kusy = w.kusy();
    ASSERT_EQ(kusy.size(), 14u);
    for (size_t k = 0; k < kusy.size(); k++) {
        const int n = static_cast<int>(kusy[k].size()) - 1;
        EXPECT_EQ(kusy[k][0], k + 1 < kusy.size() ? -n : n);
        pozice.insert(pozice.end(), kusy[k].begin() + 1, kusy[k].end());
    }
    EXPECT_EQ(pozice, naivne(spoj_pomalu(TEXT), "ab", 0, 79));
    ASSERT_EQ(w.pvm.hlidane.size(), 1u);
    EXPECT_EQ(w.pvm.hlidane[0], std::make_pair(static_cast<int>(PvmTaskExit),
                                               std::vector<int>{FARMER}));
    EXPECT_TRUE(w.pvm.odhlasen);
}

TEST(WorkerNaPvm, KonecFarmeraUkonciWorkeraBezSlova)
{
    Worker w;
    Text text(TEXT);
    int cekani_po_konci = 0;
    bool oznameno = false;
    w.pvm.pri_cekani = [&](FalesnePvm &pvm) {
        if (oznameno) {
            cekani_po_konci++;
            return;
        }
        pvm.oznam_konec_ulohy(FARMER);
        oznameno = true;
    };
    EXPECT_EQ(w.spust(text, 0, 79, "ab", 3), 1);
    EXPECT_EQ(w.hlaseni, "");
    EXPECT_EQ(w.kusy().size(), static_cast<size_t>(KUSU_NA_CESTE));
    EXPECT_EQ(cekani_po_konci, 0);
    EXPECT_TRUE(w.pvm.odhlasen);
}

TEST(WorkerNaPvm, SelhaniPvmJeZpravouNaChybovemVystupu)
{
    const struct {
        int rodic, selhani_odeslani;
        const char *hlaseni;
    } pripady[] = {
        {FARMER, PvmSysErr, "worker: odpoved farmerovi nelze poslat!\n"},
        {PvmNoParent, 0, "worker: neni spusten farmerem (pvm_parent: -23)!\n"},
    };
    for (const auto &p : pripady) {
        Worker w;
        Text text(TEXT);
        w.pvm.rodic_tid = p.rodic;
        w.pvm.selhani_odeslani = p.selhani_odeslani;
        EXPECT_EQ(w.spust(text, 0, 79, "ab", 100), 1);
        EXPECT_EQ(w.hlaseni, p.hlaseni);
        EXPECT_TRUE(w.pvm.odeslane.empty());
        EXPECT_TRUE(w.pvm.odhlasen);
    }
}

}  // namespace

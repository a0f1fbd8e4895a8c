// SPDX-License-Identifier: MIT
// A scripted PVM for unit tests: the loops that talk to PVM run against it without a daemon.
// Messages to this task are queued by the test (or by its script, as peers that answer what
// they are sent); everything this task sends, spawns, kills and watches is recorded.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/pvm_spojeni.h"

// One packed item: an int or a double.
struct Polozka {
    bool cele = true;
    int i = 0;
    double d = 0;
};
Polozka cele(int i);
Polozka realne(double d);

// One message: who sent it to whom, its tag and its items in packing order.
struct FalesnaZprava {
    int od = 0;
    int komu = 0;
    int znacka = 0;
    std::vector<Polozka> polozky;
};

// Sender of the daemons' notices (task exit, host deleted), as PVM gives it.
const int TID_DEMONA = static_cast<int>(0x80000000u);

class FalesnePvm : public Pvm {
public:
    // This task, its parent (below 0: none) and the daemon of the host of any task not in
    // hostitele_uloh.
    int mytid = 0x40001;
    int rodic_tid = -23;  // PvmNoParent
    int vychozi_hostitel = 0x40000;
    std::map<int, int> hostitele_uloh;  // task -> host, for tasks on other hosts
    int formatu = 1;

    // Messages waiting for this task, in arrival order; a receive takes the first that fits.
    std::deque<FalesnaZprava> prichozi;
    // Called with each message this task sends (one call per task of a multicast): peers
    // scripted by the test answer by queueing into prichozi.
    std::function<void(FalesnePvm &, const FalesnaZprava &)> pri_odeslani;
    // Called when a receive finds nothing that fits: a script may queue the next event. A
    // receive still empty after it returns 0, or, waiting for ever, PvmSysErr, so a loop
    // that would wait for ever fails its test instead of hanging it.
    std::function<void(FalesnePvm &)> pri_cekani;
    // Receives that found nothing; after limit_cekani of them every receive fails, which ends
    // a busy loop that nothing will ever answer.
    int prazdnych_cekani = 0;
    int limit_cekani = 100000;

    // What this task did, in order.
    std::vector<FalesnaZprava> odeslane;
    std::vector<std::pair<std::string, std::vector<std::string>>> spustene;
    std::vector<int> zabite;
    std::vector<std::pair<int, std::vector<int>>> hlidane;  // (event, tasks or hosts)
    std::vector<std::string> exportovane;
    bool odhlasen = false;

    // Scripted failures: codes the next spawns return (in order; empty: they succeed), tasks
    // whose kill fails, and a code the next send or multicast returns (0: none).
    std::deque<int> selhani_spusteni;
    std::set<int> nezabitelne;
    int selhani_odeslani = 0;
    int dalsi_tid = 0x40002;

    // Queues a message from od to this task.
    void doruc(int od, int znacka, std::vector<Polozka> polozky);
    // Queues the daemons' notice that task tid has ended, or that host hostitel is lost.
    void oznam_konec_ulohy(int tid);
    void oznam_ztratu_hostitele(int hostitel);
    // The messages sent so far with tag znacka.
    std::vector<FalesnaZprava> odeslane_se_znackou(int znacka) const;

    int prihlas() override;
    int odhlas() override;
    int rodic() override;
    int hostitel(int tid) override;
    std::string architektura(int tid) override;
    int formatu_dat() override;
    int spust(const std::string &program, const std::vector<std::string> &argumenty,
              int *tid) override;
    int zabij(int tid) override;
    int hlidej(int udalost, int znacka, const std::vector<int> &koho) override;
    int exportuj(const char *promenna) override;
    int zacni_zpravu(int kodovani) override;
    int zabal(const int *hodnoty, int n) override;
    int zabal(const double *hodnoty, int n) override;
    int posli(int uloha, int znacka) override;
    int rozesli(const std::vector<int> &ulohy, int znacka) override;
    int prijmi(int od, int znacka, double lhuta_s, int *prisla, int *odesilatel) override;
    int rozbal(int *hodnoty, int n) override;
    int rozbal(double *hodnoty, int n) override;
    int zahod(int zprava) override;

private:
    std::vector<Polozka> posilana_;  // the send buffer; it stays after a send, as in PVM
    FalesnaZprava prijata_;          // the message last received
    size_t cteno_ = 0;               // items of it unpacked
    int cislo_zpravy_ = 0;
    bool najdi(int od, int znacka, int *prisla, int *odesilatel);
    int odesli(int uloha, int znacka);
};

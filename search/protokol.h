// Messages between farmer and its workers: every tag of the pair, and the one place where the
// reply is packed and unpacked.
#pragma once

#include <set>
#include <vector>

// A worker's one reply to farmer: int count, then count int positions when count != 0.
const int ZNACKA_ODPOVED = 5;
// Notices from the PVM daemons, never sent by a task: a task has exited (its identifier), a
// host has been lost (the identifier of its daemon).
const int ZNACKA_KONEC_ULOHY = 90;
const int ZNACKA_KONEC_HOSTITELE = 91;

// Worker: sends farmer the count and the positions in one message.
void posli_odpoved(int farmer, std::vector<int> &pozice);

// Farmer: asks PVM to announce the end of worker tid and the loss of its host. A task that
// has already ended is announced at once, so no end slips through.
void hlidej_workera(int tid);

// Farmer: waits for worker tid's reply, noting in skoncene every ended worker or host PVM
// announces meanwhile. Returns the reply's buffer, 0 when the worker ended without one or a
// held-back signal waits, below 0 when PVM fails.
int cekej_na_odpoved(int tid, std::set<int> &skoncene);

// Farmer: unpacks the reply just received into pozice. False when its count is below 0 or
// above nejvic (more than the worker's range can hold), or its positions cannot be unpacked.
bool rozbal_odpoved(int nejvic, std::vector<int> &pozice);

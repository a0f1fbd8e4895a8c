// SPDX-License-Identifier: MIT
// Messages between farmer and its workers: every tag of the pair, and the one place where the
// reply is packed and unpacked.
#pragma once

#include <cstddef>
#include <vector>

// A worker's reply to farmer, in one or more messages of this tag (pieces), each an int k
// and then |k| int positions:
// - k >= 0: the last piece, with k positions (none when k is 0);
// - k < 0: a piece of -k positions, and more pieces follow.
// A reply in one message, "int count, then count ints", is thus a reply of one last piece,
// and farmer takes it from any outside worker. The worker sends its positions as it finds
// them, ascending, in pieces of KUS_POZIC, so neither side ever holds all of them and no
// message comes near the 2 GiB that one PVM message cannot carry.
const int ZNACKA_ODPOVED = 5;
// farmer's word to a worker that a piece other than the last is stored (no content). A worker
// sends a piece only while at most one before it awaits this, so the daemons never hold more
// than two pieces of a worker, however slowly farmer stores them.
const int ZNACKA_POTVRZENI = 6;
const int KUSU_NA_CESTE = 2;
// Notices from the PVM daemons, never sent by a task: a task has exited (its identifier), a
// host has been lost (the identifier of its daemon).
const int ZNACKA_KONEC_ULOHY = 90;
const int ZNACKA_KONEC_HOSTITELE = 91;

// Positions in one piece: 4 MiB of ints.
const size_t KUS_POZIC = 1 << 20;
// Test hook: a worker whose environment holds KVS_KUS_POZIC=N (a whole number from 1 to
// KUS_POZIC) sends pieces of N positions; tests export it to the workers with PVM_EXPORT so
// that a few thousand positions span many pieces.
const char *const PROMENNA_KUS_POZIC = "KVS_KUS_POZIC";

// Worker: the positions it puts in one piece.
size_t kus_pozic();

// Worker: sends farmer the positions as one piece, the last one when posledni; false when PVM
// fails.
bool posli_kus(int farmer, std::vector<int> &pozice, bool posledni);

// Worker: waits until farmer has stored a piece; false when farmer has ended (the worker
// asked PVM for its end beforehand, with hlidej_farmera) or PVM fails.
bool cekej_na_potvrzeni(int farmer);

// Worker: asks PVM to announce farmer's end; false when PVM refuses.
bool hlidej_farmera(int farmer);

// Farmer: tells worker tid its piece is stored; false when PVM fails.
bool potvrd_kus(int tid);

// Farmer: asks PVM to announce the end of worker tid and the loss of its host; false when PVM
// refuses. A task that has already ended is announced at once, so no end slips through.
bool hlidej_workera(int tid);

// Farmer: unpacks the head of the piece just received into pocet and posledni; false when it
// cannot be unpacked or is no piece.
bool rozbal_hlavicku(size_t &pocet, bool &posledni);

// Farmer: unpacks the next n positions of the piece just received into pozice.
bool rozbal_pozice(int *pozice, size_t n);

// SPDX-License-Identifier: MIT
// Messages between farmer and its workers: every tag of the pair, and the one place where the
// reply is packed, sent, received and unpacked, all through the PVM edge given (the daemon's,
// or a scripted one in tests). Joining PVM and the daemons' notices of a task's end
// (ZNACKA_KONEC_ULOHY) or a host's loss are the shared edge's, common/pvm_spojeni.h.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/pvm_spojeni.h"

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

// Positions in one piece: 4 MiB of ints.
const size_t KUS_POZIC = 1 << 20;
// Test hook: a worker whose environment holds KVS_KUS_POZIC=N (a whole number from 1 to
// KUS_POZIC) sends pieces of N positions; tests export it to the workers with PVM_EXPORT so
// that a few thousand positions span many pieces.
const char *const PROMENNA_KUS_POZIC = "KVS_KUS_POZIC";

// Worker: the positions it puts in one piece.
size_t kus_pozic();

// Worker: how the positions are best packed in this virtual machine, for posli_kus.
int kodovani_pozic(Pvm &pvm);

// Worker to farmer: the positions as one piece (tag 5), the last one when posledni, packed as
// kodovani (from kodovani_pozic) says.
bool posli_kus(Pvm &pvm, int farmer, int kodovani, std::vector<int> &pozice, bool posledni,
               std::string *err);

// Worker: waits until farmer has stored a piece (tag 6); false when farmer has ended (the
// worker asked PVM for its end beforehand) or PVM is lost, neither of which is the worker's to
// tell.
bool prijmi_potvrzeni(Pvm &pvm, int farmer);

// Farmer to worker: its piece is stored (tag 6).
bool posli_potvrzeni(Pvm &pvm, int worker, std::string *err);

// Time on a clock that never goes back, in seconds: when a wait ends, how often progress is
// told.
double sekundy();

// Farmer: waits for a piece from worker until konec (a time of sekundy); one that is there
// already is taken even later. Returns the message, or 0 or below when none came.
int prijmi_kus_do(Pvm &pvm, int worker, double konec);

// Farmer: unpacks the head of the piece just received into pocet and posledni; false when it
// cannot be unpacked or is no piece.
bool rozbal_hlavicku(Pvm &pvm, size_t &pocet, bool &posledni);

// Farmer: unpacks the next n positions of the piece just received into pozice; false when the
// piece holds fewer.
bool rozbal_pozice(Pvm &pvm, int *pozice, size_t n);

// Farmer: frees the message zprava, taken and read, so that a piece of megabytes does not stay
// in memory while the next one comes. The next receive would free it too, so a failure costs
// no more than that.
void zahod_zpravu(Pvm &pvm, int zprava);

// SPDX-License-Identifier: MIT
// farmer's INT, TERM and HUP: the run cleans up after itself and ends by the same signal.
#pragma once

// From now on INT, TERM and HUP run uklid (which may use only async-signal-safe calls) and
// then end the process by the same signal, unless they are held back below.
void zachytavej_preruseni(void (*uklid)());

// Holds INT, TERM and HUP back, so that none lands in the middle of a PVM call or of a step
// that must be done whole; they wait until povol_preruseni.
void odloz_preruseni();

// Lets held-back signals through: one that came meanwhile ends the process here.
void povol_preruseni();

// True when a held-back INT, TERM or HUP is waiting.
bool preruseni_ceka();

// pvm_recv(tid, tag) that gives up, returning 0, as soon as a held-back signal waits; PVM's
// own blocking receive sits through any signal.
int prijmi_do_preruseni(int tid, int tag);

// SPDX-License-Identifier: MIT
// farmer's INT, TERM and HUP: the run cleans up after itself and ends by the same signal.
#pragma once

#include "common/pvm_spojeni.h"
#include "search/farmer/soubor_zpravy.h"

// From now on INT, TERM and HUP clean up zprava (uklid_zpravu) and then end the process by
// the same signal, unless they are held back below; zprava must live until
// prestan_zachytavat_preruseni.
void zachytavej_preruseni(const SouborZpravy &zprava);

// INT, TERM and HUP end the process as they would without farmer's handling.
void prestan_zachytavat_preruseni();

// Holds INT, TERM and HUP back, so that none lands in the middle of a PVM call or of a step
// that must be done whole; they wait until povol_preruseni.
void odloz_preruseni();

// Lets held-back signals through: one that came meanwhile ends the process here.
void povol_preruseni();

// True when a held-back INT, TERM or HUP is waiting.
bool preruseni_ceka();

// Waits for the next message from anyone through pvm, with its tag and sender, as prijmi_zpravu
// does for ever, but gives up, returning 0, as soon as a held-back signal waits; PVM's own
// blocking receive sits through any signal.
int prijmi_do_preruseni(Pvm &pvm, int &znacka, int &odesilatel);

// SPDX-License-Identifier: MIT
// farmer's collection of the workers' replies, piece by piece as they come, into the store;
// a lost worker's range is searched again by a new one.
#pragma once

#include <string>

#include "search/farmer/beh_farmera.h"

// Takes the pieces of all workers of b.wtids (one per range of b.rozsahy) in whatever order
// they arrive into b.odklad (made ready for them), until each has sent its last one. A worker
// that ends or is lost with its host before that loses what it sent, and another is started
// in its place (spust_znovu), up to SPUSTENI_NA_ROZSAH starts of a range. False, with the
// message naming the worker, when a range's last start is lost too, or a worker sends a reply
// that does not fit its range (not retried: one that lies would lie again); with the message
// of a new start or of the store that failed; without a message at an interrupt.
bool sber_odpovedi(BehFarmera &b, std::string *err);

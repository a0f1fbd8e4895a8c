// Messages between farmer and its workers.
#pragma once

// A worker's one reply to farmer: int count, then count int positions when count != 0.
const int TAG_ODPOVED = 5;

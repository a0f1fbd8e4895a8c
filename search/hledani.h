// The worker's search: its range of the joined text and every occurrence of the pattern in it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Streams fr and keeps in usek only the joined characters odkud..kam (inclusive); false when
// the text ends before index kam. Read errors end the process (see read_joined).
bool cti_usek(FILE *fr, int odkud, int kam, std::string &usek);

// Every position (overlapping ones included) where vzor starts wholly inside usek, ascending,
// each counted from the start of the text, of which usek begins at index posun.
std::vector<int> najdi_vyskyty(const std::string &usek, const std::string &vzor, int posun);

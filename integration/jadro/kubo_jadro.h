// SPDX-License-Identifier: MIT
// Midpoint integration of one box of the cuboid: the kernel every worker runs.
#pragma once

#include <functional>
#include <string>

// How the kernel has done its work (kubo_jadro_vnitrni.h), for tests and benchmarks.
struct StatistikaJadra;

// Told the whole percentage of the x edge done, each time it changes; returns whether the
// computation is to go on. An empty one is told nothing, and the computation goes on.
typedef std::function<bool(int procento)> HlaseniPostupu;

// One box to integrate, as a work unit carries it: [xod, xdo) x [yod, ydo) x [zod, zdo).
struct Jednotka {
    double xod = 0, yod = 0, zod = 0, xdo = 0, ydo = 0, zdo = 0;
};

// Mass of box j by the midpoint rule with step d and density number funkce, the grid starting
// at the box's lower corner; tells postup whenever the whole percentage of the x edge
// done changes (and stops there, returning the sum so far, when postup says not to go on),
// and counts its ways in *statistika unless that is null. Bit for bit the result of adding
// the cells one after another, only faster.
double vypocti(const Jednotka &j, double d, int funkce, const HlaseniPostupu &postup,
               StatistikaJadra *statistika = nullptr);

// The line a worker prints for each percentage postup is told, tid being the worker's own:
// "Delnik <tid>: Pocitam dilci hmotnost [<procento>%]" and a line end.
std::string radek_postupu(int tid, int procento);

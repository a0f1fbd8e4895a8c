// SPDX-License-Identifier: MIT
// Speed of the midpoint kernel against baselines measured in the same run: a plain chain of as
// many dependent double additions as the box has cells (the bound of any kernel that adds the
// cells' terms one after another); for density 3, the terms alone, ((xm + ym) + zm) * vol made
// and summed in vector lanes of each width (not exact: the floor of any kernel that makes every
// term); and the kernel without its memory of rows' sums. On one 5 % slab of the README
// example, on its whole cuboid, on one 5 % slab of a 7 x 3 x 1 box with step 0.001 (more
// row values than the memory holds) and on one of a box whose rows are longer than the kernel
// holds at once; then how the fast kernel did its work there, and the
// whole slab plan in one process, the baseline of the end-to-end PVM benchmark
// (scripts/bench-integration.sh).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "bench/kubo_podlaha.h"
#include "common/cesta_cpu.h"
#include "integration/jadro/kubo_jadro_vnitrni.h"
#include "integration/kubo_prace.h"

namespace {

struct Pripad {
    const char *nazev;
    Kvadr kvadr;
    double krok;
    bool cely;  // every slab of the plan, or its sixth one alone
};

const Pripad PRIPADY[] = {
    {"slab", Kvadr{20, 10, 1}, 0.005, false},
    {"cuboid", Kvadr{20, 10, 1}, 0.005, true},
    {"7x3x1/0.001", Kvadr{7, 3, 1}, 0.001, false},
    // Rows of 4.5 million cells, past what the kernel holds of an axis at once.
    {"longrows", Kvadr{0.00002, 0.00001, 4.5}, 1e-6, false},
};
const int POCET_PRIPADU = sizeof PRIPADY / sizeof PRIPADY[0];

std::vector<Jednotka> jednotky(int rozsah)
{
    std::vector<Jednotka> plan;
    for (const Vrstva &v : plan_vrstev(PRIPADY[rozsah].kvadr, 5))
        plan.push_back(v.box);
    if (!PRIPADY[rozsah].cely)
        return {plan[5]};
    return plan;
}

std::vector<double> stredy(double od, double po, double krok)
{
    std::vector<double> s;
    for (double t = od; t < po; t += krok)
        s.push_back(t + krok / 2.0);
    return s;
}

double pocet_bunek(int rozsah)
{
    double n = 0, d = PRIPADY[rozsah].krok;
    for (const Jednotka &j : jednotky(rozsah))
        n += (double)stredy(j.xod, j.xdo, d).size() * (double)stredy(j.yod, j.ydo, d).size() *
             (double)stredy(j.zod, j.zdo, d).size();
    return n;
}

void nastav_citac(benchmark::State &state, int rozsah)
{
    state.counters["bunek_za_s"] =
        benchmark::Counter(pocet_bunek(rozsah), benchmark::Counter::kIsIterationInvariantRate);
}

__attribute__((noinline)) double retez(double soucet, double clen, long long n)
{
    for (long long i = 0; i < n; i++)
        soucet += clen;
    return soucet;
}

void RetezSoucetu(benchmark::State &state)
{
    long long n = (long long)pocet_bunek((int)state.range(0));
    double clen = 1.0 / 3.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(clen);
        benchmark::DoNotOptimize(retez(0.0, clen, n));
    }
    nastav_citac(state, (int)state.range(0));
}

// The floor at the path in use, for density 3 only.
double jen_cleny(const Jednotka &j, double d, int)
{
    std::vector<double> ys = stredy(j.yod, j.ydo, d), zs = stredy(j.zod, j.zdo, d);
    double soucet = 0.0;
    for (double xs : stredy(j.xod, j.xdo, d))
        soucet += cleny_vrstvy(xs, ys, zs, d * d * d);
    return soucet;
}

double s_pameti(const Jednotka &j, double d, int funkce, bool pamet, StatistikaJadra *statistika)
{
    VolbyJadra volby;
    volby.pamet_radku = pamet;
    return vypocti_s_volbami(j, d, funkce, volby, HlaseniPostupu(), statistika);
}

// The kernel without a progress sink, as a worker runs it but for the lines.
double nove(const Jednotka &j, double d, int funkce)
{
    return s_pameti(j, d, funkce, true, nullptr);
}

double bez_pameti(const Jednotka &j, double d, int funkce)
{
    return s_pameti(j, d, funkce, false, nullptr);
}

// Arguments: range, density, and the vector path.
template <double (*Jadro)(const Jednotka &, double, int)>
void Integrace(benchmark::State &state)
{
    int rozsah = (int)state.range(0), funkce = (int)state.range(1);
    CestaCpu vychozi = cesta_cpu();
    if (!zvol_cestu_cpu((CestaCpu)state.range(2))) {
        state.SkipWithError("this CPU lacks the path");
        return;
    }
    std::vector<Jednotka> plan = jednotky(rozsah);
    for (auto _ : state)
        for (const Jednotka &j : plan)
            benchmark::DoNotOptimize(Jadro(j, PRIPADY[rozsah].krok, funkce));
    zvol_cestu_cpu(vychozi);
    nastav_citac(state, rozsah);
}

void CelyPlanVJednomProcesu(benchmark::State &state)
{
    for (auto _ : state)
        for (const Jednotka &j : jednotky(1))
            benchmark::DoNotOptimize(nove(j, PRIPADY[1].krok, (int)state.range(0)));
}

const CestaCpu CESTY[] = {CESTA_OBECNA, CESTA_SSE2, CESTA_AVX2, CESTA_AVX512};

// Every range and path for density 3, and with vsechny_funkce densities 1 and 2 at the path
// in use as well.
void argumenty(benchmark::internal::Benchmark *b, bool vsechny_funkce)
{
    for (int rozsah = 0; rozsah < POCET_PRIPADU; rozsah++) {
        for (CestaCpu cesta : CESTY)
            if (cpu_umi(cesta))
                b->Args({rozsah, 3, cesta});
        for (int funkce = 1; vsechny_funkce && funkce <= 2; funkce++)
            b->Args({rozsah, funkce, cesta_cpu()});
    }
}

void vsechny(benchmark::internal::Benchmark *b) { argumenty(b, true); }
void jen_treti(benchmark::internal::Benchmark *b) { argumenty(b, false); }

BENCHMARK(RetezSoucetu)->DenseRange(0, POCET_PRIPADU - 1)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Integrace, nove)->Name("Novy")->Apply(vsechny)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Integrace, bez_pameti)
    ->Name("BezPameti")
    ->Apply(jen_treti)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Integrace, jen_cleny)
    ->Name("JenCleny")
    ->Apply(jen_treti)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(CelyPlanVJednomProcesu)->DenseRange(1, 3)->Unit(benchmark::kMicrosecond)->Iterations(1);

// Keeps each benchmark's cell rate, the median when it is repeated, so the ratios can be
// printed at the end.
class ReporterSPomery : public benchmark::ConsoleReporter {
public:
    // Plain text: the table goes to standard error, often into a log.
    ReporterSPomery() : ConsoleReporter(OO_None) {}
    std::map<std::string, double> rychlost;
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            bool jediny = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            auto citac = run.counters.find("bunek_za_s");
            if ((jediny || median) && citac != run.counters.end() && !run.error_occurred)
                rychlost[run.run_name.str()] = citac->second.value;
        }
    }
};

// One line per range, density and path: the kernel against the chain, and for density 3
// against the floor of the same width (time over the floor's time) and without its memory.
void vypis_pomery(std::map<std::string, double> &rychlost)
{
    for (int rozsah = 0; rozsah < POCET_PRIPADU; rozsah++)
        for (int funkce = 1; funkce <= 3; funkce++)
            for (CestaCpu cesta : CESTY) {
                std::string klic = "/" + std::to_string(rozsah) + "/" + std::to_string(funkce) +
                                   "/" + std::to_string((int)cesta);
                double retez = rychlost["RetezSoucetu/" + std::to_string(rozsah)];
                double novy = rychlost["Novy" + klic];
                if (!(novy > 0 && retez > 0))
                    continue;
                fprintf(stderr, "%-11s funkce %d %-6s %9.3g cells/s %9.2fx chain",
                        PRIPADY[rozsah].nazev, funkce, nazev_cesty_cpu(cesta), novy,
                        novy / retez);
                double floor = rychlost["JenCleny" + klic], bez = rychlost["BezPameti" + klic];
                if (floor > 0 && bez > 0)
                    fprintf(stderr, " %6.2fx floor; without memory %6.2fx chain %6.2fx floor",
                            floor / novy, bez / retez, floor / bez);
                fprintf(stderr, "\n");
            }
}

// How the fast kernel did the whole cuboid density by density, and the 7 x 3 x 1 slab.
void vypis_statistiku()
{
    for (int rozsah : {1, 2})
        for (int funkce = rozsah == 1 ? 1 : 3; funkce <= 3; funkce++) {
            StatistikaJadra s = {};
            for (const Jednotka &j : jednotky(rozsah))
                s_pameti(j, PRIPADY[rozsah].krok, funkce, true, &s);
            double bunek = pocet_bunek(rozsah);
            fprintf(stderr,
                    "funkce %d %s: %.3g cells, %llu closed-form runs (%llu ties), %llu blocks "
                    "summed as integers (%llu taken from the memory of rows), %llu refused (%llu "
                    "for a tie), %llu terms added one by one (%.2g of the cells)\n",
                    funkce, PRIPADY[rozsah].nazev, bunek, s.skoky, s.remizy, s.bloky,
                    s.bloky_znovu, s.bloky_po_jednom, s.bloky_s_remizou, s.scitani_po_jednom,
                    s.scitani_po_jednom / bunek);
        }
}

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    ReporterSPomery reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (!reporter.rychlost.empty()) {
        fprintf(stderr, "vector path in use: %s\n", nazev_cesty_cpu(cesta_cpu()));
        vypis_pomery(reporter.rychlost);
        vypis_statistiku();
    }
    return 0;
}

// SPDX-License-Identifier: MIT
// Speed of the midpoint kernel against two baselines measured in the same run: a plain chain
// of as many dependent double additions as the box has cells (the bound of any kernel that
// adds the cells' terms one after another), and that kind of kernel itself, the loops hoisted
// but one addition per cell, as the kernel was before it summed exactly in blocks. Both on
// one 5 % slab of the README example and on its whole cuboid; then how often the fast kernel
// fell back to single additions there, and the whole slab plan in one process, the baseline
// of the end-to-end PVM benchmark (scripts/bench-integration.sh).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "cesta_cpu.h"
#include "kubo_jadro_vnitrni.h"
#include "kubo_prace.h"
#include "kubo_ro.h"

namespace {

const double KROK = 0.005;

// Range 0: one inner slab of the example (5 % of the x edge); range 1: all its slabs.
std::vector<Jednotka> jednotky(int rozsah)
{
    std::vector<Jednotka> plan = plan_jednotek(Kvadr{20, 10, 1}, 5);
    if (rozsah == 0)
        return {plan[5]};
    return plan;
}

double bunek_na_ose(double od, double po)
{
    double n = 0;
    for (double t = od; t < po; t += KROK)
        n++;
    return n;
}

double pocet_bunek(int rozsah)
{
    double n = 0;
    for (const Jednotka &j : jednotky(rozsah))
        n += bunek_na_ose(j.xod, j.xdo) * bunek_na_ose(j.yod, j.ydo) * bunek_na_ose(j.zod, j.zdo);
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

// The kernel as it was, without its progress lines: the y and z midpoints laid out once, and
// every cell's term added to the running sum in turn.
__attribute__((noinline)) double radek_po_bunkach(double soucet, double xy,
                                                  const std::vector<double> &zs, double objem)
{
    for (double z : zs)
        soucet += (xy + z) * objem;
    return soucet;
}

std::vector<double> stredy(double od, double po)
{
    std::vector<double> s;
    for (double t = od; t < po; t += KROK)
        s.push_back(t + KROK / 2.0);
    return s;
}

double po_bunkach(const Jednotka &j, int funkce)
{
    std::vector<double> ys = stredy(j.yod, j.ydo), zs = stredy(j.zod, j.zdo);
    double objem = KROK * KROK * KROK, soucet = 0.0;
    for (double xs : stredy(j.xod, j.xdo)) {
        if (funkce == 3) {
            for (double y : ys)
                soucet = radek_po_bunkach(soucet, xs + y, zs, objem);
        } else {
            soucet = retez(soucet, ro(xs, 0.0, 0.0, funkce) * objem,
                           (long long)(ys.size() * zs.size()));
        }
    }
    return soucet;
}

// The kernel without a progress sink, as a worker runs it but for the lines; counting its
// ways in *statistika unless null.
double nove_pocitane(const Jednotka &j, int funkce, StatistikaJadra *statistika)
{
    return vypocti(j.xod, j.yod, j.zod, j.xdo, j.ydo, j.zdo, KROK, funkce, HlaseniPostupu(),
                   statistika);
}

double nove(const Jednotka &j, int funkce) { return nove_pocitane(j, funkce, nullptr); }

// Arguments: range, density, and the vector path of the new kernel.
template <double (*Jadro)(const Jednotka &, int)>
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
            benchmark::DoNotOptimize(Jadro(j, funkce));
    zvol_cestu_cpu(vychozi);
    nastav_citac(state, rozsah);
}

void CelyPlanVJednomProcesu(benchmark::State &state)
{
    for (auto _ : state)
        for (const Jednotka &j : jednotky(1))
            benchmark::DoNotOptimize(nove(j, (int)state.range(0)));
}

void argumenty(benchmark::internal::Benchmark *b, bool vsechny_cesty)
{
    for (int rozsah : {0, 1})
        for (int funkce : {1, 2, 3}) {
            b->Args({rozsah, funkce, cesta_cpu()});
            if (vsechny_cesty && funkce == 3 && cesta_cpu() != CESTA_SSE2)
                b->Args({rozsah, funkce, CESTA_SSE2});
        }
}

BENCHMARK(RetezSoucetu)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Integrace, nove)
    ->Name("Novy")
    ->Apply([](benchmark::internal::Benchmark *b) { argumenty(b, true); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Integrace, po_bunkach)
    ->Name("PoBunkach")
    ->Apply([](benchmark::internal::Benchmark *b) { argumenty(b, false); })
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

void vypis_pomery(std::map<std::string, double> &rychlost)
{
    std::vector<int> cesty = {cesta_cpu()};
    if (cesta_cpu() != CESTA_SSE2)
        cesty.push_back(CESTA_SSE2);
    const char *nazvy[] = {"slab", "cuboid"};
    for (int rozsah : {0, 1})
        for (int funkce = 1; funkce <= 3; funkce++)
            for (int cesta : cesty) {
                if (funkce != 3 && cesta != cesta_cpu())
                    continue;
                std::string rf = "/" + std::to_string(rozsah) + "/" + std::to_string(funkce) + "/";
                double mez = rychlost["RetezSoucetu/" + std::to_string(rozsah)];
                double stary = rychlost["PoBunkach" + rf + std::to_string(cesta_cpu())];
                double novy = rychlost["Novy" + rf + std::to_string(cesta)];
                if (novy > 0 && mez > 0 && stary > 0)
                    fprintf(stderr,
                            "%-6s funkce %d %-16s %9.3g cells/s %10.2fx chain %10.2fx one by one\n",
                            nazvy[rozsah], funkce, nazev_cesty_cpu((CestaCpu)cesta), novy,
                            novy / mez, novy / stary);
            }
}

// How the fast kernel did the whole cuboid, density by density.
void vypis_statistiku()
{
    double bunek = pocet_bunek(1);
    for (int funkce = 1; funkce <= 3; funkce++) {
        StatistikaJadra s = {};
        for (const Jednotka &j : jednotky(1))
            nove_pocitane(j, funkce, &s);
        fprintf(stderr,
                "funkce %d: %.3g cells, %llu closed-form runs (%llu ties), %llu blocks summed as "
                "integers, %llu refused (%llu for a tie), %llu terms added one by one (%.2g of "
                "the cells)\n",
                funkce, bunek, s.skoky, s.remizy, s.bloky, s.bloky_po_jednom, s.bloky_s_remizou,
                s.scitani_po_jednom, s.scitani_po_jednom / bunek);
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

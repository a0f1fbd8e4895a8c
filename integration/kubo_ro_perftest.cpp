// Speed of the midpoint kernel against two baselines measured in the same run: a plain chain
// of as many dependent double additions as the box has cells (the bound: the running sum is
// the one dependency the result needs), and the cell-by-cell kernel with one ro call per cell.
// Also the whole slab plan of the README example computed in one process, the baseline of
// the end-to-end PVM benchmark (scripts/bench-integration.sh).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <string>

#include "kubo_prace.h"
#include "kubo_ro.h"

namespace {

// One slab of the README example: 1/20 of the x edge of 20 x 10 x 1, step 0.005.
const double XOD = 5, XDO = 6, YDO = 10, ZDO = 1, KROK = 0.005;

double pocet_bunek()
{
    double n = 1;
    for (double hrana : {XDO - XOD, YDO, ZDO}) {
        double pocet = 0;
        for (double t = 0; t < hrana; t += KROK)
            pocet++;
        n *= pocet;
    }
    return n;
}

void nastav_citac(benchmark::State &state)
{
    state.counters["bunek_za_s"] =
        benchmark::Counter(pocet_bunek(), benchmark::Counter::kIsIterationInvariantRate);
}

void RetezSoucetu(benchmark::State &state)
{
    long long n = (long long)pocet_bunek();
    double clen = 1.0 / 3.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(clen);
        double soucet = 0.0;
        for (long long i = 0; i < n; i++)
            soucet += clen;
        benchmark::DoNotOptimize(soucet);
    }
    nastav_citac(state);
}

template <double (*Jadro)(double, double, double, double, double, double, double, int)>
void Integrace(benchmark::State &state)
{
    int funkce = (int)state.range(0);
    for (auto _ : state)
        benchmark::DoNotOptimize(Jadro(XOD, 0, 0, XDO, YDO, ZDO, KROK, funkce));
    nastav_citac(state);
}

void CelyPlanVJednomProcesu(benchmark::State &state)
{
    Kvadr kvadr;
    kvadr.x = 20;
    kvadr.y = 10;
    kvadr.z = 1;
    for (auto _ : state) {
        double hmotnost = 0;
        for (const Jednotka &j : plan_jednotek(kvadr, 5))
            hmotnost += vypocti(j.xod, j.yod, j.zod, j.xdo, j.ydo, j.zdo, KROK, 1);
        benchmark::DoNotOptimize(hmotnost);
    }
}

BENCHMARK(RetezSoucetu)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Integrace, vypocti)->Name("Rychly")->DenseRange(1, 3)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Integrace, vypocti_primo)->Name("Primy")->DenseRange(1, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(CelyPlanVJednomProcesu)->Unit(benchmark::kSecond)->Iterations(1);

// Keeps each run's cell rate so the ratios can be printed at the end.
class ReporterSPomery : public benchmark::ConsoleReporter {
public:
    // Plain text: the table goes to standard error, often into a log.
    ReporterSPomery() : ConsoleReporter(OO_None) {}
    std::map<std::string, double> rychlost;
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            auto citac = run.counters.find("bunek_za_s");
            if (citac != run.counters.end())
                rychlost[run.benchmark_name()] = citac->second.value;
        }
    }
};

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    // The kernels print progress lines; they would drown the table.
    std::cout.flush();
    if (freopen("/dev/null", "w", stdout) == nullptr)
        return 1;
    ReporterSPomery reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double mez = reporter.rychlost["RetezSoucetu"];
    for (int funkce = 1; funkce <= 3; funkce++) {
        std::string k = "/" + std::to_string(funkce);
        double rychly = reporter.rychlost["Rychly" + k], primy = reporter.rychlost["Primy" + k];
        if (mez > 0 && primy > 0)
            fprintf(stderr, "funkce %d: rychly/mez %.3f, rychly/primy %.2f\n", funkce,
                    rychly / mez, rychly / primy);
    }
    return 0;
}

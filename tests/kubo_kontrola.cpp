// SPDX-License-Identifier: MIT
// Checks of kubo-main's report against partial masses worked out in the test itself.
#include "tests/kubo_kontrola.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "integration/jadro/kubo_jadro.h"
#include "tests/program_runner.h"

static std::string desetinne(double hodnota)
{
    char buf[64];
    snprintf(buf, sizeof buf, "%6.10f", hodnota);
    return buf;
}

Kvadr kvadr(double x, double y, double z)
{
    Kvadr k;
    k.x = x;
    k.y = y;
    k.z = z;
    return k;
}

// The slabs along the x edge x, from and to, as the master hands them out: each starts at
// x / 100.0 times the percent handed out before it; inner slabs take velikost percent, and
// the one that would reach 100 % or past it ends at the edge itself.
static std::vector<std::pair<double, double>> vrstvy(double x, int velikost)
{
    std::vector<std::pair<double, double>> vrstvy;
    for (int zadano = 0; zadano < 100;) {
        double od = x / 100.0 * zadano;
        if (velikost <= 99 - zadano) {
            zadano += velikost;
            vrstvy.emplace_back(od, x / 100.0 * zadano);
        } else {
            zadano = 100;
            vrstvy.emplace_back(od, x);
        }
    }
    return vrstvy;
}

// The mass of the slab [xod, xdo) x [0, y) x [0, z) cell by cell, as the midpoint rule reads:
// each coordinate advanced by adding d, each cell's density at its midpoint times the cell's
// volume added to the sum in the loops' order.
static double hmotnost_po_bunkach(double xod, double xdo, const Kvadr &k, double d, int funkce)
{
    const double objem = d * d * d;
    double soucet = 0.0;
    for (double x = xod; x < xdo; x += d)
        for (double y = 0.0; y < k.y; y += d)
            for (double z = 0.0; z < k.z; z += d) {
                double xs = x + d / 2.0, ys = y + d / 2.0, zs = z + d / 2.0;
                double hustota = funkce == 1   ? 1.0
                                 : funkce == 2 ? xs
                                 : funkce == 3 ? (xs + ys) + zs
                                               : 0.0;
                soucet += hustota * objem;
            }
    return soucet;
}

std::vector<double> dilci_hmotnosti(const Kvadr &kvadr, double d, int funkce, int velikost)
{
    std::vector<double> hmotnosti;
    for (const auto &[od, po] : vrstvy(kvadr.x, velikost))
        hmotnosti.push_back(hmotnost_po_bunkach(od, po, kvadr, d, funkce));
    return hmotnosti;
}

std::vector<double> dilci_hmotnosti_jadrem(const Kvadr &kvadr, double d, int funkce,
                                           int velikost)
{
    std::vector<double> hmotnosti;
    for (const auto &[od, po] : vrstvy(kvadr.x, velikost))
        hmotnosti.push_back(
            vypocti(Jednotka{od, 0, 0, po, kvadr.y, kvadr.z}, d, funkce, HlaseniPostupu()));
    return hmotnosti;
}

::testing::AssertionResult soucet_sedi(const std::string &vystup, std::vector<double> plan)
{
    std::string soucet = soucet_zpravy(vystup);
    if (soucet.empty())
        return ::testing::AssertionFailure() << "no single total in the report";
    double spocteno = 0.0;
    for (double m : plan)
        spocteno += m;
    for (const std::string &p :
         matching(vystup, "Hlavni \\d+: Parcialni hmotnost z delnika \\d+: (\\S+)")) {
        auto slab = std::find_if(plan.begin(), plan.end(),
                                 [&](double m) { return desetinne(m) == p; });
        if (slab == plan.end())
            return ::testing::AssertionFailure() << "no slab of the plan has mass " << p;
        plan.erase(slab);
    }
    if (!plan.empty())
        return ::testing::AssertionFailure() << plan.size() << " slabs never reported";
    if (desetinne(spocteno) != soucet)
        return ::testing::AssertionFailure()
               << "total " << soucet << ", expected " << desetinne(spocteno);
    return ::testing::AssertionSuccess();
}

std::string soucet_zpravy(const std::string &vystup)
{
    std::vector<std::string> soucet = matching(vystup, "Hmotnost kvadru: (\\S+)");
    return soucet.size() == 1 ? soucet[0] : "";
}

std::string soucet_jednoho_delnika(std::vector<std::string> argumenty)
{
    argumenty.at(5) = "1";
    std::vector<std::string> argv = {script_path("pvm-run.sh"), "-e", program_path(""),
                                     program_path("kubo-main")};
    argv.insert(argv.end(), argumenty.begin(), argumenty.end());
    TempDir dir;
    RunResult r = run_program(argv, "", dir.path());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    return soucet_zpravy(r.out);
}

const char *const PAK_CEKEJ_NA_DELNIKY = R"sh(
. "$0"
limit=$1
shift
"$@"; status=$?
for _ in $(seq $((limit * 20))); do
  zbyvajici=$(task_of_this_run kubo-worker.exe)
  [ -z "$zbyvajici" ] && break
  sleep 0.05
done
echo "zbyvajici delnici:${zbyvajici:+ $zbyvajici}"
exit $status)sh";

// SPDX-License-Identifier: MIT
// Checks of kubo-main's report against the slab plan computed in the test itself.
#include "kubo_kontrola.h"

#include <algorithm>
#include <cstdio>

#include "kubo_jadro.h"
#include "program_runner.h"

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

std::vector<double> dilci_hmotnosti(const Kvadr &kvadr, double d, int funkce, int velikost)
{
    std::vector<double> hmotnosti;
    for (const Jednotka &j : plan_jednotek(kvadr, velikost))
        hmotnosti.push_back(
            vypocti(j.xod, j.yod, j.zod, j.xdo, j.ydo, j.zdo, d, funkce, HlaseniPostupu()));
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

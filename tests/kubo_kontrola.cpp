// Checks of kubo-main's report against the slab plan computed in the test itself.
#include "kubo_kontrola.h"

#include <algorithm>
#include <cstdio>

#include "kubo_ro.h"
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
    testing::internal::CaptureStdout();
    for (const Jednotka &j : plan_jednotek(kvadr, velikost))
        hmotnosti.push_back(vypocti(j.xod, j.yod, j.zod, j.xdo, j.ydo, j.zdo, d, funkce));
    testing::internal::GetCapturedStdout();
    return hmotnosti;
}

::testing::AssertionResult soucet_sedi(const std::string &vystup, std::vector<double> plan)
{
    std::vector<std::string> soucet = matching(vystup, "Hmotnost kvadru: (\\S+)");
    if (soucet.size() != 1)
        return ::testing::AssertionFailure() << "no single total in the report";
    double spocteno = 0.0;
    for (const std::string &p :
         matching(vystup, "Hlavni \\d+: Parcialni hmotnost z delnika \\d+: (\\S+)")) {
        auto slab = std::find_if(plan.begin(), plan.end(),
                                 [&](double m) { return desetinne(m) == p; });
        if (slab == plan.end())
            return ::testing::AssertionFailure() << "no slab of the plan has mass " << p;
        spocteno += *slab;
        plan.erase(slab);
    }
    if (!plan.empty())
        return ::testing::AssertionFailure() << plan.size() << " slabs never reported";
    if (desetinne(spocteno) != soucet[0])
        return ::testing::AssertionFailure()
               << "total " << soucet[0] << ", expected " << desetinne(spocteno);
    return ::testing::AssertionSuccess();
}

// What to tell the user when the PVM daemon cannot start a program.
#include "pvm_napoveda.h"

#include <pvm3.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The architecture name of this process's host as the daemon knows it, else $PVM_ARCH.
std::string architektura()
{
    int hostitelu = 0, formatu = 0;
    pvmhostinfo *hostitele = nullptr;
    int muj = pvm_tidtohost(pvm_mytid());
    if (pvm_config(&hostitelu, &formatu, &hostitele) >= 0)
        for (int i = 0; i < hostitelu; i++)
            if (hostitele[i].hi_tid == muj && hostitele[i].hi_arch != nullptr)
                return hostitele[i].hi_arch;
    const char *arch = getenv("PVM_ARCH");
    return arch != nullptr && *arch != '\0' ? arch : "$PVM_ARCH";
}

std::string promenna(const char *jmeno)
{
    const char *hodnota = getenv(jmeno);
    return hodnota != nullptr && *hodnota != '\0' ? hodnota : std::string("$") + jmeno;
}

}  // namespace

void vypis_napovedu_spusteni(FILE *kam, const char *program)
{
    // PVM tells no task the daemon's program path (ep= of its hostfile), so the places a
    // daemon started without one looks in are named instead.
    const std::string arch = architektura();
    fprintf(kam,
            "Demon PVM nenasel program %s. Bez ep= v souboru hostitelu ho hleda v %s/pvm3/bin/%s"
            " a v %s/bin/%s.\n",
            program, promenna("HOME").c_str(), arch.c_str(), promenna("PVM_ROOT").c_str(),
            arch.c_str());
    fprintf(kam,
            "Uvedte slozku s programem %s jako ep=SLOZKA v souboru hostitelu demona, nebo ho"
            " dejte do slozky uloh balicku /usr/lib/pvm3/bin/LINUX64.\n",
            program);
}

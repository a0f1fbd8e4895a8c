// SPDX-License-Identifier: MIT
// Advice for a task program that a PVM daemon could not find: which one, where, what to do.
#include "pvm_napoveda.h"

#include <cstdlib>

std::string architektura_hostitele(Pvm &pvm, int tid)
{
    std::string arch = pvm.architektura(tid);
    return arch.empty() ? "$PVM_ARCH" : arch;
}

static std::string promenna_nebo(const char *jmeno, const char *jinak)
{
    const char *hodnota = getenv(jmeno);
    return hodnota != nullptr && *hodnota != '\0' ? hodnota : jinak;
}

std::vector<std::string> napoveda_nenalezeneho_programu(const std::string &program,
                                                        const std::string &arch)
{
    // The daemon's own HOME and PVM_ROOT are not known here; a daemon started by this user
    // from this shell has the same, and Debian's default root is the package's.
    std::string domov = promenna_nebo("HOME", "$HOME");
    std::string koren = promenna_nebo("PVM_ROOT", "/usr/lib/pvm3");
    return {
        "Demon PVM nenasel program " + program + ".",
        "PVM nehlasi, kde demon hledal: bez ep= v souboru hostitelu hleda v " + domov +
            "/pvm3/bin/" + arch + " a v " + koren + "/bin/" + arch + ".",
        "Uvedte slozku s " + program + " jako ep=SLOZKA v souboru hostitelu demona, nebo "
            "program nainstalujte do slozky uloh balicku /usr/lib/pvm3/bin/" + arch + ".",
    };
}

// SPDX-License-Identifier: MIT
// Advice for a task program that a PVM daemon could not find: which one, where, what to do.
#include "common/pvm_napoveda.h"

#include <sys/stat.h>

#include <cstdlib>
#include <sstream>

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

// The folders of PVM_PATH, PVM's name for a daemon's program folders (pvm-run sets it to the
// ep= of its daemon), then the two a default daemon looks in.
static std::vector<std::string> slozky_programu(const std::string &domov,
                                               const std::string &koren,
                                               const std::string &arch)
{
    std::vector<std::string> slozky;
    std::istringstream cesta(promenna_nebo("PVM_PATH", ""));
    for (std::string slozka; std::getline(cesta, slozka, ':');)
        slozky.push_back(slozka);
    slozky.push_back(domov + "/pvm3/bin/" + arch);
    slozky.push_back(koren + "/bin/" + arch);
    return slozky;
}

// The first file called program in the folders, when the daemon passed it over for lacking its
// owner's execute bit, which is what a daemon looks for; "" when none is there.
static std::string nespustitelny_program(const std::string &program,
                                         const std::vector<std::string> &slozky)
{
    for (const std::string &slozka : slozky) {
        const std::string soubor = slozka + "/" + program;
        struct stat stav;
        if (stat(soubor.c_str(), &stav) == 0 && S_ISREG(stav.st_mode) &&
            (stav.st_mode & S_IXUSR) == 0)
            return soubor;
    }
    return "";
}

std::vector<std::string> napoveda_nenalezeneho_programu(const std::string &program,
                                                        const std::string &arch)
{
    // The daemon's own HOME and PVM_ROOT are not known here; a daemon started by this user
    // from this shell has the same, and Debian's default root is the package's.
    std::string domov = promenna_nebo("HOME", "$HOME");
    std::string koren = promenna_nebo("PVM_ROOT", "/usr/lib/pvm3");
    std::string soubor = nespustitelny_program(program, slozky_programu(domov, koren, arch));
    if (!soubor.empty())
        return {
            "Demon PVM nenasel spustitelny program " + program + ": soubor " + soubor +
                " neni spustitelny.",
            "Povolte jeho spusteni (chmod +x " + soubor + ").",
        };
    return {
        "Demon PVM nenasel program " + program + ".",
        "PVM nehlasi, kde demon hledal: bez ep= v souboru hostitelu hleda v " + domov +
            "/pvm3/bin/" + arch + " a v " + koren + "/bin/" + arch + ".",
        "Uvedte slozku s " + program + " jako ep=SLOZKA v souboru hostitelu demona, nebo "
            "program nainstalujte do slozky uloh balicku /usr/lib/pvm3/bin/" + arch + ".",
    };
}

std::vector<std::string> napoveda_k_programu(Pvm &pvm, int mytid, const std::string &program)
{
    return napoveda_nenalezeneho_programu(program, architektura_hostitele(pvm, mytid));
}

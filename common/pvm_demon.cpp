// SPDX-License-Identifier: MIT
// libpvm behind the PVM edge: the back end of a real daemon, and libpvm's own lines kept off
// standard error.
#include <fcntl.h>
#include <pvm3.h>
#include <sys/time.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "common/pvm_spojeni.h"

int odklon_hlaseni_libpvm()
{
    fflush(stderr);
    int nic = open("/dev/null", O_WRONLY | O_CLOEXEC);
    int puvodni = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    bool odkloneno = nic >= 0 && puvodni >= 0 && dup2(nic, STDERR_FILENO) == STDERR_FILENO;
    if (nic >= 0)
        close(nic);
    if (!odkloneno && puvodni >= 0) {
        close(puvodni);
        puvodni = -1;
    }
    return puvodni;
}

// libpvm tells on standard error what went wrong with its daemon (each failed try of a join,
// three lines for one; a connection reset by a daemon that went in the middle of a call),
// while the programs tell a failure once, in their own words: the call's result says all they
// need. So every call that talks to the daemon goes with standard error pointed away.
template <typename Volani> static int bez_hlaseni_libpvm(Volani volani)
{
    int puvodni = odklon_hlaseni_libpvm();
    int vysledek = volani();
    if (puvodni >= 0) {
        dup2(puvodni, STDERR_FILENO);
        close(puvodni);
    }
    return vysledek;
}

// libpvm behind the seam; the casts away from const are libpvm's old prototypes, which do
// not write through those pointers.
class DemonPvm : public Pvm {
public:
    int prihlas() override
    {
        pvm_setopt(PvmAutoErr, 0);
        return bez_hlaseni_libpvm(pvm_mytid);
    }
    int odhlas() override { return bez_hlaseni_libpvm(pvm_exit); }
    int rodic() override { return pvm_parent(); }
    int hostitel(int tid) override { return pvm_tidtohost(tid); }
    std::string architektura(int tid) override;
    int formatu_dat() override
    {
        int hostitelu = 0, formatu = 0;
        pvmhostinfo *hostitele = nullptr;
        int vysledek =
            bez_hlaseni_libpvm([&] { return pvm_config(&hostitelu, &formatu, &hostitele); });
        return vysledek < 0 ? vysledek : formatu;
    }
    int spust(const std::string &program, const std::vector<std::string> &argumenty,
              int *tid) override;
    int zabij(int tid) override
    {
        return bez_hlaseni_libpvm([tid] { return pvm_kill(tid); });
    }
    int hlidej(int udalost, int znacka, const std::vector<int> &koho) override
    {
        return bez_hlaseni_libpvm([&] {
            return pvm_notify(udalost, znacka, static_cast<int>(koho.size()),
                              const_cast<int *>(koho.data()));
        });
    }
    int exportuj(const char *promenna) override
    {
        return pvm_export(const_cast<char *>(promenna));
    }
    int zacni_zpravu(int kodovani) override { return pvm_initsend(kodovani); }
    int zabal(const int *hodnoty, int n) override
    {
        return pvm_pkint(const_cast<int *>(hodnoty), n, 1);
    }
    int zabal(const double *hodnoty, int n) override
    {
        return pvm_pkdouble(const_cast<double *>(hodnoty), n, 1);
    }
    int posli(int uloha, int znacka) override
    {
        return bez_hlaseni_libpvm([=] { return pvm_send(uloha, znacka); });
    }
    int rozesli(const std::vector<int> &ulohy, int znacka) override
    {
        return bez_hlaseni_libpvm([&] {
            return pvm_mcast(const_cast<int *>(ulohy.data()), static_cast<int>(ulohy.size()),
                             znacka);
        });
    }
    int prijmi(int od, int znacka, double lhuta_s, int *prisla, int *odesilatel) override;
    int rozbal(int *hodnoty, int n) override { return pvm_upkint(hodnoty, n, 1); }
    int rozbal(double *hodnoty, int n) override { return pvm_upkdouble(hodnoty, n, 1); }
    int zahod(int zprava) override { return pvm_freebuf(zprava); }
};

std::string DemonPvm::architektura(int tid)
{
    int hostitelu = 0, formatu = 0;
    pvmhostinfo *hostitele = nullptr;
    if (bez_hlaseni_libpvm([&] { return pvm_config(&hostitelu, &formatu, &hostitele); }) < 0)
        return "";
    int hostitel = pvm_tidtohost(tid);
    for (int i = 0; i < hostitelu; i++)
        if (hostitele[i].hi_tid == hostitel)
            return hostitele[i].hi_arch;
    return "";
}

int DemonPvm::spust(const std::string &program, const std::vector<std::string> &argumenty,
                    int *tid)
{
    // PVM takes a NULL-terminated array of writable strings, but does not write them.
    std::vector<char *> argv;
    for (const std::string &argument : argumenty)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    return bez_hlaseni_libpvm([&] {
        return pvm_spawn(const_cast<char *>(program.c_str()),
                         argumenty.empty() ? nullptr : argv.data(), PvmTaskDefault,
                         const_cast<char *>(""), 1, tid);
    });
}

int DemonPvm::prijmi(int od, int znacka, double lhuta_s, int *prisla, int *odesilatel)
{
    timeval lhuta;
    lhuta.tv_sec = static_cast<time_t>(lhuta_s);
    lhuta.tv_usec = static_cast<suseconds_t>((lhuta_s - std::floor(lhuta_s)) * 1e6);
    int zprava = bez_hlaseni_libpvm([&] {
        if (lhuta_s < 0)
            return pvm_recv(od, znacka);
        return lhuta_s == 0 ? pvm_nrecv(od, znacka) : pvm_trecv(od, znacka, &lhuta);
    });
    if (zprava > 0) {
        int delka = 0;
        if (pvm_bufinfo(zprava, &delka, prisla, odesilatel) < 0)
            return PvmSysErr;
    }
    return zprava;
}

Pvm &pvm_demona()
{
    static DemonPvm demon;
    return demon;
}

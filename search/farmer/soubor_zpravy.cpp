// SPDX-License-Identifier: MIT
// The report file, made whole beside its place and renamed into it.
#include "search/farmer/soubor_zpravy.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

// The name refers to something the report may replace: nothing, a regular file that may be
// written, or a symbolic link (replaced itself; its target is left alone) that points to
// such a file or nowhere. A FIFO would block the writer, a folder or a device is no report.
bool lze_nahradit(const char *jmeno, const struct stat &udaje)
{
    if (S_ISREG(udaje.st_mode))
        return access(jmeno, W_OK) == 0;
    if (!S_ISLNK(udaje.st_mode))
        return false;
    struct stat cil;
    if (stat(jmeno, &cil) != 0)
        return errno == ENOENT;
    return S_ISREG(cil.st_mode) && access(jmeno, W_OK) == 0;
}

// The mode a report gets: that of the file it replaces, as an emptied file keeps its own, or
// what a new file gets under the umask.
mode_t mod_zpravy(const SouborZpravy &zprava)
{
    if (zprava.stary && S_ISREG(zprava.stary_udaje.st_mode))
        return zprava.stary_udaje.st_mode & 07777;
    mode_t maska = umask(0);
    umask(maska);
    return 0666 & ~maska;
}

bool tentyz_soubor(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
           a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

}  // namespace

bool priprav_zpravu(const char *jmeno, SouborZpravy &zprava, std::string *err)
{
    zprava.jmeno = jmeno;
    *err = std::string("fopen: Chyba pri praci se souborem : ") + jmeno;
    struct stat udaje {};
    bool je = lstat(jmeno, &udaje) == 0;
    if ((!je && errno != ENOENT) || (je && !lze_nahradit(jmeno, udaje)))
        return false;
    snprintf(zprava.docasny, sizeof zprava.docasny, ".%s.XXXXXX", jmeno);
    int fd = mkstemp(zprava.docasny);
    if (fd < 0) {
        zprava.docasny[0] = '\0';
        return false;
    }
    zprava.stary = je;
    zprava.stary_udaje = udaje;
    zprava.fw = fdopen(fd, "w");
    if (zprava.fw == nullptr || fchmod(fd, mod_zpravy(zprava)) != 0) {
        if (zprava.fw == nullptr)
            close(fd);
        return false;
    }
    return true;
}

bool dokonci_zpravu(SouborZpravy &zprava)
{
    bool zapsano = fflush(zprava.fw) == 0 && !ferror(zprava.fw);
    zapsano = fclose(zprava.fw) == 0 && zapsano;
    zprava.fw = nullptr;
    if (!zapsano || rename(zprava.docasny, zprava.jmeno) != 0)
        return false;
    zprava.hotovo = 1;
    return true;
}

void uklid_zpravu(const SouborZpravy &zprava)
{
    if (zprava.hotovo)
        return;
    if (zprava.docasny[0] != '\0')
        unlink(zprava.docasny);
    struct stat ted;
    if (zprava.stary && lstat(zprava.jmeno, &ted) == 0 && tentyz_soubor(ted, zprava.stary_udaje))
        unlink(zprava.jmeno);
}

// SPDX-License-Identifier: MIT
// The workers' log "delnik.out": opened so that no kind of file can block the opener.
#include "integration/kubo_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "common/text.h"

const char *const LOG_DELNIKU = "delnik.out";

static bool je_obycejny(const struct stat &st) { return S_ISREG(st.st_mode); }

// Opens soubor for writing as a regular file, or gives -1 with jiny set when it is another
// kind of file, a symbolic link included. Whatever is there already is looked at first, and
// not followed, so that a device is never opened; the open itself neither blocks nor follows
// a link, since a FIFO or a link can take its place in between, and fstat then tells what
// was really opened.
static int otevri_obycejny(const char *soubor, int priznaky, bool &jiny)
{
    struct stat st;
    jiny = lstat(soubor, &st) == 0 && !je_obycejny(st);
    if (jiny)
        return -1;
    int fd = open(soubor,
                  priznaky | O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW,
                  0666);
    if (fd < 0) {
        // A FIFO without a reader, a folder or a link that came in between.
        jiny = errno == ENXIO || errno == EISDIR || errno == ELOOP;
        return -1;
    }
    jiny = fstat(fd, &st) != 0 || !je_obycejny(st);
    if (jiny) {
        close(fd);
        return -1;
    }
    return fd;
}

// Puts an empty regular file, with the mode a new file gets, in place of the symbolic link
// soubor: made beside it and renamed over the link, so the link's target, which a planted
// link may aim at a file of someone else's, is neither written nor created. A link to a
// FIFO, a folder or a device is refused (jiny), as that file itself would be.
static bool nahrad_odkaz(const char *soubor, bool &jiny)
{
    struct stat cil;
    jiny = stat(soubor, &cil) == 0 && !je_obycejny(cil);
    if (jiny)
        return false;
    std::string docasny = soubor;
    size_t jmeno = docasny.rfind('/') + 1;  // 0 without a folder
    docasny.insert(jmeno, ".");
    docasny += ".XXXXXX";
    int fd = mkostemp(&docasny[0], O_CLOEXEC);
    if (fd < 0)
        return false;
    mode_t maska = umask(0);
    umask(maska);
    bool hotovo = fchmod(fd, 0666 & ~maska) == 0;
    hotovo = close(fd) == 0 && hotovo;
    hotovo = hotovo && rename(docasny.c_str(), soubor) == 0;
    if (!hotovo)
        unlink(docasny.c_str());
    return hotovo;
}

// Empties the regular file soubor in place, so that whoever follows it keeps following.
static bool vyprazdni_obycejny(const char *soubor, bool &jiny)
{
    int fd = otevri_obycejny(soubor, 0, jiny);
    bool hotovo = fd >= 0 && ftruncate(fd, 0) == 0;
    if (fd >= 0 && close(fd) != 0)
        hotovo = false;
    return hotovo;
}

bool vyprazdni_log(const char *soubor, std::string *chyba)
{
    struct stat st;
    bool jiny;
    bool odkaz = lstat(soubor, &st) == 0 && S_ISLNK(st.st_mode);
    bool hotovo = odkaz ? nahrad_odkaz(soubor, jiny) : vyprazdni_obycejny(soubor, jiny);
    if (jiny)
        *chyba = naformatuj("Soubor '%s' pro zaznamy delniku neni obycejny soubor.", soubor);
    else if (!hotovo)
        *chyba = naformatuj("Soubor '%s' pro zaznamy delniku nelze vytvorit.", soubor);
    return hotovo;
}

bool pripis_do_logu(const char *soubor, const std::string &radek)
{
    bool jiny;
    int fd = otevri_obycejny(soubor, O_APPEND, jiny);
    if (fd < 0)
        return false;
    bool zapsano = write(fd, radek.data(), radek.size()) == (ssize_t)radek.size();
    return close(fd) == 0 && zapsano;
}

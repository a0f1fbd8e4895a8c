// SPDX-License-Identifier: MIT
// The workers' log "delnik.out": opened so that no kind of file can block the opener.
#include "kubo_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "kubo_prace.h"

const char *const LOG_DELNIKU = "delnik.out";

static bool je_obycejny(const struct stat &st) { return S_ISREG(st.st_mode); }

// Opens soubor for writing as a regular file, or gives -1 with jiny set when it is another
// kind of file. Whatever is there already is looked at first, so that a device is never
// opened; the open itself does not block, since a FIFO can take its place in between, and
// fstat then tells what was really opened.
static int otevri_obycejny(const char *soubor, int priznaky, bool &jiny)
{
    struct stat st;
    jiny = stat(soubor, &st) == 0 && !je_obycejny(st);
    if (jiny)
        return -1;
    int fd = open(soubor, priznaky | O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        // A FIFO without a reader, or a folder, that came in between.
        jiny = errno == ENXIO || errno == EISDIR;
        return -1;
    }
    jiny = fstat(fd, &st) != 0 || !je_obycejny(st);
    if (jiny) {
        close(fd);
        return -1;
    }
    return fd;
}

bool vyprazdni_log(const char *soubor, std::string *chyba)
{
    bool jiny;
    int fd = otevri_obycejny(soubor, 0, jiny);
    bool hotovo = fd >= 0 && ftruncate(fd, 0) == 0;
    if (fd >= 0 && close(fd) != 0)
        hotovo = false;
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

// SPDX-License-Identifier: MIT
// Store of the positions farmer receives, in memory and past a bound in a temporary file.
#include "search/farmer/odklad.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// An unlinked file in $TMPDIR (or /tmp): it goes with the process, however that ends.
bool otevri_docasny_soubor(Odklad &odklad, std::string *err)
{
    const char *slozka = getenv("TMPDIR");
    std::string vzor = std::string(slozka != nullptr && *slozka != '\0' ? slozka : "/tmp") +
                       "/farmer-pozice.XXXXXX";
    int fd = mkstemp(&vzor[0]);
    if (fd < 0) {
        *err = "mkstemp " + vzor + ": " + strerror(errno);
        return false;
    }
    unlink(vzor.c_str());
    odklad.fd = fd;
    return true;
}

// Writes (zapis) or reads delka bytes at data to or from byte kde of fd, all of them.
bool prenes_cele(bool zapis, int fd, char *data, size_t delka, off_t kde, std::string *err)
{
    while (delka > 0) {
        ssize_t n = zapis ? pwrite(fd, data, delka, kde) : pread(fd, data, delka, kde);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *err = std::string(zapis ? "pwrite: " : "pread: ") +
                   (n < 0 ? strerror(errno) : "soubor je kratsi");
            return false;
        }
        data += n;
        delka -= static_cast<size_t>(n);
        kde += n;
    }
    return true;
}

}  // namespace

void zaloz_odklad(Odklad &odklad, size_t workeru) { odklad.kusy.assign(workeru, {}); }

bool odloz(Odklad &odklad, size_t worker, const int *pozice, size_t n, std::string *err)
{
    if (n == 0)
        return true;
    std::vector<KusOdkladu> &kusy = odklad.kusy[worker];
    if (odklad.pamet.size() + n <= odklad.v_pameti) {
        kusy.push_back({false, odklad.pamet.size(), n});
        odklad.pamet.insert(odklad.pamet.end(), pozice, pozice + n);
    } else {
        if (odklad.fd < 0 && !otevri_docasny_soubor(odklad, err))
            return false;
        // pwrite only reads from the positions.
        char *data = reinterpret_cast<char *>(const_cast<int *>(pozice));
        if (!prenes_cele(true, odklad.fd, data, n * sizeof(int),
                         static_cast<off_t>(odklad.v_souboru * sizeof(int)), err))
            return false;
        // Runs of one worker that follow one another in the file are read back as one.
        if (!kusy.empty() && kusy.back().v_souboru &&
            kusy.back().od + kusy.back().pocet == odklad.v_souboru)
            kusy.back().pocet += n;
        else
            kusy.push_back({true, odklad.v_souboru, n});
        odklad.v_souboru += n;
    }
    odklad.celkem += n;
    return true;
}

void zahod_pozice(Odklad &odklad, size_t worker)
{
    for (const KusOdkladu &kus : odklad.kusy[worker])
        odklad.celkem -= kus.pocet;
    odklad.kusy[worker].clear();
}

bool projdi_odklad(const Odklad &odklad, const CtenarOdkladu &ctenar, std::string *err)
{
    std::unique_ptr<int[]> blok;
    for (const std::vector<KusOdkladu> &kusy : odklad.kusy) {
        for (const KusOdkladu &kus : kusy) {
            if (!kus.v_souboru) {
                if (!ctenar(odklad.pamet.data() + kus.od, kus.pocet))
                    return true;
                continue;
            }
            if (!blok)
                blok.reset(new int[ODKLAD_V_PAMETI]);
            for (size_t hotovo = 0; hotovo < kus.pocet;) {
                size_t n = std::min(ODKLAD_V_PAMETI, kus.pocet - hotovo);
                if (!prenes_cele(false, odklad.fd, reinterpret_cast<char *>(blok.get()),
                                 n * sizeof(int),
                                 static_cast<off_t>((kus.od + hotovo) * sizeof(int)), err))
                    return false;
                if (!ctenar(blok.get(), n))
                    return true;
                hotovo += n;
            }
        }
    }
    return true;
}

void zavri_odklad(Odklad &odklad)
{
    if (odklad.fd >= 0)
        close(odklad.fd);
    odklad = Odklad{};
}

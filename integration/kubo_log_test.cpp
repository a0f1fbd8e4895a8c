// SPDX-License-Identifier: MIT
// Unit tests of the workers' log: emptied, appended to, and refused unless a regular file.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "integration/kubo_log.h"

namespace {

namespace fs = std::filesystem;

struct Slozka {
    fs::path cesta = fs::temp_directory_path() / ("kubo_log_test." + std::to_string(getpid()));
    Slozka() { fs::create_directories(cesta); }
    ~Slozka() { fs::remove_all(cesta); }
    std::string log() const { return (cesta / "delnik.out").string(); }
    std::string obsah() const
    {
        std::ifstream f(log());
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
};

TEST(LogDelniku, VyprazdniSeAPripisujeCeleRadky)
{
    Slozka s;
    std::ofstream(s.log()) << "zaznam z minuleho behu\n";
    std::string chyba;
    ASSERT_TRUE(vyprazdni_log(s.log().c_str(), &chyba)) << chyba;
    EXPECT_EQ(s.obsah(), "");
    EXPECT_TRUE(pripis_do_logu(s.log().c_str(), "Delnik 1: Vytvoren\n"));
    EXPECT_TRUE(pripis_do_logu(s.log().c_str(), "Delnik 2: Vytvoren\n"));
    EXPECT_EQ(s.obsah(), "Delnik 1: Vytvoren\nDelnik 2: Vytvoren\n");
}

// None of these may block or be written to: a FIFO with and without a reader, a folder, a
// device behind a symbolic link.
TEST(LogDelniku, JinySouborNezObycejnyJeOdmitnut)
{
    for (const char *druh : {"fifo", "fifo se ctenarem", "slozka", "zarizeni"}) {
        Slozka s;
        std::string nazev = druh;
        int ctenar = -1;
        if (nazev.rfind("fifo", 0) == 0) {
            ASSERT_EQ(mkfifo(s.log().c_str(), 0666), 0);
            if (nazev != "fifo")
                ctenar = open(s.log().c_str(), O_RDONLY | O_NONBLOCK);
        } else if (nazev == "slozka") {
            fs::create_directory(s.log());
        } else {
            fs::create_symlink("/dev/null", s.log());
        }
        std::string chyba;
        EXPECT_FALSE(vyprazdni_log(s.log().c_str(), &chyba)) << druh;
        EXPECT_EQ(chyba, "Soubor '" + s.log() + "' pro zaznamy delniku neni obycejny soubor.");
        EXPECT_FALSE(pripis_do_logu(s.log().c_str(), "Delnik 1: Vytvoren\n")) << druh;
        if (ctenar >= 0) {
            char bajt;
            EXPECT_LE(read(ctenar, &bajt, 1), 0) << "something was written to the FIFO";
            close(ctenar);
        }
    }
}

// A link of the log's name, to a file of someone else's or to nowhere.
struct OdkazLogu {
    Slozka s;
    fs::path cil;
    explicit OdkazLogu(bool na_soubor) : cil(s.cesta / (na_soubor ? "cenny.txt" : "nic.txt"))
    {
        if (na_soubor)
            std::ofstream(cil) << "cenny obsah\n";
        fs::create_symlink(cil, s.log());
    }
    // The target as the link found it: the same text, or still not there.
    bool cil_nedotcen(bool na_soubor) const
    {
        if (!na_soubor)
            return !fs::exists(fs::symlink_status(cil));
        std::ifstream f(cil);
        std::stringstream obsah;
        obsah << f.rdbuf();
        return obsah.str() == "cenny obsah\n";
    }
    // Names in the folder, the log's and the target's included.
    size_t souboru() const
    {
        return (size_t)std::distance(fs::directory_iterator(s.cesta), fs::directory_iterator());
    }
};

// The master replaces the link itself by an empty file with a new file's mode; nothing is
// written through it and no temporary file is left.
TEST(LogDelniku, OdkazNahradiPrazdnymSouboremACilNecha)
{
    mode_t maska = umask(0);
    umask(maska);
    for (bool na_soubor : {true, false}) {
        OdkazLogu o(na_soubor);
        std::string chyba;
        ASSERT_TRUE(vyprazdni_log(o.s.log().c_str(), &chyba)) << chyba;
        struct stat st;
        ASSERT_EQ(lstat(o.s.log().c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << na_soubor;
        EXPECT_EQ(st.st_size, 0);
        EXPECT_EQ(st.st_mode & 07777, 0666 & ~maska);
        EXPECT_TRUE(o.cil_nedotcen(na_soubor)) << na_soubor;
        EXPECT_EQ(o.souboru(), na_soubor ? 2u : 1u);
        EXPECT_TRUE(pripis_do_logu(o.s.log().c_str(), "Delnik 1: Vytvoren\n"));
        EXPECT_EQ(o.s.obsah(), "Delnik 1: Vytvoren\n");
    }
}

// A link planted during the run is never written through by a worker.
TEST(LogDelniku, PripisNeprojdeOdkazem)
{
    for (bool na_soubor : {true, false}) {
        OdkazLogu o(na_soubor);
        EXPECT_FALSE(pripis_do_logu(o.s.log().c_str(), "Delnik 1: Vytvoren\n")) << na_soubor;
        EXPECT_TRUE(o.cil_nedotcen(na_soubor)) << na_soubor;
    }
}

TEST(LogDelniku, NevytvoritelnyLogMaSvouZpravu)
{
    Slozka s;
    std::string log = (s.cesta / "neni" / "delnik.out").string();
    std::string chyba;
    EXPECT_FALSE(vyprazdni_log(log.c_str(), &chyba));
    EXPECT_EQ(chyba, "Soubor '" + log + "' pro zaznamy delniku nelze vytvorit.");
    EXPECT_FALSE(pripis_do_logu(log.c_str(), "radek\n"));
}

}  // namespace

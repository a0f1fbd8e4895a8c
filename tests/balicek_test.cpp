// SPDX-License-Identifier: MIT
// The Debian package as a user gets it: made by cpack from this build, unpacked into a scratch
// root with dpkg -x (never installed onto the machine), and run from there.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/kubo_kontrola.h"
#include "tests/program_runner.h"

namespace fs = std::filesystem;

namespace {

class DebianBalicek : public ::testing::Test {
protected:
    // One package per test program: cpack installs the whole build, which takes a while.
    static void SetUpTestSuite()
    {
        slozka = std::make_unique<TempDir>();
        RunResult r = run_program({KVS_CPACK, "-G", "DEB", "--config", KVS_CPACK_CONFIG, "-B",
                                   slozka->file("balik")},
                                  "", slozka->path(), 300);
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        for (const fs::directory_entry &e : fs::directory_iterator(slozka->file("balik")))
            if (e.path().extension() == ".deb")
                balik = e.path();
        ASSERT_FALSE(balik.empty()) << r.out;
        r = run_program({"/usr/bin/dpkg-deb", "-x", balik, slozka->file("koren")}, "",
                        slozka->path());
        ASSERT_EQ(r.status, 0) << r.err;
    }
    static void TearDownTestSuite() { slozka.reset(); }

    void SetUp() override { ASSERT_FALSE(balik.empty()) << "no package was made"; }

    static std::string v_koreni(const std::string &cesta) { return slozka->file("koren" + cesta); }

    static std::unique_ptr<TempDir> slozka;
    static std::string balik;
};

std::unique_ptr<TempDir> DebianBalicek::slozka;
std::string DebianBalicek::balik;

const char *const ULOHY = "/usr/lib/pvm3/bin/" KVS_PVM_ARCH;

TEST_F(DebianBalicek, ProgramyUlohyPomocniciAZavislosti)
{
    for (const char *program : {"kubo-main", "farmer", "matrix-power", "charge-input", "pvm-run"})
        EXPECT_TRUE(fs::exists(v_koreni(std::string("/usr/bin/") + program))) << program;
    for (const char *uloha : {"kubo-worker.exe", "kubo-worker", "worker"})
        EXPECT_TRUE(fs::exists(v_koreni(std::string(ULOHY) + "/" + uloha))) << uloha;
    EXPECT_TRUE(fs::exists(v_koreni("/usr/libexec/kvs-pvm/pvm-run-tasker")));
    EXPECT_TRUE(fs::exists(v_koreni("/usr/share/doc/kvs-pvm/README.md")));

    RunResult r = run_program({"/usr/bin/dpkg-deb", "-f", balik, "Depends"}, "", slozka->path());
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> zavislosti;
    for (size_t od = 0; od < r.out.size();) {
        size_t do_ = r.out.find_first_of(",\n", od);
        std::string z = r.out.substr(od, do_ - od);
        z.erase(0, z.find_first_not_of(' '));
        if (!z.empty())
            zavislosti.push_back(z);
        od = do_ == std::string::npos ? r.out.size() : do_ + 1;
    }
    // Libraries carry the lowest version the programs need, as dpkg-shlibdeps found it; the
    // daemon and console are needed in any version.
    for (const char *z : {"libpvm3", "libc6", "libstdc++6", "libgcc-s1"}) {
        auto najdi = std::find_if(zavislosti.begin(), zavislosti.end(), [&](const std::string &d) {
            return d.rfind(std::string(z) + " (>= ", 0) == 0;
        });
        EXPECT_NE(najdi, zavislosti.end()) << z << " with a version in " << r.out;
    }
    EXPECT_NE(std::find(zavislosti.begin(), zavislosti.end(), "pvm"), zavislosti.end()) << r.out;
}

// What a Debian maintainer checks: lintian's verdict, manual pages that render cleanly,
// stripped programs, the one worker binary, the documents of the package.
TEST_F(DebianBalicek, LintianManualyAProuzkovaneProgramy)
{
    if (fs::exists("/usr/bin/lintian")) {
        RunResult r = run_program({"/usr/bin/lintian", "-EI", "-L", "+pedantic", balik}, "",
                                  slozka->path(), 300);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_TRUE(matching(r.out, "([EWIPX]): .*").empty()) << r.out;
    } else {
        ADD_FAILURE() << "lintian is not installed (scripts/install-deps.sh test installs it)";
    }
    for (const char *stranka : {"kubo-main", "farmer", "matrix-power", "charge-input", "pvm-run"}) {
        std::string cesta = v_koreni(std::string("/usr/share/man/man1/") + stranka + ".1.gz");
        RunResult r = run_program({"/bin/sh", "-c", "MANWIDTH=80 man --warnings -l \"$1\"", "man",
                                   cesta},
                                  "", slozka->path());
        EXPECT_EQ(r.status, 0) << stranka << r.err;
        EXPECT_EQ(r.err, "") << stranka;
        EXPECT_NE(r.out.find("EXIT STATUS"), std::string::npos) << stranka;
    }
    for (const char *slozka_programu : {"/usr/bin", ULOHY, "/usr/libexec/kvs-pvm"})
        for (const fs::directory_entry &e : fs::directory_iterator(v_koreni(slozka_programu))) {
            if (e.is_symlink() || !fs::is_regular_file(e) || e.path().extension() == ".sh" ||
                e.path().filename() == "pvm-run")
                continue;
            RunResult r = run_program({"/usr/bin/readelf", "-S", "-W", e.path()}, "", "/");
            ASSERT_EQ(r.status, 0) << e.path() << r.err;
            for (const char *oddil : {" .symtab ", " .debug_", " .comment "})
                EXPECT_EQ(r.out.find(oddil), std::string::npos) << e.path() << " has" << oddil;
        }
    std::string exe = v_koreni(std::string(ULOHY) + "/kubo-worker.exe");
    EXPECT_TRUE(fs::is_symlink(exe));
    EXPECT_EQ(fs::canonical(exe), fs::canonical(v_koreni(std::string(ULOHY) + "/kubo-worker")));
    for (const char *dokument : {"copyright", "changelog.gz", "README.md", "examples/matice.txt",
                                 "examples/pole.txt"})
        EXPECT_TRUE(fs::exists(v_koreni(std::string("/usr/share/doc/kvs-pvm/") + dokument)))
            << dokument;
    // The guide is for a user who has the package only.
    std::string pruvodce;
    {
        std::ifstream f(v_koreni("/usr/share/doc/kvs-pvm/README.md"));
        pruvodce.assign(std::istreambuf_iterator<char>(f), {});
    }
    for (const char *vyvoj : {"build/", "scripts/", "../"})
        EXPECT_EQ(pruvodce.find(vyvoj), std::string::npos) << vyvoj;
}

// The installed pvm-run, with no -e, finds the task programs and its tasker beside itself,
// and the guide's examples run with it.
TEST_F(DebianBalicek, ProgramyZBalickuPocitajiJakoSestaveni)
{
    TempDir sestaveni, z_balicku;
    const std::vector<std::string> argumenty = {"2", "1", "0.5", "0.01", "3", "3", "10"};
    std::vector<std::string> a = {script_path("pvm-run.sh"), "-e", program_path(""),
                                  program_path("kubo-main")};
    std::vector<std::string> b = {v_koreni("/usr/bin/pvm-run"), "-o", "ulohy.txt",
                                  v_koreni("/usr/bin/kubo-main")};
    a.insert(a.end(), argumenty.begin(), argumenty.end());
    b.insert(b.end(), argumenty.begin(), argumenty.end());
    RunResult ra = run_program(a, "", sestaveni.path());
    RunResult rb = run_program(b, "", z_balicku.path());
    ASSERT_EQ(ra.status, 0) << ra.err;
    ASSERT_EQ(rb.status, 0) << rb.err;
    std::vector<double> plan = dilci_hmotnosti(kvadr(2, 1, 0.5), 0.01, 3, 10);
    EXPECT_TRUE(soucet_sedi(ra.out, plan));
    EXPECT_TRUE(soucet_sedi(rb.out, plan));
    EXPECT_EQ(lines_of(rb.out).size(), lines_of(ra.out).size());
    EXPECT_FALSE(matching(z_balicku.read("ulohy.txt"), "\\[t[0-9a-f]+\\] (Delnik .*)").empty());

    std::string text;
    for (int i = 0; i < 400; i++)
        text += "radek " + std::to_string(i) + (i % 7 == 0 ? " farmar\r\n" : " pole\n");
    sestaveni.write("text.txt", text);
    z_balicku.write("text.txt", text);
    ra = run_program({script_path("pvm-run.sh"), "-e", program_path(""), program_path("farmer"),
                      "text.txt", "3"},
                     "farmar\n", sestaveni.path());
    rb = run_program({v_koreni("/usr/bin/pvm-run"), v_koreni("/usr/bin/farmer"), "text.txt", "3"},
                     "farmar\n", z_balicku.path());
    ASSERT_EQ(ra.status, 0) << ra.err;
    EXPECT_EQ(rb.status, 0) << rb.err;
    EXPECT_EQ(rb.out, ra.out);
    EXPECT_EQ(z_balicku.read("find_output.txt"), sestaveni.read("find_output.txt"));

    // The guide's examples, run from a copy of the shipped examples.
    TempDir kopie;
    fs::copy(v_koreni("/usr/share/doc/kvs-pvm/examples"), kopie.path(),
             fs::copy_options::recursive);
    RunResult r = run_program({v_koreni("/usr/bin/matrix-power")}, "", kopie.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("102.000000\t126.000000\t150.000000\t\n"), std::string::npos) << r.out;
    r = run_program({v_koreni("/usr/bin/pvm-run"), v_koreni("/usr/bin/farmer"), "pole.txt", "3"},
                    "farmar\n", kopie.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("v souboru \"pole.txt\" : 4\n"), std::string::npos) << r.out;
    EXPECT_TRUE(kopie.exists("find_output.txt"));
}

// A daemon started the ordinary way, without ep=, by a user whose home holds nothing: it looks
// in $PVM_ROOT/bin/$PVM_ARCH, which for the package installed is /usr/lib/pvm3/bin/<arch>.
TEST_F(DebianBalicek, VychoziDemonNajdeUlohyBalicku)
{
    TempDir dir, domov;
    const std::string beh = R"(set -e
mkdir vm
echo "* wd=$PWD" > vm/hosts
ulimit -Sn 1024 2> /dev/null || true
pvmd vm/hosts > vm/pvmd.out 2>&1 < /dev/null &
demon=$!
trap 'kill $demon' EXIT
for i in $(seq 200); do [ -e vm/pvmd.$(id -u) ] && break; sleep 0.05; done
"$1" 2 1 0.5 0.01 1 3 50
)";
    RunResult r = run_program({"/bin/sh", "-c", beh, "beh", v_koreni("/usr/bin/kubo-main")}, "",
                              dir.path(), 60,
                              {"HOME=" + domov.path(), "PVM_ROOT=" + v_koreni("/usr/lib/pvm3"),
                               "PVM_TMP=" + dir.file("vm"), "PVM_ALLOW_ROOT=1"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(matching(r.out, "Hlavni \\d+: Delnik cislo (\\d+) ukoncen").size(), 3u) << r.out;
    EXPECT_TRUE(soucet_sedi(r.out, dilci_hmotnosti(kvadr(2, 1, 0.5), 0.01, 1, 50)));
}

}  // namespace

// The Debian package as a user gets it: made by cpack from this build, unpacked into a scratch
// root with dpkg -x (never installed onto the machine), and run from there.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "kubo_kontrola.h"
#include "program_runner.h"

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
    for (const char *z : {"libpvm3", "pvm"})
        EXPECT_NE(std::find(zavislosti.begin(), zavislosti.end(), z), zavislosti.end())
            << z << " in " << r.out;
}

// The installed pvm-run, with no -e, finds the task programs and its tasker beside itself.
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

// SPDX-License-Identifier: MIT
// kubo-main and farmer side by side on one virtual machine of three hosts
// (scripts/pvm-hosts.sh) when host h2's link is cut in the middle of both runs: its daemon
// and workers go on, but nothing they send gets through, until PVM gives the host up.
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "tests/kubo_kontrola.h"
#include "tests/program_runner.h"

namespace {

// PVM gives a silent host up about three minutes after it first goes unanswered.
const int LIMIT_S = 420;

const std::vector<std::string> KUBO = {"10", "2", "1", "0.002", "3", "3", "10"};

std::string spojene(const std::vector<std::string> &slova)
{
    std::string s;
    for (const std::string &slovo : slova)
        s += " " + slovo;
    return s;
}

// The run on h1: farmer first, and kubo-main once farmer's three workers were seen, one on
// each host (so that spawns of the two never mix and each program has one worker per host).
// Each program's worker on h2 is stopped (SIGSTOP) as soon as it is there, farmer's at once
// and kubo-main's once the first units are out (h2 runs at a tenth of a core, which leaves
// time for that), so that neither can answer before the link goes down, however loaded the
// machine is; h2's daemon goes on. Right after the cut a watcher asks every host for its
// tasks, as a console's "ps -a" would: PVM starts to give a silent host up only once its
// daemon sends there, and neither program sends to h2 while it waits. A text of 100 MB, and a
// pattern whose first three characters stand at every place of it (so that every place passes
// the search's quick filter), keep farmer's workers busy long enough to be seen and stopped.
// Every wait is bounded, and without a cut the stopped workers go on, so that a run that
// misses its moment fails instead of hanging. Prints each program's status and how long after
// the cut it ended.
std::string beh_s_prerusenim()
{
    const std::string a = std::string(78, 'a');
    return ". " + test_script_path("ulohy_behu.sh") +
           "\n"
           "ms() { echo $(( $(date +%s%N) / 1000000 )); }\n"
           "yes " + a + " | head -c 100000000 > text.txt\n"
           "echo aaab | " + program_path("farmer") + " text.txt 3 > farmer.out 2> farmer.err &\n"
           "f=$!\n"
           "seen=()\n"
           "end=$(( $(ms) + 20000 ))\n"
           "while [ $(ms) -lt $end ]; do\n"
           "  for h in 1 2 3; do\n"
           "    [ -n \"${seen[$h]-}\" ] || seen[$h]=$(task_of_this_run worker@h$h)\n"
           "    [ -n \"${seen[$h]}\" ] || unset \"seen[$h]\"\n"
           "  done\n"
           "  [ -z \"${seen[2]-}\" ] || kill -STOP \"${seen[2]}\"\n"
           "  [ ${#seen[@]} -lt 3 ] || break\n"
           "  sleep 0.002\n"
           "done\n" +
           program_path("kubo-main") + spojene(KUBO) + " > kubo.out 2>&1 &\n"
           "k=$!\n"
           "w=\n"
           "end=$(( $(ms) + 20000 ))\n"
           "while [ $(ms) -lt $end ]; do\n"
           "  grep -q 'Spoustim smycku zprav' kubo.out && w=$(task_of_this_run kubo-worker.exe@h2)\n"
           "  [ -z \"$w\" ] || break\n"
           "  sleep 0.002\n"
           "done\n"
           "if kill -STOP \"$w\" && ip -n \"${PVM_HOSTS_NETNS_PREFIX}h2\" link set eth0 down; then\n"
           "  echo cut\n"
           "else\n"
           "  echo no cut; kill -CONT ${seen[2]-} $w\n"
           "fi\n"
           "cut=$(ms)\n" +
           std::string(KVS_TEST_BIN_DIR) + "/ulohy_na_hostitelich nic 1 1 > /dev/null &\n"
           "wait $f; echo farmer $? $(( $(ms) - cut ))\n"
           "wait $k; echo kubo $? $(( $(ms) - cut ))\n";
}

// The word at place i of the first line that starts with word, or "".
std::string slovo(const std::string &text, const std::string &word, size_t i)
{
    for (const std::string &line : lines_of(text)) {
        std::vector<std::string> words;
        size_t start = 0;
        while (start < line.size()) {
            size_t end = line.find(' ', start);
            if (end == std::string::npos)
                end = line.size();
            words.push_back(line.substr(start, end - start));
            start = end + 1;
        }
        if (!words.empty() && words[0] == word)
            return i < words.size() ? words[i] : "";
    }
    return "";
}

TEST(PreruseneSpojeni, KuboIFarmerPrideliZtracenouPraciZnovu)
{
    TempDir dir;
    RunResult r = run_program({script_path("pvm-hosts.sh"), "-n", "3", "-s", "h2=10%", "-e",
                               program_path("") + ":" + KVS_TEST_BIN_DIR, "--", "/bin/bash",
                               "-c", beh_s_prerusenim()},
                              "", dir.path(), LIMIT_S);
    SKIP_WITHOUT_HOSTS(r);
    ASSERT_FALSE(r.timed_out) << r.out << r.err;
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    ASSERT_EQ(lines_of(r.out).front(), "cut") << r.out << r.err;
    std::cout << "PVM gave h2 up, and farmer ended, " << slovo(r.out, "farmer", 2)
              << " ms after the cut; kubo-main ended after " << slovo(r.out, "kubo", 2)
              << " ms\n";

    // farmer's range of h2 is searched again on another host: the text holds no "aaab".
    EXPECT_EQ(slovo(r.out, "farmer", 1), "0");
    std::string farmer = dir.read("farmer.err");
    EXPECT_EQ(matching(farmer, "Worker t[0-9a-f]+ \\(rozsah \\d+-\\d+\\) (skoncil bez odpovedi), "
                               "rozsah prohleda znovu worker t[0-9a-f]+ \\(pokus 2 ze 3\\)\\.")
                  .size(),
              1u)
        << farmer;
    const std::string zprava = "Nebyl nalezen zadny vyskyt podretezce: \"aaab\"\n";
    EXPECT_EQ(dir.read("farmer.out"), "Zadejte hledany retezec: " + zprava);
    EXPECT_EQ(dir.read("find_output.txt"), zprava);

    EXPECT_EQ(slovo(r.out, "kubo", 1), "0");
    std::string kubo = dir.read("kubo.out");
    EXPECT_EQ(matching(kubo, "Hlavni \\d+: Delnik (\\d+) ztracen, jeho praci od \\d+% pridelim "
                             "znovu")
                  .size(),
              1u)
        << kubo;
    EXPECT_EQ(matching(kubo, "Hlavni \\d+: Delnik cislo (\\d+) ukoncen").size(), 2u) << kubo;
    EXPECT_TRUE(soucet_sedi(kubo, dilci_hmotnosti_jadrem(kvadr(10, 2, 1), 0.002, 3, 10)));
    EXPECT_EQ(soucet_zpravy(kubo), soucet_jednoho_delnika(KUBO));
}

}  // namespace

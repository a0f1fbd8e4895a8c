// SPDX-License-Identifier: MIT
// Runs on a virtual machine of several hosts made by scripts/pvm-hosts.sh, and what it leaves.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/program_runner.h"

namespace {

namespace fs = std::filesystem;

std::string probe() { return std::string(KVS_TEST_BIN_DIR) + "/multihost_probe"; }

RunResult on_hosts(const std::vector<std::string> &command, const TempDir &dir,
                   const std::vector<std::string> &options = {}, const std::string &input = "")
{
    std::vector<std::string> argv = {script_path("pvm-hosts.sh"), "-e", KVS_TEST_BIN_DIR};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back("--");
    argv.insert(argv.end(), command.begin(), command.end());
    return run_program(argv, input, dir.path(), 90);
}

// The lines of out that start with word, each split at blanks.
std::vector<std::vector<std::string>> lines_of(const std::string &out, const std::string &word)
{
    std::vector<std::vector<std::string>> found;
    std::istringstream text(out);
    std::string line;
    while (std::getline(text, line)) {
        std::istringstream words(line);
        std::vector<std::string> parts;
        std::string w;
        while (words >> w)
            parts.push_back(w);
        if (!parts.empty() && parts[0] == word)
            found.push_back(parts);
    }
    return found;
}

std::string first_line(const std::string &out, const std::string &word)
{
    std::vector<std::vector<std::string>> found = lines_of(out, word);
    if (found.empty())
        return "";
    std::string line = found[0][0];
    for (size_t i = 1; i < found[0].size(); i++)
        line += " " + found[0][i];
    return line;
}

// What a command tells about the harness around it: the namespace prefix, the folder, the
// daemons' process ids, and how many of the run's namespaces exist while it runs.
const std::string TELL_ABOUT_HARNESS =
    "echo prefix $PVM_HOSTS_NETNS_PREFIX; echo dir $PVM_HOSTS_DIR; "
    "echo pids $(cat $PVM_HOSTS_DIR/h*.pid); "
    "echo netns $(ls /run/netns | grep -c \"^$PVM_HOSTS_NETNS_PREFIX\"); ";

struct Harness {
    std::string prefix;
    std::string dir;
    std::vector<int> pids;
    int netns = 0;
};

Harness harness_of(const std::string &out)
{
    Harness h;
    std::vector<std::vector<std::string>> found = lines_of(out, "prefix");
    h.prefix = found.empty() || found[0].size() < 2 ? "" : found[0][1];
    found = lines_of(out, "dir");
    h.dir = found.empty() || found[0].size() < 2 ? "" : found[0][1];
    found = lines_of(out, "pids");
    for (size_t i = 1; !found.empty() && i < found[0].size(); i++)
        h.pids.push_back(std::stoi(found[0][i]));
    found = lines_of(out, "netns");
    h.netns = found.empty() || found[0].size() < 2 ? -1 : std::stoi(found[0][1]);
    return h;
}

std::vector<std::string> entries_with_prefix(const std::string &folder, const std::string &prefix)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry &e : fs::directory_iterator(folder, ec)) {
        std::string name = e.path().filename().string();
        if (name.rfind(prefix, 0) == 0)
            names.push_back(name);
    }
    return names;
}

bool mounted(const std::string &text)
{
    std::ifstream mounts("/proc/mounts");
    std::string line;
    while (std::getline(mounts, line))
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

// A daemon that left the machine's first process to reap it has ended all the same.
bool running(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    size_t end_of_name = text.rfind(')');
    if (end_of_name == std::string::npos || end_of_name + 2 >= text.size())
        return false;
    char state = text[end_of_name + 2];
    return state != 'Z' && state != 'X';
}

// Checks that the run really had its hosts, and that none of it is left now.
void expect_nothing_left(const Harness &h, int hosts)
{
    ASSERT_EQ(h.prefix.rfind("pvmh-", 0), 0u) << "the command did not see the harness";
    EXPECT_EQ(h.netns, hosts + 1) << "one namespace per host and one for the bridge";
    EXPECT_FALSE(h.pids.empty());
    EXPECT_TRUE(entries_with_prefix("/run/netns", h.prefix).empty());
    EXPECT_TRUE(entries_with_prefix("/etc/netns", h.prefix).empty());
    EXPECT_FALSE(mounted(h.prefix));
    EXPECT_FALSE(h.dir.empty());
    EXPECT_FALSE(fs::exists(h.dir)) << h.dir;
    for (int pid : h.pids)
        EXPECT_FALSE(running(pid)) << "daemon " << pid << " still runs";
}

TEST(SeveralHosts, TasksRunOnEveryHostInTheSharedFolder)
{
    TempDir dir;
    RunResult r = on_hosts({probe(), "spread", "6"}, dir);
    SKIP_WITHOUT_HOSTS(r);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(first_line(r.out, "hosts"), "hosts 3");
    std::vector<std::vector<std::string>> tasks = lines_of(r.out, "task");
    ASSERT_EQ(tasks.size(), 6u) << r.out;
    std::set<std::string> hosts;
    std::map<std::string, std::string> host_of_task;
    std::string shared = fs::canonical(dir.path()).string();
    for (const std::vector<std::string> &t : tasks) {
        ASSERT_EQ(t.size(), 8u);
        hosts.insert(t[3]);
        host_of_task[t[1]] = t[3];
        EXPECT_EQ(t[5], t[3]) << "the task's own host name is the one PVM placed it on";
        EXPECT_EQ(t[7], shared);
        EXPECT_EQ(dir.read("hostinfo." + t[1]), t[3] + "\n");
    }
    EXPECT_EQ(hosts, (std::set<std::string>{"h1", "h2", "h3"}));
    std::vector<std::vector<std::string>> listed = lines_of(r.out, "listed");
    EXPECT_EQ(listed.size(), 6u) << "every daemon lists the tasks it runs";
    for (const std::vector<std::string> &t : listed)
        EXPECT_EQ(t.back(), host_of_task[t[1]]) << "the daemons agree with the task " << t[1];
    EXPECT_EQ(first_line(r.out, "ended"), "ended 6 of 6");
}

TEST(SeveralHosts, HostCountIsChosen)
{
    TempDir dir;
    RunResult r = on_hosts({probe(), "spread", "4"}, dir, {"-n", "2"});
    SKIP_WITHOUT_HOSTS(r);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(first_line(r.out, "hosts"), "hosts 2");
    std::set<std::string> hosts;
    for (const std::vector<std::string> &t : lines_of(r.out, "task"))
        hosts.insert(t[3]);
    EXPECT_EQ(hosts, (std::set<std::string>{"h1", "h2"}));
}

TEST(SeveralHosts, CommandRunsOnFirstHostWithItsInput)
{
    TempDir dir;
    RunResult r = on_hosts({"/bin/sh", "-c", "hostname; echo \"$PVM_HOSTS\"; cat"}, dir, {},
                           "typed text\n");
    SKIP_WITHOUT_HOSTS(r);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "h1\nh1 h2 h3\ntyped text\n");
}

TEST(SeveralHosts, NothingRemainsAfterwards)
{
    TempDir dir;
    RunResult r = on_hosts({"/bin/sh", "-c", TELL_ABOUT_HARNESS}, dir);
    SKIP_WITHOUT_HOSTS(r);
    ASSERT_EQ(r.status, 0) << r.err;
    expect_nothing_left(harness_of(r.out), 3);
}

TEST(SeveralHosts, FailingCommandPassesItsStatusAndCleansUp)
{
    TempDir dir;
    RunResult r = on_hosts({"/bin/sh", "-c", TELL_ABOUT_HARNESS + "exit 7"}, dir);
    SKIP_WITHOUT_HOSTS(r);
    EXPECT_EQ(r.status, 7) << r.err;
    expect_nothing_left(harness_of(r.out), 3);
}

TEST(SeveralHosts, KilledDaemonStillCleansUp)
{
    TempDir dir;
    RunResult r = on_hosts({"/bin/sh", "-c",
                            TELL_ABOUT_HARNESS + "kill -9 $(cat $PVM_HOSTS_DIR/h2.pid); exit 3"},
                           dir);
    SKIP_WITHOUT_HOSTS(r);
    EXPECT_EQ(r.status, 3) << r.err;
    expect_nothing_left(harness_of(r.out), 3);
}

// A remote shell that cannot start any daemon, but tells what it saw.
TEST(SeveralHosts, HostsThatCannotStartFailTheRunAndLeaveNothing)
{
    TempDir dir;
    dir.write("odmitajici-rsh", R"(#!/bin/sh
{
  echo prefix $PVM_HOSTS_NETNS_PREFIX
  echo dir $PVM_HOSTS_DIR
  echo pids $(pgrep -d ' ' --ns $$ --nslist net -x pvmd)
  echo netns $(ls /run/netns | grep -c "^$PVM_HOSTS_NETNS_PREFIX")
} > )" + dir.file("told") + R"(
echo refused >&2
exit 1
)");
    fs::permissions(dir.file("odmitajici-rsh"), fs::perms::owner_all, fs::perm_options::add);
    RunResult r = on_hosts({"true"}, dir, {"-r", dir.file("odmitajici-rsh")});
    SKIP_WITHOUT_HOSTS(r);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("has 1 hosts instead of 3"), std::string::npos) << r.err;
    expect_nothing_left(harness_of(dir.read("told")), 3);
}

// The hosts are added over OpenSSH with the run's keys, and each has a /tmp of its own where
// its daemon keeps PVM's default files.
TEST(SeveralHosts, HostsAreAddedOverSshAndEachHasItsOwnTmp)
{
    TempDir dir;
    RunResult r = on_hosts(
        {"/bin/sh", "-c",
         "echo rsh $PVM_RSH; echo tmp ${PVM_TMP-unset}; echo ssh $(ssh -V 2>&1); "
         "echo logins $(for h in h2 h3; do grep -c '^Accepted publickey for root' "
         "$PVM_HOSTS_DIR/ssh/$h.log; done); "
         "for h in h2 h3; do ssh $h 'echo on $(hostname) $(ls /tmp | grep pvm[dl]); "
         "touch /tmp/only-$(hostname)'; done; echo h1 $(ls /tmp | grep -c only-); "
         "grep -h '^Accepted publickey for root' $PVM_HOSTS_DIR/ssh/h2.log "
         "$PVM_HOSTS_DIR/ssh/h3.log | cut -d ' ' -f 1-6 | sort -u"},
        dir);
    SKIP_WITHOUT_HOSTS(r);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::cout << "remote shell: " << first_line(r.out, "rsh") << ", " << first_line(r.out, "ssh")
              << "\n";
    EXPECT_EQ(first_line(r.out, "rsh"), "rsh /usr/bin/ssh");
    EXPECT_EQ(first_line(r.out, "tmp"), "tmp unset") << "PVM's own defaults apply";
    EXPECT_EQ(lines_of(r.out, "on").size(), 2u) << r.out;
    for (const std::vector<std::string> &host : lines_of(r.out, "on")) {
        uid_t uid = geteuid();
        EXPECT_EQ(host, (std::vector<std::string>{"on", host[1], "pvmd." + std::to_string(uid),
                                                  "pvml." + std::to_string(uid)}));
    }
    EXPECT_EQ(first_line(r.out, "h1"), "h1 0") << "the other hosts' /tmp is not h1's";
    // The master's ssh logged in once on each host to start its daemon, before the command's.
    EXPECT_EQ(first_line(r.out, "logins"), "logins 1 1") << r.out;
    std::vector<std::vector<std::string>> accepted = lines_of(r.out, "Accepted");
    ASSERT_EQ(accepted.size(), 1u) << r.out;
    EXPECT_EQ(accepted[0][5].substr(accepted[0][5].rfind('.')), ".1") << "from h1's address";
}

// A slowed host's daemon, and so every task it starts, runs in a cpu group capped at its
// share of one core; the other hosts run free, and the group goes with the run. The groups
// are read through the harness's own process: a host's own /sys shows none.
TEST(SeveralHosts, SlowedHostRunsCappedAtItsShare)
{
    TempDir dir;
    RunResult r = on_hosts(
        {"/bin/sh", "-c",
         "for h in $PVM_HOSTS; do g=$(awk -F: '$2 ~ /(^|,)cpu(,|$)/ || $2 == \"\" "
         "{ print $3; exit }' /proc/$(cat $PVM_HOSTS_DIR/$h.pid)/cgroup); "
         "p=${PVM_HOSTS_NETNS_PREFIX#pvmh-}; c=/proc/${p%-}/root/sys/fs/cgroup; "
         "echo group $h $g $(cat $c/cpu$g/cpu.cfs_quota_us $c$g/cpu.max 2> /dev/null); done"},
        dir, {"-s", "h2=25%"});
    SKIP_WITHOUT_HOSTS(r);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::vector<std::vector<std::string>> groups = lines_of(r.out, "group");
    ASSERT_EQ(groups.size(), 3u) << r.out;
    ASSERT_GE(groups[1].size(), 4u) << r.out;
    EXPECT_EQ(groups[1][1], "h2");
    EXPECT_NE(groups[1][2].find("h2"), std::string::npos) << r.out;
    EXPECT_EQ(groups[1][3], "25000") << "a quarter of each 100 ms";
    for (size_t i : {0u, 2u}) {
        EXPECT_NE(groups[i][2], groups[1][2]) << r.out;
        EXPECT_TRUE(groups[i].size() < 4 || groups[i][3] == "-1" || groups[i][3] == "max")
            << r.out;
    }
    EXPECT_FALSE(fs::exists("/sys/fs/cgroup/cpu" + groups[1][2]));
    EXPECT_FALSE(fs::exists("/sys/fs/cgroup" + groups[1][2]));
}

TEST(SeveralHosts, InterruptedHarnessCleansUp)
{
    TempDir dir;
    // The harness's own process id is part of the prefix.
    std::string stop_harness = "pid=${PVM_HOSTS_NETNS_PREFIX#pvmh-}; kill -TERM ${pid%-}; sleep 60";
    RunResult r = on_hosts({"/bin/sh", "-c", TELL_ABOUT_HARNESS + stop_harness}, dir);
    SKIP_WITHOUT_HOSTS(r);
    EXPECT_EQ(r.status, 143) << r.err;
    EXPECT_FALSE(r.timed_out);
    expect_nothing_left(harness_of(r.out), 3);
}

TEST(SeveralHosts, LostTaskIsNoticedAtOnce)
{
    TempDir dir;
    RunResult r = on_hosts({probe(), "lose-task", "h2", "20"}, dir);
    SKIP_WITHOUT_HOSTS(r);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::vector<std::vector<std::string>> lost = lines_of(r.out, "task-exit");
    ASSERT_EQ(lost.size(), 1u) << r.out;
    EXPECT_EQ(lost[0][3], "h2");
    EXPECT_EQ("killed task " + lost[0][1], first_line(r.out, "killed"));
    EXPECT_LT(std::stol(lost[0][5]), 5000) << "milliseconds until PVM told of the lost task";
    EXPECT_TRUE(lines_of(r.out, "host-delete").empty());
    EXPECT_EQ(first_line(r.out, "ended"), "ended 2 of 2");
}

// A daemon asked to stop takes its tasks along and tells the master at once.
TEST(SeveralHosts, HaltedHostIsNoticedAtOnce)
{
    TempDir dir;
    RunResult r = on_hosts({probe(), "lose-host", "h2", "15", "20"}, dir);
    SKIP_WITHOUT_HOSTS(r);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::vector<std::vector<std::string>> host = lines_of(r.out, "host-delete");
    ASSERT_EQ(host.size(), 1u) << r.out;
    EXPECT_EQ(host[0][1], "h2");
    EXPECT_LT(std::stol(host[0][3]), 5000) << "milliseconds until PVM told of the lost host";
    std::vector<std::vector<std::string>> lost = lines_of(r.out, "task-exit");
    ASSERT_EQ(lost.size(), 1u) << r.out;
    EXPECT_EQ(lost[0][3], "h2");
    EXPECT_LT(std::stol(lost[0][5]), 5000);
    EXPECT_EQ(first_line(r.out, "ended"), "ended 2 of 2") << "the other hosts go on";
}

// A source tree cloned under /tmp, apart from the working folder: each host has a /tmp of its
// own, and a command there still reaches the tree's helper scripts, as the tests call theirs.
TEST(PvmHosts, SourceTreeUnderTmpIsSeenOnTheHosts)
{
    TempDir dir;
    if (dir.path().rfind("/tmp/", 0) != 0)
        GTEST_SKIP() << "the scratch folder " << dir.path() << " is not under /tmp, which is "
                     << "the folder each host has of its own";
    const std::string tree = dir.file("tree"), work = dir.file("work");
    fs::create_directories(tree + "/tests");
    fs::create_directory(work);
    fs::copy(script_path(""), tree + "/scripts", fs::copy_options::recursive);
    fs::copy_file(test_script_path("ulohy_behu.sh"), tree + "/tests/ulohy_behu.sh");
    RunResult r = run_program({tree + "/scripts/pvm-hosts.sh", "-n", "1", "-e", KVS_TEST_BIN_DIR,
                               "--", "/bin/sh", "-c", ". \"$0\" && echo seen",
                               tree + "/tests/ulohy_behu.sh"},
                              "", work, 90);
    SKIP_WITHOUT_HOSTS(r);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "seen\n");
}

TEST(PvmHosts, WithoutRootItSaysWhyAndSkips)
{
    std::vector<std::string> argv = {script_path("pvm-hosts.sh"), "true"};
    if (geteuid() == 0)
        argv.insert(argv.begin(), {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup",
                                   "--clear-groups", "--"});
    RunResult r = run_program(argv, "", "/", 30);
    EXPECT_EQ(r.status, HOSTS_UNAVAILABLE) << r.err;
    EXPECT_NE(r.err.find("need root"), std::string::npos) << r.err;
}

TEST(PvmHosts, WrongUsageEndsWithStatusTwo)
{
    TempDir dir;
    EXPECT_EQ(run_program({script_path("pvm-hosts.sh")}, "", dir.path(), 30).status, 2);
    EXPECT_EQ(run_program({script_path("pvm-hosts.sh"), "-n", "0", "true"}, "", dir.path(), 30)
                  .status,
              2);
    EXPECT_EQ(run_program({script_path("pvm-hosts.sh"), "-n", "x", "true"}, "", dir.path(), 30)
                  .status,
              2);
    for (const char *slow : {"h2", "h2=0", "h2=101", "x=25", "h2=25x", "=25", "h0=25", "h=25"})
        EXPECT_EQ(run_program({script_path("pvm-hosts.sh"), "-s", slow, "true"}, "", dir.path(), 30)
                      .status,
                  2)
            << slow;
}

}  // namespace

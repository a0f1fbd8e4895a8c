// SPDX-License-Identifier: MIT
// Runs a real program of the build as a child process and captures everything it does.
#pragma once

#include <string>
#include <vector>

struct RunResult {
    std::string out;       // everything written to standard output
    std::string err;       // everything written to standard error
    int status = -1;       // exit status, or 128 + signal number when killed
    bool timed_out = false;  // killed because it outlived its time limit
};

// Starts argv[0] (a path) with argv in folder dir, feeds it input on standard input (then
// closes it), and waits at most limit_s seconds. extra_env entries ("NAME=value") are added.
RunResult run_program(const std::vector<std::string> &argv, const std::string &input,
                      const std::string &dir, int limit_s = 120,
                      const std::vector<std::string> &extra_env = {});

// argv run through the shell with its standard streams changed by redirection, for example
// ">&-" (standard output closed) or "> /dev/full".
std::vector<std::string> with_redirection(const std::string &redirection,
                                          const std::vector<std::string> &argv);

// Status of scripts/pvm-hosts.sh when this machine cannot make hosts; the reason is on
// standard error.
const int HOSTS_UNAVAILABLE = 77;

// A several-host test cannot go on on a machine without namespaces: it is reported as
// skipped, with why.
#define SKIP_WITHOUT_HOSTS(r)                                                                \
    do {                                                                                     \
        if ((r).status == HOSTS_UNAVAILABLE)                                                 \
            GTEST_SKIP() << (r).err;                                                         \
    } while (0)

// The lines of text, without their line ends.
std::vector<std::string> lines_of(const std::string &text);

// The first group of every line of text that wholly matches the regular expression, in order.
std::vector<std::string> matching(const std::string &text, const std::string &pattern);

// Path of a program in the build's program folder.
std::string program_path(const std::string &name);

// Path of a script in the project's scripts folder.
std::string script_path(const std::string &name);

// Path of a helper script of the tests, in the tests folder.
std::string test_script_path(const std::string &name);

// In a forked child: runs argv (argv[0] a path), or ends the child with status 127.
[[noreturn]] void exec_argv(const std::vector<std::string> &argv);

// A fresh empty folder that is removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }
    void write(const std::string &name, const std::string &content) const;
    std::string read(const std::string &name) const;
    bool exists(const std::string &name) const;

private:
    std::string path_;
};

// SPDX-License-Identifier: MIT
// Runs a real program of the build as a child process and captures everything it does.
#include "tests/program_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

extern char **environ;

std::vector<std::string> with_redirection(const std::string &redirection,
                                          const std::vector<std::string> &argv)
{
    std::vector<std::string> shell = {"/bin/sh", "-c", "exec \"$@\" " + redirection, "sh"};
    shell.insert(shell.end(), argv.begin(), argv.end());
    return shell;
}

std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> matching(const std::string &text, const std::string &pattern)
{
    std::vector<std::string> groups;
    std::regex re(pattern);
    for (const std::string &line : lines_of(text)) {
        std::smatch m;
        if (std::regex_match(line, m, re))
            groups.push_back(m[1]);
    }
    return groups;
}

std::string program_path(const std::string &name) { return std::string(KVS_BIN_DIR) + "/" + name; }

std::string script_path(const std::string &name)
{
    return std::string(KVS_SOURCE_DIR) + "/scripts/" + name;
}

std::string test_script_path(const std::string &name)
{
    return std::string(KVS_SOURCE_DIR) + "/tests/" + name;
}

void exec_argv(const std::vector<std::string> &argv)
{
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

static void exec_child(const std::vector<std::string> &argv, const std::string &dir,
                       const std::vector<std::string> &extra_env, int in, int out, int err)
{
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    // The child gets its own process group so that a timeout can stop it with all it started.
    setpgid(0, 0);
    // The runner's own SIGPIPE is ignored for its writes to the child's input; an ignored
    // signal would pass on through exec, and hide from the tests what a closed pipe does to
    // a program run as a user runs it.
    signal(SIGPIPE, SIG_DFL);
    if (chdir(dir.c_str()) != 0)
        _exit(126);
    for (const std::string &entry : extra_env)
        putenv(const_cast<char *>(entry.c_str()));
    exec_argv(argv);
}

// Moves data between the parent's ends of the three pipes until the child closes its
// output, or the deadline passes. Returns false on timeout.
static bool pump(int in_fd, int out_fd, int err_fd, const std::string &input, RunResult &r,
                 std::chrono::steady_clock::time_point deadline)
{
    size_t written = 0;
    if (input.empty()) {
        close(in_fd);
        in_fd = -1;
    }
    while (out_fd >= 0 || err_fd >= 0) {
        pollfd fds[3] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}, {in_fd, POLLOUT, 0}};
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        if (poll(fds, 3, (int)std::min<long long>(left.count(), 1000)) < 0 && errno != EINTR)
            throw std::runtime_error("poll failed");
        char buf[65536];
        int *fd_of[2] = {&out_fd, &err_fd};
        std::string *sink[2] = {&r.out, &r.err};
        for (int k = 0; k < 2; k++) {
            if (*fd_of[k] >= 0 && (fds[k].revents & (POLLIN | POLLHUP | POLLERR))) {
                ssize_t n = read(*fd_of[k], buf, sizeof buf);
                if (n > 0)
                    sink[k]->append(buf, (size_t)n);
                else {
                    close(*fd_of[k]);
                    *fd_of[k] = -1;
                }
            }
        }
        if (in_fd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t n = write(in_fd, input.data() + written, input.size() - written);
            if (n > 0)
                written += (size_t)n;
            if (n <= 0 || written == input.size()) {
                close(in_fd);
                in_fd = -1;
            }
        }
    }
    if (in_fd >= 0)
        close(in_fd);
    return true;
}

RunResult run_program(const std::vector<std::string> &argv, const std::string &input,
                      const std::string &dir, int limit_s,
                      const std::vector<std::string> &extra_env)
{
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC))
        throw std::runtime_error("pipe failed");
    signal(SIGPIPE, SIG_IGN);
    pid_t pid = fork();
    if (pid == 0)
        exec_child(argv, dir, extra_env, in[0], out[1], err[1]);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    RunResult r;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limit_s);
    if (!pump(in[1], out[0], err[0], input, r, deadline)) {
        r.timed_out = true;
        kill(-pid, SIGTERM);
        usleep(500 * 1000);
        kill(-pid, SIGKILL);
    }
    int ws = 0;
    waitpid(pid, &ws, 0);
    r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
    return r;
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kvs-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void TempDir::write(const std::string &name, const std::string &content) const
{
    std::ofstream f(file(name), std::ios::binary);
    f << content;
}

std::string TempDir::read(const std::string &name) const
{
    std::ifstream f(file(name), std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool TempDir::exists(const std::string &name) const
{
    return std::filesystem::exists(file(name));
}

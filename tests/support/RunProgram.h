// Running a built program (or a peer such as cabextract) as a child and collecting what it said.
// No Qt here: the core-only tests use it too.
#pragma once

#include "tests/support/TestFiles.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace corvex::test {

struct RunResult {
    int status = -1; // exit status, or -(signal number) when killed by a signal
    std::string out;
    std::string err;
};

// A sanitizer report ends the child with this status, which no test takes for a program's own.
constexpr int kSanitizerExit = 86;

// In the child: enters cwd (unless empty), adds the "NAME=value" entries to the environment and
// becomes argv[0], looked up on PATH when it has no '/'. Never returns; 127 when any step fails.
[[noreturn]] inline void ExecChild(const std::vector<std::string>& argv, const std::string& cwd,
                                   const std::vector<std::string>& env) {
    if (!cwd.empty() && chdir(cwd.c_str()) != 0)
        _exit(127);
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        const char* old = std::getenv(name);
        std::string value = old && *old ? std::string(old) + ":" : std::string();
        value += "exitcode=" + std::to_string(kSanitizerExit);
        setenv(name, value.c_str(), 1);
    }
    for (const std::string& entry : env) {
        const size_t eq = entry.find('=');
        if (eq == std::string::npos || setenv(entry.substr(0, eq).c_str(), entry.c_str() + eq + 1, 1) != 0)
            _exit(127);
    }
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// The child's exit status, or -(signal number) when a signal ended it.
inline int WaitForExit(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// Runs a program without a shell, stdin from /dev/null (so never on a terminal), with stdout and
// stderr captured apart.
inline RunResult RunProgram(const std::vector<std::string>& argv, const std::string& cwd = "",
                            const std::vector<std::string>& env = {}) {
    TempTree capture;
    const std::string outPath = capture / "out";
    const std::string errPath = capture / "err";
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
            _exit(127);
        ExecChild(argv, cwd, env);
    }
    RunResult result;
    result.status = WaitForExit(pid);
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    return result;
}

} // namespace corvex::test

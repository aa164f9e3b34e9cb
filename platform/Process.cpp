#include "platform/Process.h"

#include "platform/Environment.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace corvex::platform {

namespace {

std::vector<char*> MakeArgv(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

} // namespace

ProcessOutcome RunAndWait(const std::string& program, const std::vector<std::string>& args) {
    ProcessOutcome outcome;
    std::vector<char*> argv = MakeArgv(program, args);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (rc != 0) {
        outcome.error = rc;
        return outcome;
    }
    outcome.started = true;
    outcome.exitStatus = WaitFor(pid);
    return outcome;
}

bool StartDetached(const std::string& program, const std::vector<std::string>& args) {
    // Everything the children use is prepared before fork: between fork and exec only
    // async-signal-safe calls are allowed in a threaded process.
    std::vector<char*> argv = MakeArgv(program, args);
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t middle = fork();
    if (middle < 0) {
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (middle == 0) {
        // The intermediate child starts the real one and leaves at once, so the grandchild
        // is adopted by init, which reaps it when it ends.
        close(report[0]);
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            setsid();
            execv(program.c_str(), argv.data());
            const int err = errno;
            (void)!write(report[1], &err, sizeof err);
            _exit(127);
        }
        if (grandchild < 0) {
            const int err = errno;
            (void)!write(report[1], &err, sizeof err);
        }
        _exit(0);
    }
    close(report[1]);
    WaitFor(middle);
    int err = 0;
    ssize_t n;
    do {
        n = read(report[0], &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    close(report[0]);
    // Nothing read: exec closed the pipe on success.
    return n == 0;
}

std::optional<std::string> FindProgram(const std::string& name, const std::string& firstDirectory) {
    if (name.find('/') != std::string::npos)
        return IsExecutableFile(name) ? std::optional<std::string>(name) : std::nullopt;
    if (!firstDirectory.empty() && IsExecutableFile(firstDirectory + name))
        return firstDirectory + name;
    const std::string path = GetEnvironment("PATH").value_or("/usr/local/bin:/usr/bin:/bin");
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(':', start);
        if (end == std::string::npos)
            end = path.size();
        // An empty PATH entry means the current directory.
        const std::string dir = end > start ? path.substr(start, end - start) : std::string(1, '.');
        const std::string candidate = dir + "/" + name;
        if (IsExecutableFile(candidate))
            return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

} // namespace corvex::platform

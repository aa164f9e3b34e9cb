#include "TestSupport.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace extrac32test {

std::string Extrac32Binary() {
    return std::string(CORVEX_BIN_DIR) + "/extrac32";
}
std::string FixturesDir() {
    return std::string(CORVEX_FIXTURES_DIR) + "/cab";
}

namespace {

constexpr int kSanitizerExit = 86;
constexpr int kHangGuardMs = 60000;

void SetSanitizerExitCodes() {
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        std::string value = std::getenv(name) ? std::getenv(name) : "";
        if (!value.empty()) {
            value += ':';
        }
        value += "exitcode=";
        value += std::to_string(kSanitizerExit);
        setenv(name, value.c_str(), 1);
    }
}

[[noreturn]] void Exec(const std::vector<std::string>& argv, const std::string& dir) {
    if (chdir(dir.c_str()) != 0) {
        _exit(127);
    }
    SetSanitizerExitCodes();
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

int StatusOf(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

} // namespace

RunResult RunProgram(const std::vector<std::string>& argv, const std::string& dir) {
    TempDir capture;
    const std::string outPath = capture / "out";
    const std::string errPath = capture / "err";
    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
            dup2(err, 2) < 0) {
            _exit(127);
        }
        Exec(argv, dir);
    }
    RunResult result;
    result.exitCode = StatusOf(pid);
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    return result;
}

bool TerminalAvailable() {
    const int fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

RunResult RunOnTerminal(const std::vector<std::string>& argv, const std::string& dir,
                        const std::string& input) {
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) {
        throw std::runtime_error("forkpty failed");
    }
    if (pid == 0) {
        Exec(argv, dir);
    }
    // The terminal keeps typed-ahead input until the program reads it.
    if (write(master, input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
        throw std::runtime_error("cannot type into the terminal");
    }
    RunResult result;
    char buffer[4096];
    for (;;) {
        // A program that waits for an answer never typed would hang the test run.
        pollfd ready = {master, POLLIN, 0};
        if (poll(&ready, 1, kHangGuardMs) == 0) {
            kill(pid, SIGKILL);
            result.out += "[killed: still waiting for input]";
            break;
        }
        const ssize_t got = read(master, buffer, sizeof buffer);
        if (got > 0) {
            result.out.append(buffer, static_cast<size_t>(got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            break; // EIO once the program has ended
        }
    }
    close(master);
    result.exitCode = StatusOf(pid);
    return result;
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/extrac32-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Read-only directories would stop the removal.
    for (auto it = fs::recursive_directory_iterator(path_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    fs::remove_all(path_, ignored);
}

std::map<std::string, Entry> Tree(const std::string& root) {
    std::map<std::string, Entry> tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string path = it->path().string();
        struct stat info;
        if (lstat(path.c_str(), &info) != 0) {
            throw std::runtime_error("lstat " + path);
        }
        Entry entry;
        entry.mode = info.st_mode & 07777;
        if (S_ISLNK(info.st_mode)) {
            entry.type = 'l';
            entry.content = fs::read_symlink(it->path()).string();
        } else if (S_ISDIR(info.st_mode)) {
            entry.type = 'd';
            entry.mode = 0; // directories are created by the umask alone
        } else {
            entry.type = 'f';
            entry.content = ReadFile(path);
            entry.mtime = info.st_mtime;
        }
        tree[path.substr(root.size() + 1)] = entry;
    }
    return tree;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace extrac32test

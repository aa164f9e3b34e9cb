#include "TestSupport.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/stat.h>
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

constexpr int kHangGuardMs = 60000;

} // namespace

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
        corvex::test::ExecChild(argv, dir, {});
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
    result.status = corvex::test::WaitForExit(pid);
    return result;
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

} // namespace extrac32test

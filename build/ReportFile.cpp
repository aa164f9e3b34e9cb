#include "build/ReportFile.h"

#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>

namespace corvex {

namespace {

constexpr const char* kReportName = "CORVEX.RPT";

// The report has always been read into 80-character buffers: a first line longer than 79
// characters leaves its rest to be read as words, and longer words are read in pieces.
constexpr size_t kBufferChars = 79;

bool IsReportName(const char* name) {
    size_t i = 0;
    for (; kReportName[i] != '\0'; ++i) {
        char c = name[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != kReportName[i])
            return false;
    }
    return name[i] == '\0';
}

bool IsWhiteSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Word numbers (from 1) whose text each value takes.
constexpr int kWordOfValue[6] = {3, 6, 9, 11, 14, 24};

} // namespace

std::string FindReportFile(const std::string& directory) {
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (!dir)
        return {};
    std::string best;
    struct timespec bestTime {};
    while (const dirent* e = readdir(dir)) {
        if (!IsReportName(e->d_name))
            continue;
        const std::string path = directory + e->d_name;
        struct stat st {};
        if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const bool newer =
            best.empty() || st.st_mtim.tv_sec > bestTime.tv_sec ||
            (st.st_mtim.tv_sec == bestTime.tv_sec && st.st_mtim.tv_nsec > bestTime.tv_nsec) ||
            (st.st_mtim.tv_sec == bestTime.tv_sec && st.st_mtim.tv_nsec == bestTime.tv_nsec &&
             path < best);
        if (newer) {
            best = path;
            bestTime = st.st_mtim;
        }
    }
    closedir(dir);
    return best;
}

TReportValues ReadBuildReportFile(const std::string& directory) {
    TReportValues values;
    const std::string path = FindReportFile(directory);
    if (path.empty())
        return values;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return values;

    // The first line: up to and including its line end, or its first 79 characters.
    int c = 0;
    for (size_t n = 0; n < kBufferChars; ++n) {
        c = std::fgetc(f);
        if (c == EOF || c == '\n')
            break;
    }

    int wordNumber = 0;
    size_t next = 0;
    std::string word;
    while (next < values.size()) {
        do
            c = std::fgetc(f);
        while (c != EOF && IsWhiteSpace(c));
        if (c == EOF)
            break;
        word.clear();
        while (c != EOF && !IsWhiteSpace(c)) {
            word.push_back(static_cast<char>(c));
            if (word.size() == kBufferChars)
                break;
            c = std::fgetc(f);
        }
        ++wordNumber;
        if (wordNumber == kWordOfValue[next])
            values[next++] = word;
        if (c == EOF)
            break;
    }
    std::fclose(f);
    return values;
}

} // namespace corvex

// extrac32: extracts or lists the files of a cabinet (or of its whole spanned set) through
// libmspack; with a cabinet appended to its own program file, it extracts that cabinet.
#include "CabinetSet.h"
#include "Extractor.h"
#include "MspackIo.h"
#include "Options.h"
#include "Report.h"
#include "Signature.h"

#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace cabtools;

namespace {

constexpr const char* kSelf = "/proc/self/exe";
// Larger than libmspack's 4 KiB default: fewer calls into the reader per data block.
constexpr int kDecoderInputBuffer = 64 * 1024;

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return "";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Where the cabinet behind this program starts, or -1 when nothing is appended.
off_t AppendedCabinetOffset() {
    const int fd = ::open(kSelf, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    const off_t offset = FindCabinetSignature(fd);
    ::close(fd);
    return offset;
}

} // namespace

int main(int argc, char** argv) {
    const ParsedOptions parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        Complain(parsed.error);
        std::fputs(kUsageText, stderr);
        return kExitUsage;
    }
    const Options& options = parsed.options;
    if (options.help) {
        std::fputs(kUsageText, stdout);
        return kExitOk;
    }

    int selftest;
    MSPACK_SYS_SELFTEST(selftest);
    if (selftest != MSPACK_ERR_OK) {
        Complain("libmspack does not fit this program (self-test failed)");
        return kExitFailed;
    }

    IoSystem sys;
    std::string cabinetPath;
    std::string siblingsDir;
    std::optional<std::string> nameFilter;
    const off_t appendedAt = AppendedCabinetOffset();
    if (appendedAt >= 0) {
        if (options.operands.size() > 1) {
            Complain("this program carries its own cabinet: give at most a file name");
            std::fputs(kUsageText, stderr);
            return kExitUsage;
        }
        cabinetPath = kSelf;
        sys.SetBaseOffset(cabinetPath, appendedAt);
        char real[PATH_MAX];
        const ssize_t length = readlink(kSelf, real, sizeof real - 1);
        const std::string program = length > 0 ? std::string(real, static_cast<size_t>(length)) : argv[0];
        sys.SetDisplayName(cabinetPath, program);
        siblingsDir = DirectoryOf(program);
        if (!options.operands.empty()) {
            nameFilter = options.operands[0];
        }
    } else {
        if (options.operands.empty() || options.operands.size() > 2) {
            Complain(options.operands.empty() ? "no cabinet given" : "too many arguments");
            std::fputs(kUsageText, stderr);
            return kExitUsage;
        }
        cabinetPath = options.operands[0];
        siblingsDir = DirectoryOf(cabinetPath);
        if (options.operands.size() == 2) {
            nameFilter = options.operands[1];
        }
    }

    mscab_decompressor* cabd = mspack_create_cab_decompressor(&sys);
    if (cabd == nullptr) {
        Complain("cannot start the decoder");
        return kExitFailed;
    }
    cabd->set_param(cabd, MSCABD_PARAM_DECOMPBUF, kDecoderInputBuffer);
    bool ok;
    {
        CabinetSet set(sys, cabd);
        ok = set.Open(cabinetPath, siblingsDir);
        if (ok) {
            if (options.list) {
                ok = ListFiles(set.cabinet(), nameFilter);
            } else {
                ExtractSettings settings;
                settings.destination = options.destination.value_or(".");
                settings.overwrite = options.overwrite;
                settings.askOnTerminal = isatty(STDIN_FILENO) != 0;
                settings.nameFilter = nameFilter;
                Extractor extractor(sys, cabd, settings);
                ok = extractor.Run(set.cabinet());
            }
            ok = ok && set.complete();
        }
    }
    mspack_destroy_cab_decompressor(cabd);
    if (std::fflush(stdout) != 0) {
        ok = false;
    }
    return ok ? kExitOk : kExitFailed;
}

// makecab: builds Microsoft cabinets from a MakeCAB directive file, or from one file.
//
//   makecab [/V[n]] [/D var=value ...] /F directives [/F directives ...]
//   makecab [/V[n]] [/D var=value ...] [/L dir] source [destination]
//
// Progress goes to stdout, errors to stderr (with the directive line), and the exit status is
// non-zero when anything failed; a failed run leaves no cabinet behind.
#include "MakeCab.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

using namespace cabtools;

namespace {

void Usage(FILE* out) {
    std::fputs("Usage: makecab [/V[n]] [/D var=value ...] /F directive_file [/F ...]\n"
               "       makecab [/V[n]] [/D var=value ...] [/L dir] source [destination]\n"
               "\n"
               "  /F file        carry out a MakeCAB directive file (may be repeated)\n"
               "  /D var=value   set a variable before the directive files are read\n"
               "  /L dir         where to put the destination of a single source file\n"
               "  /V[n]          accepted for compatibility; makecab always reports progress\n"
               "  source         a single file to compress; destination defaults to its name with\n"
               "                 the last character replaced by an underscore\n",
               out);
}

// Options are whole arguments, so a Linux path that starts with '/' is never taken for one.
bool IsOption(const std::string& arg, char letter) {
    return arg.size() == 2 && (arg[0] == '/' || arg[0] == '-') && (arg[1] == letter || arg[1] == letter - 'a' + 'A');
}

bool IsVerbosity(const std::string& arg) {
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-') || (arg[1] != 'v' && arg[1] != 'V'))
        return false;
    for (size_t i = 2; i < arg.size(); ++i)
        if (arg[i] < '0' || arg[i] > '9')
            return false;
    return true;
}

std::string CompressedName(const std::string& source) {
    std::string name = source.substr(source.rfind('/') == std::string::npos ? 0 : source.rfind('/') + 1);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return name + "._";
    if (name.size() - dot - 1 < 3)
        return name + "_";
    name.back() = '_';
    return name;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "makecab: error: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> directives, defines, positional;
    std::string listDir;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* what) -> const char* {
            if (i + 1 >= argc) {
                Fail(std::string(what) + " needs a value");
                return nullptr;
            }
            return argv[++i];
        };
        if (arg == "/?" || arg == "-?" || arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        } else if (IsOption(arg, 'f')) {
            const char* v = value("/F");
            if (!v)
                return 1;
            directives.push_back(v);
        } else if (IsOption(arg, 'd')) {
            const char* v = value("/D");
            if (!v)
                return 1;
            defines.push_back(v);
        } else if (IsOption(arg, 'l')) {
            const char* v = value("/L");
            if (!v)
                return 1;
            listDir = v;
        } else if (IsVerbosity(arg)) {
        } else if (arg == "--") {
            for (++i; i < argc; ++i)
                positional.push_back(argv[i]);
        } else {
            positional.push_back(arg);
        }
    }
    if (directives.empty() == positional.empty() || positional.size() > 2) {
        Usage(stderr);
        return 1;
    }

    Directive directive;
    std::string error;
    if (!positional.empty()) {
        // One file: a single cabinet where it was asked for, no disk directories, no report.
        for (const char* d : {"MaxDiskSize=0", "InfFileName=NUL", "RptFileName=NUL"})
            directive.Define(d, error);
        directive.Define("DiskDirectoryTemplate=" + listDir, error);
        directive.Define("CabinetName1=" + (positional.size() > 1 ? positional[1] : CompressedName(positional[0])),
                         error);
    }
    for (const std::string& d : defines)
        if (!directive.Define(d, error))
            return Fail(error);
    if (!positional.empty()) {
        FileLine line;
        line.source = positional[0];
        line.where = "command line";
        line.compressionWhere = line.where;
        line.compression.type = ParseSwitch(directive.Find("Compress") ? directive.Find("Compress")->value : "on")
                                        .value_or(true)
                                    ? CompressionType::Mszip
                                    : CompressionType::None;
        if (const Setting* type = directive.Find("CompressionType"); type && line.compression.type != CompressionType::None)
            line.compression.type = ToLower(type->value) == "lzx" ? CompressionType::Lzx : CompressionType::Mszip;
        if (const Setting* memory = directive.Find("CompressionMemory"))
            line.compression.memory = int(ParseUnsigned(memory->value).value_or(21));
        directive.files.push_back(line);
    }
    for (const std::string& path : directives) {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return Fail("cannot open directive file " + path + ": " + std::strerror(errno));
        std::stringstream text;
        text << in.rdbuf();
        if (!directive.Parse(text.str(), path, error))
            return Fail(error);
    }

    RunOptions options;
    int lastPercent = -1;
    options.progress = [&](const WriterProgress& p, const std::string& name) {
        int percent = p.bytesTotal ? int(p.bytesDone * 100 / p.bytesTotal) : 100;
        if (percent != lastPercent) {
            lastPercent = percent;
            std::printf("%3d%% %s\n", percent, name.c_str());
        }
    };
    RunSummary summary;
    if (!RunDirective(directive, options, summary, error))
        return Fail(error);
    for (const WrittenCabinet& cab : summary.written.cabinets)
        std::printf("Cabinet %s: %zu files, %s bytes\n", cab.path.c_str(), cab.files, GroupThousands(cab.size).c_str());
    std::printf("Total files: %zu, bytes before: %s, bytes after: %s, %.2f seconds\n", directive.files.size(),
                GroupThousands(summary.written.bytesBefore).c_str(), GroupThousands(summary.written.bytesAfter).c_str(),
                summary.seconds);
    if (!summary.reportPath.empty())
        std::printf("Report: %s\n", summary.reportPath.c_str());
    if (!summary.infPath.empty())
        std::printf("INF file: %s\n", summary.infPath.c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
}

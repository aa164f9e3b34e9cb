#include "MakeCab.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace cabtools {

namespace {

// Defaults follow MakeCAB's, so existing directive files behave as their authors expect.
constexpr const char* kDefaultCabinetTemplate = "*.cab";
constexpr const char* kDefaultDiskDirectoryTemplate = "disk*";
constexpr const char* kDefaultDiskLabelTemplate = "Disk *";
constexpr const char* kDefaultReport = "setup.rpt";
constexpr const char* kDefaultInf = "setup.inf";
constexpr int64_t kDefaultMaxDiskSize = 1457664; // "1.44M"

std::string Value(const Directive& d, const char* name, const std::string& fallback) {
    const Setting* s = d.Find(name);
    return s ? s->value : fallback;
}

std::string Numbered(const std::string& pattern, int number) {
    std::string out;
    for (char c : pattern)
        out += c == '*' ? std::to_string(number) : std::string(1, c);
    return out;
}

bool IsNul(const std::string& value) { return value.empty() || ToLower(value) == "nul"; }

std::string BaseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FormatTwo(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string ReportDate() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::strftime(text, sizeof text, "%a %b %d %H:%M:%S %Y", &local);
    return text;
}

std::string InfQuote(const std::string& text) {
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

void WriteText(StagedOutputs& outputs, const std::string& path, const std::string& text) {
    FileWriter out(outputs.Create(path), path);
    out.Write(text.data(), text.size());
    out.Close();
}

} // namespace

std::string GroupThousands(uint64_t value) {
    std::string digits = std::to_string(value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string FormatReport(size_t files, uint64_t bytesBefore, uint64_t bytesAfter, double seconds,
                         const std::string& date) {
    double ratio = bytesBefore ? 100.0 * double(bytesAfter) / double(bytesBefore) : 0.0;
    double throughput = seconds > 0 ? double(bytesBefore) / 1024.0 / seconds : 0.0;
    int hours = int(seconds / 3600);
    int minutes = int((seconds - hours * 3600.0) / 60);
    double rest = seconds - hours * 3600.0 - minutes * 60.0;
    char text[1024];
    // "( " keeps the hours a word of their own, however many digits they take.
    std::snprintf(text, sizeof text,
                  "MakeCAB Report: %s\n"
                  "\n"
                  "Total files:    %15s\n"
                  "Bytes before:   %15s\n"
                  "Bytes after:    %15s\n"
                  "After/Before:   %15s%% compression\n"
                  "Time:           %15s seconds ( %d hr %2d min %5s sec)\n"
                  "Throughput:     %15s Kb/second\n",
                  date.c_str(), GroupThousands(files).c_str(), GroupThousands(bytesBefore).c_str(),
                  GroupThousands(bytesAfter).c_str(), FormatTwo(ratio).c_str(), FormatTwo(seconds).c_str(), hours,
                  minutes, FormatTwo(rest).c_str(), FormatTwo(throughput).c_str());
    return text;
}

std::string CabinetNameFor(const FileLine& line, const std::string& destinationDir, std::string& error) {
    std::string name = line.name.empty() ? BaseName(line.source) : line.name;
    if (!destinationDir.empty())
        name = destinationDir + (destinationDir.back() == '\\' || destinationDir.back() == '/' ? "" : "\\") + name;
    for (char& c : name)
        if (c == '/')
            c = '\\';
    if (name.empty() || name.front() == '\\' || (name.size() >= 2 && name[1] == ':')) {
        error = "the name in the cabinet must be relative: \"" + name + "\"";
        return {};
    }
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('\\', start);
        if (end == std::string::npos)
            end = name.size();
        std::string part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") {
            error = "the name in the cabinet has an empty, \".\" or \"..\" part: \"" + name + "\"";
            return {};
        }
        start = end + 1;
    }
    return name;
}

bool RunDirective(const Directive& d, const RunOptions& options, RunSummary& summary, std::string& error) {
    auto fail = [&](const std::string& where, const std::string& message) {
        error = where.empty() ? message : where + ": " + message;
        return false;
    };
    if (d.files.empty())
        return fail("", "the directive names no files to store");

    // The files: names, sizes, times and attributes, all checked before anything is written.
    std::string destinationDir = Value(d, "DestinationDir", "");
    bool unique = ParseSwitch(Value(d, "UniqueFiles", "on")).value_or(true);
    std::set<std::string> seen;
    std::set<std::pair<CompressionType, int>> codecsChecked;
    std::vector<WriterFile> files;
    files.reserve(d.files.size());
    for (const FileLine& line : d.files) {
        WriterFile f;
        std::string message;
        f.name = CabinetNameFor(line, destinationDir, message);
        if (f.name.empty())
            return fail(line.where, message);
        if (unique && !seen.insert(ToLower(f.name)).second)
            return fail(line.where, "\"" + f.name + "\" is already in the cabinet (UniqueFiles is on)");
        struct stat st;
        if (::stat(line.source.c_str(), &st) != 0)
            return fail(line.where, "cannot find source file " + SystemMessage(line.source));
        if (!S_ISREG(st.st_mode))
            return fail(line.where, line.source + ": not a regular file");
        if (uint64_t(st.st_size) > kMaxFolderBytes)
            return fail(line.where, line.source + ": too large for a cabinet (at most 2,147,450,880 bytes)");
        f.source = line.source;
        f.size = uint32_t(st.st_size);
        DosDateTime(int64_t(st.st_mtime), f.date, f.time);
        f.attribs = kCabAttribArchive;
        if (!(st.st_mode & S_IWUSR))
            f.attribs |= kCabAttribReadOnly;
        bool ascii = true;
        for (unsigned char c : f.name)
            ascii = ascii && c < 0x80;
        if (!ascii && IsStrictUtf8(f.name))
            f.attribs |= kCabAttribNameIsUtf8;
        f.compression = line.compression;
        f.newFolder = line.newFolder;
        f.newCabinet = line.newCabinet;
        f.where = line.where;
        if (codecsChecked.insert({f.compression.type, f.compression.memory}).second) {
            std::string codecError;
            if (!MakeCodec(f.compression, codecError))
                return fail(line.compressionWhere, codecError);
        }
        files.push_back(std::move(f));
    }

    // Where each cabinet goes and how much it may hold.
    std::string nameTemplate = Value(d, "CabinetNameTemplate", kDefaultCabinetTemplate);
    std::string dirTemplate = Value(d, "DiskDirectoryTemplate", kDefaultDiskDirectoryTemplate);
    std::string labelTemplate = Value(d, "DiskLabelTemplate", kDefaultDiskLabelTemplate);
    const Setting* maxSize = d.Find("MaxDiskSize");
    int64_t defaultMax = maxSize ? ParseDiskSize(maxSize->value).value_or(0) : kDefaultMaxDiskSize;
    WriterOptions writerOptions;
    writerOptions.cabinet = [&](int n) {
        CabinetSlot slot;
        const Setting* name = d.FindNumbered("CabinetName", n);
        std::string file = name ? name->value : Numbered(nameTemplate, n);
        const Setting* dirSetting = d.FindNumbered("DiskDirectory", n);
        std::string dir = dirSetting ? dirSetting->value : Numbered(dirTemplate, n);
        if (!dir.empty() && dir.back() != '/')
            dir += '/';
        slot.path = dir + file;
        slot.fileName = BaseName(file);
        const Setting* label = d.FindNumbered("DiskLabel", n);
        slot.diskLabel = label ? label->value : Numbered(labelTemplate, n);
        const Setting* max = d.FindNumbered("MaxDiskSize", n);
        if (!max)
            max = maxSize;
        slot.maxSize = uint64_t(max ? ParseDiskSize(max->value).value_or(0) : defaultMax);
        slot.maxSizeWhere = max ? max->where : "";
        return slot;
    };
    if (auto threshold = ParseUnsigned(Value(d, "FolderSizeThreshold", "0")))
        writerOptions.folderSizeThreshold = *threshold;
    std::random_device random;
    writerOptions.setId = uint16_t(random());
    if (options.progress)
        writerOptions.progress = [&](const WriterProgress& p) { options.progress(p, files[p.fileIndex].name); };

    StagedOutputs outputs;
    try {
        auto start = std::chrono::steady_clock::now();
        summary.written = WriteCabinetSet(files, writerOptions, outputs);
        summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::string date = ReportDate();

        std::string inf = Value(d, "InfFileName", kDefaultInf);
        if (!IsNul(inf)) {
            std::string text = "; Written by makecab on " + date + "\n[disk list]\n";
            for (size_t i = 0; i < summary.written.cabinets.size(); ++i)
                text += std::to_string(i + 1) + "," + InfQuote(summary.written.cabinets[i].diskLabel) + "\n";
            text += "\n[cabinet list]\n";
            for (size_t i = 0; i < summary.written.cabinets.size(); ++i)
                text += std::to_string(i + 1) + "," + std::to_string(i + 1) + "," +
                        InfQuote(summary.written.cabinets[i].fileName) + "\n";
            text += "\n[file list]\n";
            for (size_t i = 0; i < files.size(); ++i) {
                std::string cab = std::to_string(summary.written.cabinetOfFile[i]);
                text += cab + "," + cab + "," + InfQuote(files[i].name) + "," + std::to_string(files[i].size) + "\n";
            }
            WriteText(outputs, inf, text);
            summary.infPath = inf;
        }
        std::string report = Value(d, "RptFileName", kDefaultReport);
        if (!IsNul(report)) {
            WriteText(outputs, report,
                      FormatReport(files.size(), summary.written.bytesBefore, summary.written.bytesAfter,
                                   summary.seconds, date));
            summary.reportPath = report;
        }
        outputs.Commit();
    } catch (const WriterError& e) {
        return fail(e.where, e.message);
    } catch (const OutputError& e) {
        return fail("", e.message);
    } catch (const std::exception& e) {
        return fail("", e.what());
    }
    return true;
}

} // namespace cabtools

#include "build/Directive.h"

#include "common/Helpers.h"
#include "platform/Paths.h"
#include "settings/Settings.h"

#include <cerrno>
#include <cstdio>

namespace corvex {

namespace {

constexpr const char* kLineEnd = "\r\n";

int32_t TimesKilobyte(int32_t kilobytes) {
    return static_cast<int32_t>(static_cast<uint32_t>(kilobytes) * 1024u);
}

bool CarriedByDirective(const std::string& text) {
    return text.find_first_of("\"\r\n") == std::string::npos;
}

void Line(std::string& out, const std::string& text) {
    out += text;
    out += kLineEnd;
}

} // namespace

int32_t DiskSizeTable(int entry) {
    switch (entry) {
    case DiskSizeUnlimited:
        return 0;
    case DiskSize144M:
        return 1457664;
    case DiskSize720K:
        return 730112;
    case DiskSizeZip100M:
        return 100431872;
    case DiskSizeFlyer230M:
        return 230424576;
    case DiskSizeCustom:
        return TimesKilobyte(AppSettings.CustomDisksize);
    default:
        return 0;
    }
}

int32_t DiskSizeFor(int entry) {
    const int32_t size = DiskSizeTable(entry);
    if (size == 0)
        return 0;
    return SubtractWrapped(size, TimesKilobyte(AppSettings.SafeDiskSpanning));
}

std::string DirectivePath() {
    return AppSettings.TemporaryDir + "Corvex.ddf";
}

std::string CabinetDirectory(const std::string& cabinetPath) {
    const size_t sep = cabinetPath.rfind(platform::kSeparator);
    return sep == std::string::npos ? std::string() : cabinetPath.substr(0, sep + 1);
}

std::string CabinetBaseName(const std::string& cabinetPath) {
    const size_t sep = cabinetPath.rfind(platform::kSeparator);
    const std::string name = sep == std::string::npos ? cabinetPath : cabinetPath.substr(sep + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string DirectiveText(const TBuildList& rows, const std::string& cabinetPath, int diskSizeEntry,
                          int compressionEntry, int32_t lzxMemory) {
    const std::string& tmp = AppSettings.TemporaryDir;
    const std::string base = CabinetBaseName(cabinetPath);
    const int32_t disk = DiskSizeFor(diskSizeEntry);

    std::string out;
    Line(out, ".OPTION EXPLICIT");
    if (AppSettings.GenerateINF)
        Line(out, ".Set InfFileName=\"" + tmp + "Corvex.INF\"");
    else
        Line(out, ".Set InfFileName=NUL");
    Line(out, ".Set RptFileName=\"" + tmp + "Corvex.RPT\"");
    Line(out, ".Set DestinationDir=");
    Line(out, ".Set CabinetName1=\"" + base + ".cab\"");
    Line(out, ".Set CabinetNameTemplate=\"" + base + "*.cab\"");
    Line(out, ".Set DiskDirectoryTemplate=\"" + CabinetDirectory(cabinetPath) + "\"");
    Line(out, ".Set UniqueFiles=OFF");
    Line(out, ".Set FolderSizeThreshold=2147483648");
    // The stub is joined to the first cabinet afterwards; both must fit on the first disk.
    if (AppSettings.CreateSelfExtracting && disk != 0)
        Line(out, ".Set MaxDiskSize1=" +
                      std::to_string(SubtractWrapped(disk, FileSizeOf(Extrac32Path()))));
    Line(out, ".Set MaxDiskSize=" + std::to_string(disk));
    Line(out, ".Set Cabinet=on");
    if (compressionEntry == CompressionNone) {
        Line(out, ".Set Compress=off");
    } else {
        Line(out, ".Set Compress=on");
        if (compressionEntry == CompressionLZX) {
            Line(out, ".Set CompressionType=LZX");
            Line(out, ".Set CompressionMemory=" + std::to_string(lzxMemory));
        } else {
            Line(out, ".Set CompressionType=MSZIP");
        }
    }
    for (const BuildEntry& row : rows)
        Line(out, QuoteText(row.SourceDir + row.EntryName) + " " +
                      QuoteText(row.TargetDir + row.EntryName));
    return out;
}

TDirectiveResult WriteDirectiveFile(const TBuildList& rows, const std::string& cabinetPath,
                                    int diskSizeEntry, int compressionEntry, int32_t lzxMemory) {
    TDirectiveResult result;
    result.path = DirectivePath();

    for (const std::string& text :
         {AppSettings.TemporaryDir, CabinetDirectory(cabinetPath), CabinetBaseName(cabinetPath)}) {
        if (!CarriedByDirective(text)) {
            result.badName = text;
            return result;
        }
    }
    for (const BuildEntry& row : rows) {
        if (!CarriedByDirective(row.SourceDir + row.EntryName) ||
            !CarriedByDirective(row.TargetDir)) {
            result.badName = row.SourceDir + row.EntryName;
            return result;
        }
    }

    const std::string text =
        DirectiveText(rows, cabinetPath, diskSizeEntry, compressionEntry, lzxMemory);
    FILE* f = std::fopen(result.path.c_str(), "wb");
    if (!f) {
        result.error = errno;
        return result;
    }
    const bool wrote = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    int error = wrote ? 0 : errno;
    if (std::fclose(f) != 0 && error == 0)
        error = errno;
    if (!wrote || error != 0) {
        result.error = error != 0 ? error : EIO;
        return result;
    }
    result.written = true;
    return result;
}

} // namespace corvex

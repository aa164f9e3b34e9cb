#include "Harness.h"

#include <algorithm>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace makecab_test {

std::vector<std::string> ListTree(const std::string& dir) {
    std::vector<std::string> out;
    if (!fs::exists(dir))
        return out;
    for (auto& entry : fs::recursive_directory_iterator(dir))
        out.push_back(fs::relative(entry.path(), dir).string());
    std::sort(out.begin(), out.end());
    return out;
}

std::string TextBytes(size_t size, unsigned seed) {
    static const char* words[] = {"cabinet ", "folder ", "file ", "data ", "block ", "header ", "the ",
                                  "of ",      "and ",    "disk\n", "set ",  "MSZIP ",  "32768 "};
    std::mt19937 rng(seed);
    std::string out;
    out.reserve(size + 16);
    while (out.size() < size)
        out += words[rng() % (sizeof words / sizeof *words)];
    out.resize(size);
    return out;
}

std::string NoiseBytes(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string out(size, '\0');
    for (char& c : out)
        c = char(rng());
    return out;
}

std::string MakecabPath() { return std::string(CORVEX_BIN_DIR) + "/makecab"; }

Outcome RunMakecab(const std::string& ddf, const std::string& cwd, const std::vector<std::string>& env) {
    return RunProgram({MakecabPath(), "/f", ddf}, cwd, env);
}

std::string Directive(const std::vector<std::string>& options,
                      const std::vector<std::pair<std::string, std::string>>& files) {
    std::string text;
    for (const std::string& line : options)
        text += line + "\r\n";
    for (auto& [source, name] : files)
        text += "\"" + source + "\" \"" + name + "\"\r\n";
    return text;
}

namespace {

struct Reader {
    const std::string& bytes;
    size_t pos = 0;
    void Need(size_t n) const {
        if (pos + n > bytes.size())
            throw std::runtime_error("read past the end of the cabinet");
    }
    uint8_t U8() {
        Need(1);
        return uint8_t(bytes[pos++]);
    }
    uint16_t U16() {
        uint16_t lo = U8();
        return uint16_t(lo | U8() << 8);
    }
    uint32_t U32() {
        uint32_t lo = U16();
        return lo | uint32_t(U16()) << 16;
    }
    std::string Str() {
        size_t end = bytes.find('\0', pos);
        if (end == std::string::npos)
            throw std::runtime_error("unterminated string");
        std::string s = bytes.substr(pos, end - pos);
        pos = end + 1;
        return s;
    }
};

} // namespace

Cabinet ReadCabinet(const std::string& path) {
    std::string bytes = ReadFile(path);
    Reader r{bytes};
    Cabinet cab;
    cab.fileSize = uint32_t(bytes.size());
    if (bytes.compare(0, 4, "MSCF") != 0)
        throw std::runtime_error("no MSCF signature");
    r.pos = 8;
    cab.cbCabinet = r.U32();
    r.U32();
    uint32_t coffFiles = r.U32();
    r.U32();
    cab.versionMinor = r.U8();
    cab.versionMajor = r.U8();
    uint16_t folders = r.U16(), files = r.U16();
    cab.flags = r.U16();
    cab.setId = r.U16();
    cab.index = r.U16();
    if (cab.flags & 1)
        cab.prevName = r.Str(), cab.prevDisk = r.Str();
    if (cab.flags & 2)
        cab.nextName = r.Str(), cab.nextDisk = r.Str();
    for (int i = 0; i < folders; ++i) {
        CabFolder f;
        f.dataOffset = r.U32();
        f.blocks = r.U16();
        f.typeCompress = r.U16();
        cab.folders.push_back(f);
    }
    if (r.pos != coffFiles)
        throw std::runtime_error("coffFiles does not follow the folder records");
    for (int i = 0; i < files; ++i) {
        CabFile f;
        f.size = r.U32();
        f.folderOffset = r.U32();
        f.folder = r.U16();
        f.date = r.U16();
        f.time = r.U16();
        f.attribs = r.U16();
        f.name = r.Str();
        cab.files.push_back(f);
    }
    size_t expected = r.pos;
    for (CabFolder& f : cab.folders) {
        if (f.dataOffset != expected)
            throw std::runtime_error("folder data is not where the previous one ended");
        r.pos = f.dataOffset;
        for (int b = 0; b < f.blocks; ++b) {
            r.U32();
            uint16_t cbData = r.U16();
            f.uncompressedSizes.push_back(r.U16());
            r.Need(cbData);
            r.pos += cbData;
        }
        expected = r.pos;
    }
    if (expected != bytes.size())
        throw std::runtime_error("the data blocks do not end at the end of the file");
    return cab;
}

} // namespace makecab_test

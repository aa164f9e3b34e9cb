// Crafted cabinets for the reader's tests: a header and records laid down byte by byte.
#pragma once

#include "tests/support/TestFiles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvex::test {

struct CraftedRecord {
    uint32_t size = 0;
    uint16_t date = 0;
    uint16_t time = 0;
    uint16_t attribs = 0x20;
    std::string name;
};

inline void Put16(std::string& out, uint16_t v) {
    out.push_back(char(v & 0xFF));
    out.push_back(char(v >> 8));
}
inline void Put32(std::string& out, uint32_t v) {
    Put16(out, uint16_t(v & 0xFFFF));
    Put16(out, uint16_t(v >> 16));
}

// A 36-byte header; the records start at coffFiles (default: right after the header).
inline std::string CraftedHeader(uint16_t cFiles, uint32_t coffFiles = 36, uint16_t flags = 0,
                                 const char* signature = "MSCF", uint8_t reservedByte = 0) {
    std::string out(signature, 4);
    out.push_back(char(reservedByte));
    out.append(3, '\0');
    Put32(out, 0);         // cbCabinet
    Put32(out, 0);         // reserved2
    Put32(out, coffFiles); // coffFiles
    Put32(out, 0);         // reserved3
    out.push_back(3);      // versionMinor
    out.push_back(1);      // versionMajor
    Put16(out, 1);         // cFolders
    Put16(out, cFiles);
    Put16(out, flags);
    Put16(out, 0x1234); // setID
    Put16(out, 0);      // iCabinet
    return out;
}

inline std::string CraftedRecordBytes(const CraftedRecord& r) {
    std::string out;
    Put32(out, r.size);
    Put32(out, 0); // uoffFolderStart
    Put16(out, 0); // iFolder
    Put16(out, r.date);
    Put16(out, r.time);
    Put16(out, r.attribs);
    out += r.name;
    out.push_back('\0');
    return out;
}

inline std::string CraftedCabinet(const std::vector<CraftedRecord>& records) {
    std::string out = CraftedHeader(uint16_t(records.size()));
    for (const auto& r : records)
        out += CraftedRecordBytes(r);
    return out;
}

// A file in a fresh temporary directory, removed with the object.
class TempFile {
  public:
    explicit TempFile(const std::string& bytes, const std::string& name = "crafted.cab")
        : dir_(tree_.path().string()), path_(tree_.File(name, bytes)) {}
    const std::string& path() const { return path_; }
    const std::string& dir() const { return dir_; }

  private:
    TempTree tree_;
    std::string dir_;
    std::string path_;
};

} // namespace corvex::test

// Writes a small uncompressed cabinet with exactly the stored names a test needs (a directory,
// bytes that are not UTF-8), so that no tool's idea of names gets in between.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace corvex::test {

struct StoredFile {
    std::string name; // as the cabinet holds it, backslashes for directories
    std::string data;
};

inline void PutLE(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// One folder, no compression, one data block (so the whole content stays under 32 KiB).
// Data block checksums are 0: the format reads that as "not computed".
inline std::string StoredCabinet(const std::vector<StoredFile>& files) {
    std::string content;
    for (const auto& f : files)
        content += f.data;

    std::string records;
    uint32_t offset = 0;
    for (const auto& f : files) {
        PutLE(records, static_cast<uint32_t>(f.data.size()), 4); // cbFile
        PutLE(records, offset, 4);                               // uoffFolderStart
        PutLE(records, 0, 2);                                    // iFolder
        PutLE(records, (30u << 9) | (6u << 5) | 15u, 2);         // 15 June 2010
        PutLE(records, (12u << 11) | (34u << 5) | 28u, 2);       // 12:34:56
        PutLE(records, 0x20, 2);                                 // archive
        records += f.name;
        records += '\0';
        offset += static_cast<uint32_t>(f.data.size());
    }

    const uint32_t headerSize = 36, folderSize = 8;
    const uint32_t filesAt = headerSize + folderSize;
    const uint32_t dataAt = filesAt + static_cast<uint32_t>(records.size());
    const uint32_t total = dataAt + 8 + static_cast<uint32_t>(content.size());

    std::string cab = "MSCF";
    PutLE(cab, 0, 4);         // reserved
    PutLE(cab, total, 4);     // cbCabinet
    PutLE(cab, 0, 4);         // reserved
    PutLE(cab, filesAt, 4);   // coffFiles
    PutLE(cab, 0, 4);         // reserved
    PutLE(cab, 3, 1);         // versionMinor
    PutLE(cab, 1, 1);         // versionMajor
    PutLE(cab, 1, 2);         // cFolders
    PutLE(cab, static_cast<uint32_t>(files.size()), 2);
    PutLE(cab, 0, 2);         // flags
    PutLE(cab, 0x4321, 2);    // setID
    PutLE(cab, 0, 2);         // iCabinet
    PutLE(cab, dataAt, 4);    // coffCabStart
    PutLE(cab, 1, 2);         // cCFData
    PutLE(cab, 0, 2);         // typeCompress: none
    cab += records;
    PutLE(cab, 0, 4);         // csum
    PutLE(cab, static_cast<uint32_t>(content.size()), 2);
    PutLE(cab, static_cast<uint32_t>(content.size()), 2);
    cab += content;
    return cab;
}

inline void WriteStoredCabinet(const std::string& path, const std::vector<StoredFile>& files) {
    std::ofstream(path, std::ios::binary) << StoredCabinet(files);
}

} // namespace corvex::test

// Writes a small uncompressed cabinet with exactly the stored names and attributes a test needs
// (a directory, bytes that are not UTF-8, a read-only file), so that no tool's idea of names
// gets in between.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvex::test {

struct StoredFile {
    std::string name; // as the cabinet holds it, backslashes for directories
    std::string data;
    uint16_t attribs = 0x20;
    uint16_t date = (21 << 9) | (2 << 5) | 3;       // 2001-02-03
    uint16_t time = (4 << 11) | (5 << 5) | (6 / 2); // 04:05:06
};

namespace stored_cabinet {
inline void Put16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}
inline void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}
} // namespace stored_cabinet

// One folder, no compression, the content cut into blocks of 32 KiB. Block checksums are 0:
// the format reads that as "not computed".
inline std::string StoredCabinet(const std::vector<StoredFile>& files) {
    using stored_cabinet::Put16;
    using stored_cabinet::Put32;
    constexpr uint32_t kHeader = 36, kFolder = 8, kBlock = 32768;
    std::string records;
    std::string data;
    for (const StoredFile& file : files) {
        Put32(records, static_cast<uint32_t>(file.data.size()));
        Put32(records, static_cast<uint32_t>(data.size()));
        Put16(records, 0); // folder 0
        Put16(records, file.date);
        Put16(records, file.time);
        Put16(records, file.attribs);
        records += file.name;
        records += '\0';
        data += file.data;
    }
    std::string blocks;
    uint32_t count = 0;
    for (size_t at = 0; at < data.size(); at += kBlock, ++count) {
        const std::string piece = data.substr(at, kBlock);
        Put32(blocks, 0); // no checksum
        Put16(blocks, static_cast<uint32_t>(piece.size()));
        Put16(blocks, static_cast<uint32_t>(piece.size()));
        blocks += piece;
    }
    const uint32_t firstBlock = kHeader + kFolder + static_cast<uint32_t>(records.size());
    std::string cab = "MSCF";
    Put32(cab, 0);
    Put32(cab, firstBlock + static_cast<uint32_t>(blocks.size()));
    Put32(cab, 0);
    Put32(cab, kHeader + kFolder); // the file records follow the one folder record
    Put32(cab, 0);
    cab += '\3';
    cab += '\1';
    Put16(cab, 1); // folders
    Put16(cab, static_cast<uint32_t>(files.size()));
    Put16(cab, 0); // flags
    Put16(cab, 0x1234);
    Put16(cab, 0);
    Put32(cab, firstBlock);
    Put16(cab, count);
    Put16(cab, 0); // stored
    return cab + records + blocks;
}

} // namespace corvex::test
